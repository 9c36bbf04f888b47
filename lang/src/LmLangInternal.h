// Shared between the sources of LmLang; not installed.
#ifndef KR70_LANG_SRC_LMLANGINTERNAL_H
#define KR70_LANG_SRC_LMLANGINTERNAL_H

#include <cstddef>

namespace kr70::lang::detail {

// One valid entry line, pointing into the line: name and text already cut to
// their kept lengths, the text not yet escape-converted.
struct ParsedLine {
  const char* name = nullptr;
  size_t nameLength = 0;
  int index = 0;
  const char* text = nullptr;
  size_t textLength = 0;
};

// A line ends at a zero byte, CR or LF.
bool IsLineEnd(char c);
bool IsBlank(char c);
bool IsShiftJisLead(unsigned char c);
// Bytes of the character at p: 2 for a Shift-JIS lead byte followed by a byte
// of the same line, else 1.
size_t CharLength(const char* p);
// True when line is a valid entry line; fills out when it is not null.
bool ParseEntryLine(const char* line, ParsedLine* out);

}  // namespace kr70::lang::detail

#endif
