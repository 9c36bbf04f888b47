// Buffered writer of one result file over a POSIX file descriptor.
#ifndef LMWACORE_TEXTFILEWRITER_H
#define LMWACORE_TEXTFILEWRITER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lmwacore {

// Opens, fills and closes one text file. A regular or new target is written
// as a temporary file in its directory (unnamed where the file system allows),
// flushed to disk and renamed over the target by Close, so that a crash or a
// failure leaves either the old complete file or the new one. A target that
// exists but is no regular file (a device, a FIFO) is written in place. A
// symbolic link is followed, and an old file's permission bits are kept.
// After the first failed write every further output is dropped and Close
// reports -301; Close also reports a failed flush, close or rename. Destroying
// an unclosed writer discards the temporary file.
class TextFileWriter {
public:
    TextFileWriter() = default;
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Starts the replacement of path: 0, or -300 when the temporary file (or
    // the non-regular target) cannot be opened.
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

    // Flushes, closes and puts the file in place: 0, or -301 when any write,
    // the flush, the close or the rename failed (the target is then untouched).
    int Close();

private:
    void Char(char c);
    // Makes room for `count` more characters, flushing when needed.
    char* Reserve(std::size_t count);
    void Flush();

    void Discard();

    int fd_ = -1;
    bool failed_ = false;
    bool inPlace_ = false;     // writing a device or FIFO directly
    bool unnamed_ = false;     // fd_ is an O_TMPFILE file not linked yet
    std::string target_;       // the file replaced by Close
    std::string temporary_;    // the named temporary file, when there is one
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

}  // namespace lmwacore

#endif
