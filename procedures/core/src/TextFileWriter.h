// Buffered writer of one result file over a POSIX file descriptor.
#ifndef LMWACORE_TEXTFILEWRITER_H
#define LMWACORE_TEXTFILEWRITER_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lmwacore {

// Opens, fills and closes one text file. After the first failed write every
// further output is dropped and Close reports -301; Close also reports a failed
// close. Destroying an unclosed writer closes the descriptor.
class TextFileWriter {
public:
    TextFileWriter() = default;
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Creates or truncates path: 0, or -300 when it cannot be opened.
    int Open(const char* path);

    void Text(std::string_view text);
    void Unsigned(uint32_t value);
    void Fixed10(double value);
    void Comma() { Char(','); }
    void EndLine() { Char('\n'); }

    // "key" + unsigned value + line end, and the like.
    void KeyUnsigned(std::string_view key, uint32_t value);
    void KeyFixed10(std::string_view key, double value);
    void KeyText(std::string_view key, std::string_view value);

    // Flushes and closes: 0, or -301 when any write or the close failed.
    int Close();

private:
    void Char(char c);
    // Makes room for `count` more characters, flushing when needed.
    char* Reserve(std::size_t count);
    void Flush();

    int fd_ = -1;
    bool failed_ = false;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

}  // namespace lmwacore

#endif
