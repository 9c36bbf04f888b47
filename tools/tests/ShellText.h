// Small helpers of the tests that run the tools as programs through a shell.
#ifndef KR70_TOOLS_TESTS_SHELLTEXT_H
#define KR70_TOOLS_TESTS_SHELLTEXT_H

#include <fstream>
#include <iterator>
#include <string>

namespace kr70::test {

// s as one single-quoted shell word.
inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The whole content of a file ("" when it cannot be read).
inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kr70::test

#endif
