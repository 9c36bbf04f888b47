// Line syntax, number conversion and line reading of parameter files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace lmini {

// When line (without or with its line end) defines a key, sets key to the key
// token and value to the value (up to the first CR, LF or NUL) and returns
// true. Line shape: [blanks] key blanks "=" (blank|end) [blanks] value.
bool SplitKeyLine(std::string_view line, std::string_view& key, std::string_view& value);

// "%ld"-style conversion into 32 bits: leading white space skipped, optional
// sign, at least one digit, stops at the first non-digit. False (target not
// to be changed) when there is no number or it lies outside int32_t.
bool ScanInt32(std::string_view text, int32_t& result);

// "%lf"-style conversion in the C locale. False when there is no number or
// its magnitude overflows a double.
bool ScanDouble(std::string_view text, double& result);

// "%ld" and "%.8lf" in the C locale.
std::string FormatInt32(int32_t value);
std::string FormatDouble(double value);

// Reads one line, its LF included when present, from a stream of any kind.
// Returns 0 with gotLine=false at end of file, 2 on a read error, 3 when the
// line would pass maxLineBytes or memory runs out.
constexpr size_t kMaxLineBytes = size_t(64) << 20;
int ReadLine(std::FILE* stream, std::string& line, bool& gotLine);

} // namespace lmini
