// Numbers as text in the C locale ("." as decimal point) whatever the process
// locale is: the workstation's files and the texts it compares must not change
// with the user's language settings.
#ifndef KR70_APP_CORE_NUMBERTEXT_H
#define KR70_APP_CORE_NUMBERTEXT_H

#include <string>

namespace kr70 {

// snprintf under the C locale; any length.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// strtod under the C locale on the whole text (leading blanks skipped,
// trailing text ignored); fallback when no number could be read.
double ParseDoubleC(const std::string& text, double fallback = 0.0);

// value written with format (for example "%f" or "%lf") and read back: the
// rounding the workstation applies before it compares or stores a value.
double RoundThroughText(const char* format, double value);

// Shortest text that reads back as the same double ("0.1", "1e+300"); "null"
// for an infinity or NaN, which JSON cannot hold.
std::string RoundTripText(double value);

}  // namespace kr70

#endif
