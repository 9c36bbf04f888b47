// Reads a regular file line by line through a fixed buffer.
#ifndef LMWACORE_LINEREADER_H
#define LMWACORE_LINEREADER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lmwacore {

class LineReader {
public:
    enum class Result { Line, End, TooLong, Error };

    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens a regular file for reading: 0, or -300 when it cannot be opened or
    // is not a regular file (a directory, a device, a FIFO).
    int Open(const char* path);

    // The next line without its "\n" or "\r\n". A last line without a line end
    // counts. With maxLength, a line whose length including its line end
    // exceeds it gives TooLong. The view stays valid until the next call.
    Result Next(std::string_view& line, std::size_t maxLength = SIZE_MAX);

    // Bytes of the file not yet handed out as lines (from its size at opening).
    uint64_t BytesLeft() const { return fileSize_ > consumed_ ? fileSize_ - consumed_ : 0; }

    void Close();

private:
    bool Fill();  // reads more bytes behind the buffered ones; false at end or error

    int fd_ = -1;
    bool end_ = false;
    bool error_ = false;
    uint64_t fileSize_ = 0;
    uint64_t consumed_ = 0;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first unread byte in buffer_
    std::size_t filled_ = 0; // end of the valid bytes in buffer_
    std::string longLine_;   // a line longer than the buffer
};

}  // namespace lmwacore

#endif
