// Locale-independent number formatting and parsing for the result files.
#ifndef LMWACORE_TEXTFORMAT_H
#define LMWACORE_TEXTFORMAT_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lmwacore {

// Longest text AppendFixed10 can produce: sign, 309 integer digits, point and
// ten decimals.
constexpr std::size_t kMaxFixed10Chars = 1 + 309 + 1 + 10;

// Writes value exactly as printf("%.10f") does in the C locale (including
// "-0.0000000000", "nan", "-nan", "inf", "-inf") at out, which must have room
// for kMaxFixed10Chars characters; returns the end of the text.
char* AppendFixed10(char* out, double value);

// Writes an unsigned decimal; out needs room for 10 characters.
char* AppendUnsigned(char* out, uint32_t value);

// Converts text as strtod does in the C locale: leading white space, an
// optional sign, decimal or hexadecimal notation, "inf"/"nan", and whatever
// follows the longest number prefix is ignored; text that starts with no number
// gives 0.0. The text may contain NUL bytes (conversion stops there).
double ParseDoubleC(std::string_view text);

// Reads the leading decimal integer of text as strtol does (white space, sign,
// digits). Succeeds only for a value from 1 to 2147483647.
bool ParsePositiveInt32(std::string_view text, uint32_t& value);

}  // namespace lmwacore

#endif
