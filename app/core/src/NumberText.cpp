#include "NumberText.h"

#include <clocale>
#include <cmath>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace kr70 {
namespace {

// The C locale object, created once; newlocale failing leaves 0, in which
// case the thread's locale is used (only possible when memory is exhausted).
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

// Switches the calling thread to the C locale for the object's lifetime.
class CLocaleScope {
public:
    CLocaleScope() : previous_(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(0)) {}
    ~CLocaleScope() {
        if (previous_) {
            uselocale(previous_);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

}  // namespace

std::string FormatC(const char* format, ...) {
    CLocaleScope scope;
    char small[128];
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(small, sizeof small, format, arguments);
    va_end(arguments);
    std::string text;
    if (length < 0) {
        va_end(copy);
        return text;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else {
        std::vector<char> large(static_cast<size_t>(length) + 1);
        std::vsnprintf(large.data(), large.size(), format, copy);
        text.assign(large.data(), static_cast<size_t>(length));
    }
    va_end(copy);
    return text;
}

double ParseDoubleC(const std::string& text, double fallback) {
    CLocaleScope scope;
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    return end == begin ? fallback : value;
}

double RoundThroughText(const char* format, double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    return ParseDoubleC(FormatC(format, value), value);
}

std::string RoundTripText(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace kr70
