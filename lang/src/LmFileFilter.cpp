// Language-table filter texts to Qt's filter syntax.
#include "LmFileFilter.h"

#include <vector>

namespace kr70::lang {
namespace {

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string FileFilterToQt(std::string_view filter) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t bar = filter.find('|', start);
    const size_t end = bar == std::string_view::npos ? filter.size() : bar;
    fields.push_back(filter.substr(start, end - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::string result;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    std::string_view description = Trim(fields[i]);
    const std::string_view patterns = Trim(fields[i + 1]);
    if (description.empty() && patterns.empty()) break;  // the closing "||"
    if (patterns.empty()) continue;
    if (!description.empty() && description.back() == ')') {
      const size_t open = description.rfind('(');
      if (open != std::string_view::npos) description = Trim(description.substr(0, open));
    }
    std::string list;
    for (const char c : patterns) list += c == ';' ? ' ' : c;
    if (!result.empty()) result += ";;";
    if (!description.empty()) {
      result += description;
      result += ' ';
    }
    result += '(' + list + ')';
  }
  return result;
}

}  // namespace kr70::lang
