// LmLang: the language string table.
//
// Every user-interface text of KR70 comes by number from a per-language string
// file, LANG/<program>_JP.STR (Shift-JIS / CP932), <program>_EN.STR or
// <program>_OT.STR (ASCII) beside the program. The library loads one such file
// into a process-wide table and answers texts by index. Texts are returned as
// the bytes stored in the file (CP932 for Japanese); decode them for display
// with kr70::lang::Cp932ToUtf8 (LmCp932.h).
//
// String file: one entry per line, "\n" or "\r\n" line ends. A valid entry
// line is
//     [blanks] NAME <blank(s)> = <blank(s)> INDEX , [blanks] 'TEXT
// where NAME is any run of characters other than blank and tab (first 10
// kept), INDEX is decimal digits (first 5 kept), and TEXT runs to the end of
// the line (first 255 bytes kept; a closing quote belongs to the text). In
// TEXT \b \f \n \r \t \v and \\ become the single control character or
// backslash; Shift-JIS double-byte characters are stepped over, so a trail
// byte 0x5C is never read as a backslash. Every other line is ignored but
// still counts as a line. Indices 1..65535 can be looked up; when two lines
// carry the same index the later line wins.
//
// Language IDs are Windows language identifiers: 1041 Japanese, 1033
// English, anything else "other"; 0 asks for the system language, which is
// taken from the locale (LC_ALL, LC_MESSAGES, LANG: ja* -> 1041;
// en*, C, POSIX or unset -> 1033; other languages -> their Windows ID).
//
// Status codes: 0 success; LmLangInit -10 already initialised, -1 string file
// missing, empty or not openable, -2 read failure, -3 out of memory.
//
// Threading: none. One table per process; initialise, change language and
// close on one thread, before or between look-ups. Nothing is printed and
// nothing is thrown.
#ifndef KR70_LANG_LMLANG_H
#define KR70_LANG_LMLANG_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LMLANG_ID_ENGLISH 1033
#define LMLANG_ID_JAPANESE 1041

#define LMLANG_MAX_INDEX 65535      // highest index that can be looked up
#define LMLANG_MAX_LINES 65535      // lines beyond this are not loaded
#define LMLANG_NAME_CHARS 10        // an entry's name keeps this many characters
#define LMLANG_INDEX_CHARS 5        // the index keeps this many digits
#define LMLANG_TEXT_CHARS 255       // a text keeps this many bytes
#define LMLANG_TEXT_BUFFER 256      // destination size for LmLangCopyIdxString*
#define LMLANG_FORMAT_BUFFER 516    // work buffer of LmLangCopyIdxStringFormat
#define LMLANG_FACE_BUFFER 16       // destination size for LmLangGetFontInfo

#define LMLANG_OK 0
#define LMLANG_ERR_NO_FILE (-1)
#define LMLANG_ERR_READ (-2)
#define LMLANG_ERR_MEMORY (-3)
#define LMLANG_ERR_ALREADY (-10)

// File-name modes of LmLangInit / LmLangGetFileName.
#define LMLANG_MODE_SUBDIR 0   // D/LANG/EN|JP|OT/F-without-extension.STR
#define LMLANG_MODE_SUFFIX 2   // D/LANG/F-without-extension_EN|_JP|_OT.STR (the program's)
                               // any other mode: D/F with its extension replaced by .STR

// Loads the string file named from mode, language ID (0 = system language),
// directory and base name (either may be empty; a "/" is put between them
// when the directory does not end with one). Stores ID, mode, directory and
// base name for LmLangSelectLocal, even when loading fails. On failure the
// table stays uninitialised.
int LmLangInit(int mode, int languageId, const char* directory, const char* baseName);

// Releases the table and clears the index map; LmLangInit may be called again.
// The stored language ID, mode, directory and base name are kept.
void LmLangClose(void);

// Text of an index. An index <= 0 or > 65535 is treated as 1; an index
// without an entry, or any index while uninitialised, yields "". The pointer
// stays valid until LmLangClose or a language change.
const char* LmLangGetIdxString(int index);

// Name of the entry of an index (e.g. "IDS_TITLE"); index rules as
// LmLangGetIdxString.
const char* LmLangGetIdxID(int index);

// Copies the text of an index into destination (LMLANG_TEXT_BUFFER bytes).
// An index < 0 or > 65535, or without an entry, gives "". Returns 0.
int LmLangCopyIdxString(int index, char* destination);

// Formats the text of an index as a printf format with one int value and
// copies the result, cut to 255 bytes, into destination (LMLANG_TEXT_BUFFER
// bytes). Only a text whose conversions take exactly the one int (%d %i %u
// %x %X %o %c, with flags -+ #0, width, precision and h/hh) or none (%%) is
// formatted; any other text is copied unformatted, so a stray %s can never
// read a missing argument. Index rules as LmLangCopyIdxString. Returns 0.
int LmLangCopyIdxStringFormat(int index, int value, char* destination);

// which 0: the system language ID; 1: the current language ID (0 before the
// first LmLangInit); any other value is returned unchanged (as 16 bits).
uint16_t LmLangGetLocal(int which);

// The dialog font of the current language (the system language before the
// first LmLangInit): 1041 gives the Shift-JIS face name "ＭＳ Ｐゴシック"
// (15 bytes) and size 9, every other language "MS Sans Serif" and size 8.
// faceName must hold LMLANG_FACE_BUFFER bytes. Returns 0, or -1 when an
// argument is null.
int LmLangGetFontInfo(char* faceName, int* size);

// 0 when languageId (0 = system language) is the current one; otherwise
// closes the table and initialises it again with the stored mode, directory
// and base name and the new ID, returning LmLangInit's status.
int LmLangSelectLocal(int languageId);

// Program location: the directory of the running executable (from
// /proc/self/exe, with a trailing "/") and its file name without extension,
// as LmLangInit wants them for mode 2. Returns 0, or -1 when the link cannot
// be read or a destination is too small (destinations are then "").
int LmLangGetProgramPath(char* directory, size_t directorySize, char* baseName, size_t baseNameSize);

// ---- Steps of loading, exported for callers that parse string files ----

// 0 when line (up to its zero byte, CR or LF) is a valid entry line, -1 otherwise.
int LmLangCheckFormat(const char* line);

// Replaces every CR in buffer[0..length) by a zero byte; returns length.
int64_t LmLangCRLFCnv(char* buffer, int64_t length);

// Converts the escapes of a zero-terminated text in place, stepping over
// Shift-JIS double-byte characters. Texts shorter than 2 bytes stay as they
// are. Returns the new length, or -1 (text untouched) when it is longer than 256.
int LmLangEscSeqConv(char* text);

// Builds the string file name from mode, language ID (0 = system language)
// and path = directory joined with base name ("/opt/kr70/KR70", "KR70",
// "/opt/kr70/KR70.exe"); the directory part is everything up to the last "/".
// Returns the length including the terminator, or -1 when destination
// (destinationSize bytes) is too small or an argument is null.
int LmLangGetFileName(int mode, int languageId, const char* path, char* destination, size_t destinationSize);

// Size of a regular file in bytes; 0 when it is missing or not a regular file.
int64_t LmLangGetFileSize(const char* file);

// Number of LF characters in buffer[0..length).
int64_t LmLangGetLine(const char* buffer, int64_t length);

// Splits one valid entry line into name (LMLANG_NAME_CHARS + 1 bytes), index
// and escape-converted text (LMLANG_TEXT_BUFFER bytes). Returns 0, or -1 when
// the line is not a valid entry line (outputs then empty / 0).
int LmLangGetStrResource(const char* line, char* name, int* index, char* text);

// Position just after the next LF in [position, end), or end when there is none.
const char* LmLangLFSrc(const char* position, const char* end);

// Reads up to size bytes of file into buffer. Returns the number of bytes
// read, -1 when the file cannot be opened, -2 on a read or close failure.
int64_t LmLangReadStrFile(const char* file, int64_t size, char* buffer);

// One scanning step within a zero-terminated line, never past its zero byte:
// kind 0: next blank or tab (or the end); 1: skip blanks and tabs;
// 2: next "=" (or the end); 3: next "," (or the end); 4: next quote (or the
// end). Any other kind returns position.
const char* LmLangSpcSrc(int kind, const char* position);

#ifdef __cplusplus
}
#endif

#endif
