// Stateless steps of reading a string file: scanning, the entry-line grammar,
// escape conversion and the string file name.
#include "LmLang.h"
#include "LmLangInternal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace kr70::lang::detail {

bool IsLineEnd(char c) { return c == '\0' || c == '\r' || c == '\n'; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

size_t CharLength(const char* p) {
  if (IsShiftJisLead(static_cast<unsigned char>(p[0])) && !IsLineEnd(p[1])) return 2;
  return 1;
}

bool ParseEntryLine(const char* line, ParsedLine* out) {
  if (line == nullptr) return false;
  const char* p = line;
  while (IsBlank(*p)) ++p;
  const char* name = p;
  while (!IsLineEnd(*p) && !IsBlank(*p)) ++p;
  const size_t nameLength = static_cast<size_t>(p - name);
  if (nameLength == 0 || !IsBlank(*p)) return false;
  while (IsBlank(*p)) ++p;
  if (*p != '=') return false;
  ++p;
  if (!IsBlank(*p)) return false;
  while (IsBlank(*p)) ++p;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') ++p;
  const size_t digitCount = static_cast<size_t>(p - digits);
  if (digitCount == 0 || *p != ',') return false;
  ++p;
  while (IsBlank(*p)) ++p;
  if (*p != '\'') return false;
  ++p;
  if (out != nullptr) {
    out->name = name;
    out->nameLength = nameLength < LMLANG_NAME_CHARS ? nameLength : LMLANG_NAME_CHARS;
    int index = 0;
    const size_t kept = digitCount < LMLANG_INDEX_CHARS ? digitCount : LMLANG_INDEX_CHARS;
    for (size_t i = 0; i < kept; ++i) index = index * 10 + (digits[i] - '0');
    out->index = index;
    out->text = p;
    // Keep at most 255 bytes, never ending inside a double-byte character.
    size_t length = 0;
    while (!IsLineEnd(p[length])) {
      const size_t step = CharLength(p + length);
      if (length + step > LMLANG_TEXT_CHARS) break;
      length += step;
    }
    out->textLength = length;
  }
  return true;
}

}  // namespace kr70::lang::detail

using namespace kr70::lang::detail;

extern "C" {

const char* LmLangSpcSrc(int kind, const char* position) {
  if (position == nullptr) return position;
  const char* p = position;
  switch (kind) {
    case 0:
      while (*p != '\0' && !IsBlank(*p)) ++p;
      return p;
    case 1:
      while (IsBlank(*p)) ++p;
      return p;
    case 2:
      while (*p != '\0' && *p != '=') ++p;
      return p;
    case 3:
      while (*p != '\0' && *p != ',') ++p;
      return p;
    case 4:
      while (*p != '\0' && *p != '\'') ++p;
      return p;
    default:
      return p;
  }
}

const char* LmLangLFSrc(const char* position, const char* end) {
  if (position == nullptr || end == nullptr || position >= end) return end;
  const void* lf = std::memchr(position, '\n', static_cast<size_t>(end - position));
  return lf == nullptr ? end : static_cast<const char*>(lf) + 1;
}

int64_t LmLangGetLine(const char* buffer, int64_t length) {
  if (buffer == nullptr || length <= 0) return 0;
  int64_t count = 0;
  const char* p = buffer;
  const char* end = buffer + length;
  while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
    ++count;
    ++p;
  }
  return count;
}

int64_t LmLangCRLFCnv(char* buffer, int64_t length) {
  if (buffer == nullptr || length <= 0) return 0;
  char* p = buffer;
  char* end = buffer + length;
  while ((p = static_cast<char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)))) != nullptr) *p++ = '\0';
  return length;
}

int LmLangCheckFormat(const char* line) { return ParseEntryLine(line, nullptr) ? 0 : -1; }

int LmLangEscSeqConv(char* text) {
  if (text == nullptr) return -1;
  const size_t length = std::strlen(text);
  if (length > LMLANG_TEXT_BUFFER) return -1;
  if (length < 2) return static_cast<int>(length);
  size_t read = 0;
  size_t write = 0;
  while (read < length) {
    const unsigned char c = static_cast<unsigned char>(text[read]);
    if (IsShiftJisLead(c) && read + 1 < length) {
      // A double-byte character: its trail byte may be 0x5C and is not an escape.
      text[write++] = text[read++];
      text[write++] = text[read++];
      continue;
    }
    if (c == '\\' && read + 1 < length) {
      char replacement = 0;
      switch (text[read + 1]) {
        case 'b': replacement = '\b'; break;
        case 'f': replacement = '\f'; break;
        case 'n': replacement = '\n'; break;
        case 'r': replacement = '\r'; break;
        case 't': replacement = '\t'; break;
        case 'v': replacement = '\v'; break;
        case '\\': replacement = '\\'; break;
        default: break;
      }
      if (replacement != 0) {
        text[write++] = replacement;
        read += 2;
        continue;
      }
    }
    text[write++] = text[read++];
  }
  text[write] = '\0';
  return static_cast<int>(write);
}

int LmLangGetStrResource(const char* line, char* name, int* index, char* text) {
  ParsedLine parsed;
  const bool valid = ParseEntryLine(line, &parsed);
  if (name != nullptr) name[0] = '\0';
  if (index != nullptr) *index = 0;
  if (text != nullptr) text[0] = '\0';
  if (!valid) return -1;
  if (name != nullptr) {
    std::memcpy(name, parsed.name, parsed.nameLength);
    name[parsed.nameLength] = '\0';
  }
  if (index != nullptr) *index = parsed.index;
  if (text != nullptr) {
    std::memcpy(text, parsed.text, parsed.textLength);
    text[parsed.textLength] = '\0';
    LmLangEscSeqConv(text);
  }
  return 0;
}

int LmLangGetFileName(int mode, int languageId, const char* path, char* destination, size_t destinationSize) {
  if (path == nullptr || destination == nullptr || destinationSize == 0) return -1;
  destination[0] = '\0';
  const uint16_t id = languageId == 0 ? LmLangGetLocal(0) : static_cast<uint16_t>(languageId);
  const char* language = id == LMLANG_ID_ENGLISH ? "EN" : id == LMLANG_ID_JAPANESE ? "JP" : "OT";

  const std::string whole(path);
  const size_t slash = whole.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string() : whole.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? whole : whole.substr(slash + 1);
  const size_t dot = name.rfind('.');
  const std::string stem = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);

  std::string result;
  if (mode == LMLANG_MODE_SUBDIR) {
    result = directory + "LANG/" + language + "/" + stem + ".STR";
  } else if (mode == LMLANG_MODE_SUFFIX) {
    result = directory + "LANG/" + stem + "_" + language + ".STR";
  } else {
    result = directory + stem + ".STR";
  }
  if (result.size() + 1 > destinationSize) return -1;
  std::memcpy(destination, result.c_str(), result.size() + 1);
  return static_cast<int>(result.size() + 1);
}

int64_t LmLangGetFileSize(const char* file) {
  if (file == nullptr) return 0;
  struct stat status {};
  if (::stat(file, &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  return static_cast<int64_t>(status.st_size);
}

int64_t LmLangReadStrFile(const char* file, int64_t size, char* buffer) {
  if (file == nullptr || (buffer == nullptr && size > 0)) return -1;
  // Non-blocking open and a regular-file check, so that a FIFO in the file's
  // place is refused instead of waiting for a writer; like a directory, which
  // opens but cannot be read, anything but a regular file is a read failure.
  const int fd = ::open(file, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return -2;
  }
  std::FILE* stream = ::fdopen(fd, "rb");
  if (stream == nullptr) {
    ::close(fd);
    return -1;
  }
  size_t total = 0;
  const size_t wanted = size > 0 ? static_cast<size_t>(size) : 0;
  while (total < wanted) {
    const size_t got = std::fread(buffer + total, 1, wanted - total, stream);
    if (got == 0) break;
    total += got;
  }
  const bool readFailed = std::ferror(stream) != 0;
  const bool closeFailed = std::fclose(stream) != 0;
  if (readFailed || closeFailed) return -2;
  return static_cast<int64_t>(total);
}

}  // extern "C"
