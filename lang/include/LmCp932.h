// CP932 (Shift-JIS as Windows writes it) to and from UTF-8, for showing the
// texts of the language table. Qt-free; uses iconv ("CP932").
//
// Bytes that do not decode are replaced (U+FFFD when decoding, "?" when
// encoding) and the conversion goes on; the return value says whether all of
// the input converted cleanly. Thread-safe: each call opens its own converter.
#ifndef KR70_LANG_LMCP932_H
#define KR70_LANG_LMCP932_H

#include <string>
#include <string_view>

namespace kr70::lang {

// Decodes CP932 bytes into UTF-8 (appended to out after clearing it).
// Returns true when every byte decoded; false when some were replaced or the
// converter is unavailable (out then holds the input with non-ASCII bytes
// replaced).
bool Cp932ToUtf8(std::string_view cp932, std::string& out);

// Convenience form: the decoded text, replacements included.
std::string Cp932ToUtf8(std::string_view cp932);

// Encodes UTF-8 into CP932. Returns true when every character had a CP932
// form; false when some were replaced by "?".
bool Utf8ToCp932(std::string_view utf8, std::string& out);

}  // namespace kr70::lang

#endif
