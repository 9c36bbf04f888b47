#include "TextFormat.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

namespace lmwacore {

char* AppendFixed10(char* out, double value)
{
    // std::to_chars with a precision is defined to give printf's result in the
    // C locale; it is exact, rounds ties like glibc and is about three times
    // faster than snprintf.
    auto result = std::to_chars(out, out + kMaxFixed10Chars, value,
                                std::chars_format::fixed, 10);
    return result.ptr;
}

char* AppendUnsigned(char* out, uint32_t value)
{
    return std::to_chars(out, out + 10, value).ptr;
}

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

locale_t CLocale()
{
    // Created once, never freed: it lives as long as the process.
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

double StrtodC(std::string_view text)
{
    std::string copy(text);  // strtod needs a terminated string
    locale_t locale = CLocale();
    if (locale == static_cast<locale_t>(0)) {
        return 0.0;
    }
    return strtod_l(copy.c_str(), nullptr, locale);
}

}  // namespace

double ParseDoubleC(std::string_view text)
{
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && IsCSpace(*p)) {
        ++p;
    }
    const char* digits = p;
    bool plus = false;
    if (digits < end && (*digits == '+' || *digits == '-')) {
        plus = *digits == '+';
        ++digits;
    }
    const bool plainDecimal =
        digits < end && (IsDigit(*digits) || *digits == '.') &&
        !(digits[0] == '0' && digits + 1 < end && (digits[1] == 'x' || digits[1] == 'X'));
    if (plainDecimal) {
        // from_chars accepts a leading '-' but not '+'.
        double value = 0.0;
        auto result = std::from_chars(plus ? digits : p, end, value, std::chars_format::general);
        if (result.ec == std::errc()) {
            return value;
        }
        if (result.ec == std::errc::invalid_argument) {
            return 0.0;  // "." or "-." : no digits at all
        }
        // Out of range: strtod decides between infinity, zero and subnormals.
    }
    if (p == end) {
        return 0.0;
    }
    return StrtodC(std::string_view(p, static_cast<std::size_t>(end - p)));
}

bool ParsePositiveInt32(std::string_view text, uint32_t& value)
{
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && IsCSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || !IsDigit(*p)) {
        return false;
    }
    uint64_t number = 0;
    for (; p < end && IsDigit(*p); ++p) {
        number = number * 10 + static_cast<uint64_t>(*p - '0');
        if (number > 0x7fffffffu) {
            return false;
        }
    }
    if (negative || number == 0) {
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

}  // namespace lmwacore
