#include "PageText.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace kr70::text {
namespace {
std::string_view trimLeft(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  return text;
}
}  // namespace

double parseDouble(std::string_view text) {
  text = trimLeft(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::invalid_argument) return 0.0;
  return value;  // out of range keeps from_chars' answer (0 or unchanged)
}

std::optional<double> parseNumber(std::string_view text) {
  text = trimLeft(text);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // from_chars would also take "inf" and "nan": a number starts with a digit,
  // a point or a minus sign.
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.' ||
                        text.front() == '-'))
    return std::nullopt;
  double value = 0.0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<uint32_t> parseUnsigned(std::string_view text) {
  text = trimLeft(text);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  uint32_t value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string formatFixed(double value, int decimals) {
  char buffer[352];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                              decimals);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
}

std::string formatInt(int64_t value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string formatShortest(double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
}

std::string plainMenuText(std::string_view menuText) {
  std::string plain;
  for (size_t i = 0; i < menuText.size(); ++i) {
    const char c = menuText[i];
    // "(&X)" (with or without a blank before it) goes as a whole.
    if (c == '(' && i + 3 < menuText.size() && menuText[i + 1] == '&' && menuText[i + 2] != '&' &&
        menuText[i + 3] == ')') {
      while (!plain.empty() && plain.back() == ' ') plain.pop_back();
      i += 3;
    } else if (c == '&') {
      if (i + 1 < menuText.size() && menuText[i + 1] == '&') plain += '&', ++i;
    } else {
      plain += c;
    }
  }
  if (plain.size() >= 3 && plain.compare(plain.size() - 3, 3, "...") == 0) plain.resize(plain.size() - 3);
  while (!plain.empty() && plain.back() == ' ') plain.pop_back();
  return plain;
}

}  // namespace kr70::text

#include "UiPort.h"

namespace kr70 {
void showPageWarning(UiPort& port, int32_t textId, int32_t captionId) {
  Message message;
  message.parts.push_back(MessagePart{textId, {}, {}});
  message.captionId = captionId;
  message.icon = MessageIcon::Warning;
  port.ShowMessage(message);
}
}  // namespace kr70
