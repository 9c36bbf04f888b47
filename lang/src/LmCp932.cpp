// CP932 <-> UTF-8 through iconv.
#include "LmCp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>

namespace kr70::lang {
namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// Bytes of the UTF-8 sequence led by c (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c <= 0xF4) return 4;
  if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
  if (c >= 0xC2) return 2;
  return 1;
}

// Converts input with the converter cd into out. A byte sequence that does
// not convert is replaced by `replacement` and stepped over by `skip(byte)`
// bytes. Returns true when nothing was replaced.
template <typename Skip>
bool Convert(iconv_t cd, std::string_view input, std::string& out, const char* replacement, Skip skip) {
  out.clear();
  bool clean = true;
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char chunk[1024];
  while (inLeft > 0) {
    char* outPtr = chunk;
    size_t outLeft = sizeof chunk;
    const size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(chunk, static_cast<size_t>(outPtr - chunk));
    if (result != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ (invalid sequence) or EINVAL (incomplete at the end).
    clean = false;
    out += replacement;
    const size_t step = errno == EINVAL ? inLeft : skip(static_cast<unsigned char>(*in));
    const size_t taken = step < inLeft ? step : inLeft;
    in += taken;
    inLeft -= taken;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* outPtr = chunk;
  size_t outLeft = sizeof chunk;
  ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(chunk, static_cast<size_t>(outPtr - chunk));
  return clean;
}

// Without a converter: ASCII passes, every other byte is replaced.
bool AsciiOnly(std::string_view input, std::string& out, const char* replacement) {
  out.clear();
  for (const char c : input) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      out += replacement;
    }
  }
  return false;
}

}  // namespace

bool Cp932ToUtf8(std::string_view cp932, std::string& out) {
  const iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return AsciiOnly(cp932, out, kReplacementUtf8);
  const bool clean = Convert(cd, cp932, out, kReplacementUtf8, [](unsigned char) { return size_t{1}; });
  ::iconv_close(cd);
  return clean;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  Cp932ToUtf8(cp932, out);
  return out;
}

bool Utf8ToCp932(std::string_view utf8, std::string& out) {
  const iconv_t cd = ::iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return AsciiOnly(utf8, out, "?");
  const bool clean = Convert(cd, utf8, out, "?", Utf8SequenceLength);
  ::iconv_close(cd);
  return clean;
}

}  // namespace kr70::lang
