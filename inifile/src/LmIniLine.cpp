#include "LmIniLine.h"

#include <LmIni.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <new>

namespace lmini {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// The white space that "%ld"/"%lf" skip in the C locale.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view CutAtLineEnd(std::string_view text)
{
    size_t end = text.find_first_of(std::string_view("\r\n\0", 3));
    return end == std::string_view::npos ? text : text.substr(0, end);
}

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
}

} // namespace

bool SplitKeyLine(std::string_view line, std::string_view& key, std::string_view& value)
{
    // The token and the equals sign end at a blank, a tab or the line end; a
    // line end is LF, or the CR before it, or the end of the text.
    std::string_view text = line;
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);

    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    size_t keyStart = pos;
    while (pos < text.size() && !IsBlank(text[pos])) ++pos;
    if (pos == keyStart) return false;
    std::string_view keyToken = text.substr(keyStart, pos - keyStart);

    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] != '=') return false;
    ++pos;
    if (pos < text.size() && !IsBlank(text[pos])) return false;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;

    key = keyToken;
    value = CutAtLineEnd(text.substr(pos));
    return true;
}

bool ScanInt32(std::string_view text, int32_t& result)
{
    size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const int64_t limit = negative ? int64_t(INT32_MAX) + 1 : int64_t(INT32_MAX);
    int64_t magnitude = 0;
    size_t digits = 0;
    bool outOfRange = false;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > limit) {
            outOfRange = true;
            magnitude = limit; // keeps the sum bounded while the digits run on
        }
    }
    if (digits == 0 || outOfRange) return false;
    result = int32_t(negative ? -magnitude : magnitude);
    return true;
}

bool ScanDouble(std::string_view text, double& result)
{
    // strtod needs a terminated string; values are short, copies are cheap.
    std::string copy(CutAtLineEnd(text));
    locale_t c = CLocale();
    if (c == locale_t(0)) return false;
    errno = 0;
    char* end = nullptr;
    double value = strtod_l(copy.c_str(), &end, c);
    if (end == copy.c_str()) return false;
    if (errno == ERANGE && std::isinf(value)) return false;
    result = value;
    return true;
}

std::string FormatInt32(int32_t value)
{
    char buffer[16];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, ec == std::errc() ? end : buffer);
}

std::string FormatDouble(double value)
{
    // 1e308 in fixed notation: 309 digits, the point, 8 decimals and a sign.
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                   std::chars_format::fixed, 8);
    return std::string(buffer, ec == std::errc() ? end : buffer);
}

int ReadLine(std::FILE* stream, std::string& line, bool& gotLine)
{
    line.clear();
    gotLine = false;
    try {
        int c;
        while ((c = getc_unlocked(stream)) != EOF) {
            if (line.size() >= kMaxLineBytes) return LMINI_NO_MEMORY;
            line.push_back(char(c));
            if (c == '\n') break;
        }
    } catch (const std::bad_alloc&) {
        return LMINI_NO_MEMORY;
    }
    if (std::ferror(stream)) return errno == ENOMEM ? LMINI_NO_MEMORY : LMINI_READ_ERROR;
    gotLine = !line.empty();
    return LMINI_OK;
}

} // namespace lmini
