// The process-wide language table: loading, look-up, language selection and
// the language's dialog font.
#include "LmLang.h"
#include "LmLangInternal.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Entry {
  char name[LMLANG_NAME_CHARS + 1];
  char text[LMLANG_TEXT_BUFFER];
};

struct Table {
  bool initialised = false;
  uint16_t languageId = 0;
  int mode = 0;
  std::string directory;
  std::string baseName;
  // One entry per line plus a final empty entry, which answers indices
  // without an entry.
  std::vector<Entry> entries;
  // Slot k: 1-based line number of the entry with index k, or 0.
  std::vector<uint16_t> indexMap;
};

Table table;

constexpr char kEmpty[] = "";

// "ＭＳ Ｐゴシック" in Shift-JIS.
constexpr char kJapaneseFace[] = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
constexpr char kOtherFace[] = "MS Sans Serif";

const Entry* FindEntry(int index) {
  if (!table.initialised || index < 0 || index > LMLANG_MAX_INDEX) return nullptr;
  const uint16_t line = table.indexMap[static_cast<size_t>(index)];
  if (line == 0 || line > table.entries.size()) return &table.entries.back();
  return &table.entries[line - 1u];
}

void ReleaseTable() {
  table.initialised = false;
  std::vector<Entry>().swap(table.entries);
  std::vector<uint16_t>().swap(table.indexMap);
}

// Windows language ID of a POSIX locale name such as "de_DE.UTF-8".
uint16_t LanguageIdOfLocale(std::string_view locale) {
  const size_t cut = locale.find_first_of(".@");
  const std::string_view name = locale.substr(0, cut);
  if (name.empty() || name == "C" || name == "POSIX") return LMLANG_ID_ENGLISH;
  const size_t underscore = name.find('_');
  const std::string_view language = name.substr(0, underscore);
  const std::string_view territory = underscore == std::string_view::npos ? std::string_view() : name.substr(underscore + 1);
  if (language == "ja") return LMLANG_ID_JAPANESE;
  if (language == "en") return LMLANG_ID_ENGLISH;
  if (language == "zh") return (territory == "TW" || territory == "HK") ? 1028 : 2052;
  if (language == "pt") return territory == "BR" ? 1046 : 2070;
  struct Known {
    const char* language;
    uint16_t id;
  };
  static constexpr Known kKnown[] = {
      {"ar", 1025}, {"cs", 1029}, {"da", 1030}, {"de", 1031}, {"el", 1032}, {"es", 3082},
      {"fi", 1035}, {"fr", 1036}, {"he", 1037}, {"hu", 1038}, {"it", 1040}, {"ko", 1042},
      {"nl", 1043}, {"nb", 1044}, {"no", 1044}, {"pl", 1045}, {"ru", 1049}, {"sv", 1053},
      {"th", 1054}, {"tr", 1055}, {"uk", 1058}, {"vi", 1066},
  };
  for (const Known& known : kKnown) {
    if (language == known.language) return known.id;
  }
  return 1024;  // a language without a Windows ID of its own here: "other"
}

uint16_t SystemLanguageId() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') return LanguageIdOfLocale(value);
  }
  return LMLANG_ID_ENGLISH;  // no locale set: the C locale
}

void CopyText(const char* text, char* destination) {
  std::memcpy(destination, text, std::strlen(text) + 1);
}

// Steps over the digits of a field width or precision; false when the number
// is larger than the 256-byte result could show (it would only make snprintf
// pad up to billions of characters).
bool FieldFits(const char*& p) {
  int number = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    number = number * 10 + (*p - '0');
    if (number > LMLANG_TEXT_CHARS) return false;
  }
  return true;
}

// True when text, used as a printf format, reads at most one int argument and
// no field width or precision exceeds the result's size.
bool IsSingleIntFormat(const char* text) {
  int conversions = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) ++p;
    if (!FieldFits(p)) return false;
    if (*p == '.') {
      ++p;
      if (!FieldFits(p)) return false;
    }
    if (*p == 'h') {
      ++p;
      if (*p == 'h') ++p;
    }
    if (*p == '\0' || std::strchr("diouxXc", *p) == nullptr) return false;
    ++conversions;
  }
  return conversions <= 1;
}

// Copies at most 255 bytes of source, never cutting a double-byte character.
void CopyCut(const char* source, char* destination) {
  size_t length = 0;
  while (source[length] != '\0') {
    const size_t step = kr70::lang::detail::CharLength(source + length);
    if (length + step > LMLANG_TEXT_CHARS) break;
    length += step;
  }
  std::memcpy(destination, source, length);
  destination[length] = '\0';
}

}  // namespace

extern "C" {

int LmLangInit(int mode, int languageId, const char* directory, const char* baseName) {
  if (table.initialised) return LMLANG_ERR_ALREADY;
  const uint16_t id = languageId == 0 ? SystemLanguageId() : static_cast<uint16_t>(languageId);
  std::string path;
  try {
    table.languageId = id;
    table.mode = mode;
    table.directory = directory != nullptr ? directory : "";
    table.baseName = baseName != nullptr ? baseName : "";
    path = table.directory;
    if (!path.empty() && path.back() != '/') path += '/';
    path += table.baseName;
  } catch (const std::bad_alloc&) {
    return LMLANG_ERR_MEMORY;
  }

  std::vector<char> fileName(path.size() + 64);
  if (LmLangGetFileName(mode, id, path.c_str(), fileName.data(), fileName.size()) < 0) return LMLANG_ERR_NO_FILE;
  const int64_t size = LmLangGetFileSize(fileName.data());
  if (size <= 0) return LMLANG_ERR_NO_FILE;
  if (static_cast<uint64_t>(size) >= SIZE_MAX / 2) return LMLANG_ERR_MEMORY;

  char* buffer = new (std::nothrow) char[static_cast<size_t>(size) + 1];
  if (buffer == nullptr) return LMLANG_ERR_MEMORY;
  const int64_t got = LmLangReadStrFile(fileName.data(), size, buffer);
  if (got < 0) {
    delete[] buffer;
    return got == -1 ? LMLANG_ERR_NO_FILE : LMLANG_ERR_READ;
  }
  if (got == 0) {  // emptied between the size query and the read
    delete[] buffer;
    return LMLANG_ERR_NO_FILE;
  }
  buffer[got] = '\0';
  const char* end = buffer + got;

  int64_t lines = LmLangGetLine(buffer, got);
  // A last line without a line end is a line too; otherwise its text is lost.
  if (end[-1] != '\n') ++lines;
  if (lines > LMLANG_MAX_LINES) lines = LMLANG_MAX_LINES;

  try {
    table.entries.assign(static_cast<size_t>(lines) + 1, Entry{});
    table.indexMap.assign(LMLANG_MAX_INDEX + 1, 0);
  } catch (const std::bad_alloc&) {
    delete[] buffer;
    ReleaseTable();
    return LMLANG_ERR_MEMORY;
  }

  LmLangCRLFCnv(buffer, got);
  const char* line = buffer;
  for (int64_t i = 1; i <= lines && line < end; ++i) {
    Entry& entry = table.entries[static_cast<size_t>(i - 1)];
    int index = 0;
    if (LmLangGetStrResource(line, entry.name, &index, entry.text) == 0 && index >= 1 && index <= LMLANG_MAX_INDEX) {
      table.indexMap[static_cast<size_t>(index)] = static_cast<uint16_t>(i);
    }
    line = LmLangLFSrc(line, end);
  }
  delete[] buffer;
  table.initialised = true;
  return LMLANG_OK;
}

void LmLangClose(void) { ReleaseTable(); }

const char* LmLangGetIdxString(int index) {
  if (index <= 0 || index > LMLANG_MAX_INDEX) index = 1;
  const Entry* entry = FindEntry(index);
  return entry != nullptr ? entry->text : kEmpty;
}

const char* LmLangGetIdxID(int index) {
  if (index <= 0 || index > LMLANG_MAX_INDEX) index = 1;
  const Entry* entry = FindEntry(index);
  return entry != nullptr ? entry->name : kEmpty;
}

int LmLangCopyIdxString(int index, char* destination) {
  if (destination == nullptr) return -1;
  const Entry* entry = FindEntry(index);
  CopyText(entry != nullptr ? entry->text : kEmpty, destination);
  return 0;
}

int LmLangCopyIdxStringFormat(int index, int value, char* destination) {
  if (destination == nullptr) return -1;
  const Entry* entry = FindEntry(index);
  const char* text = entry != nullptr ? entry->text : kEmpty;
  if (!IsSingleIntFormat(text)) {
    CopyText(text, destination);
    return 0;
  }
  char work[LMLANG_FORMAT_BUFFER];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int written = std::snprintf(work, sizeof work, text, value);
#pragma GCC diagnostic pop
  if (written < 0) {
    CopyText(text, destination);
    return 0;
  }
  CopyCut(work, destination);
  return 0;
}

uint16_t LmLangGetLocal(int which) {
  if (which == 0) return SystemLanguageId();
  if (which == 1) return table.languageId;
  return static_cast<uint16_t>(which);
}

int LmLangGetFontInfo(char* faceName, int* size) {
  if (faceName == nullptr || size == nullptr) return -1;
  const uint16_t id = table.languageId != 0 ? table.languageId : SystemLanguageId();
  if (id == LMLANG_ID_JAPANESE) {
    CopyText(kJapaneseFace, faceName);
    *size = 9;
  } else {
    CopyText(kOtherFace, faceName);
    *size = 8;
  }
  return 0;
}

int LmLangSelectLocal(int languageId) {
  const uint16_t id = languageId == 0 ? SystemLanguageId() : static_cast<uint16_t>(languageId);
  if (table.initialised && id == table.languageId) return LMLANG_OK;
  std::string directory;
  std::string baseName;
  try {
    directory = table.directory;
    baseName = table.baseName;
  } catch (const std::bad_alloc&) {
    return LMLANG_ERR_MEMORY;
  }
  LmLangClose();
  return LmLangInit(table.mode, id, directory.c_str(), baseName.c_str());
}

int LmLangGetProgramPath(char* directory, size_t directorySize, char* baseName, size_t baseNameSize) {
  if (directory == nullptr || baseName == nullptr || directorySize == 0 || baseNameSize == 0) return -1;
  directory[0] = '\0';
  baseName[0] = '\0';
  char link[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", link, sizeof link - 1);
  if (length <= 0) return -1;
  link[length] = '\0';
  const char* slash = std::strrchr(link, '/');
  if (slash == nullptr) return -1;
  const size_t directoryLength = static_cast<size_t>(slash - link) + 1;
  const char* name = slash + 1;
  const char* dot = std::strrchr(name, '.');
  const size_t nameLength = (dot == nullptr || dot == name) ? std::strlen(name) : static_cast<size_t>(dot - name);
  if (directoryLength + 1 > directorySize || nameLength + 1 > baseNameSize) return -1;
  std::memcpy(directory, link, directoryLength);
  directory[directoryLength] = '\0';
  std::memcpy(baseName, name, nameLength);
  baseName[nameLength] = '\0';
  return 0;
}

}  // extern "C"
