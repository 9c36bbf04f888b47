#pragma once
// Number parsing and formatting of the page edits and statics, always in the C
// locale ("." as decimal point) whatever the process locale is.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kr70::text {

// Reads a decimal number as the C library's atof does: leading blanks
// skipped, the longest valid prefix taken, 0.0 when there is none.
double parseDouble(std::string_view text);
// The whole text (blanks around allowed) as a decimal number; nullopt for
// anything else ("abc", "0,5", "12x", an infinity).
std::optional<double> parseNumber(std::string_view text);
// A whole number; nullopt when the text holds no digits, a sign or a value
// beyond 32 bits (such values can never be accepted by an edit).
std::optional<uint32_t> parseUnsigned(std::string_view text);

std::string formatFixed(double value, int decimals);  // "%.Nf"
std::string formatInt(int64_t value);                 // "%d"
// Shortest text that reads back as the same double ("5", "-0.25").
std::string formatShortest(double value);

// A menu text as a message quotes it: without its accelerator ("(&I)" as
// Japanese menus carry it, or a bare "&"; "&&" stays one "&") and without a
// trailing "..." ("異音解析設定(&I)..." -> "異音解析設定", "E&xit" -> "Exit").
std::string plainMenuText(std::string_view menuText);

}  // namespace kr70::text

namespace kr70 {
class UiPort;
// One warning box with a language text and caption (warning icon).
void showPageWarning(UiPort& port, int32_t textId, int32_t captionId);
}  // namespace kr70
