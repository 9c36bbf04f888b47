#include "LineReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lmwacore {

namespace {
constexpr std::size_t kBufferSize = 1 << 18;
constexpr int kOpenFailed = -300;

std::string_view WithoutCarriageReturn(std::string_view line)
{
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}
}  // namespace

LineReader::~LineReader()
{
    Close();
}

int LineReader::Open(const char* path)
{
    if (path == nullptr || path[0] == '\0') {
        return kOpenFailed;
    }
    do {
        // Non-blocking so that opening a FIFO cannot hang; only regular files
        // are read afterwards, for which the flag changes nothing.
        fd_ = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        return kOpenFailed;
    }
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        Close();
        return kOpenFailed;
    }
    fileSize_ = static_cast<uint64_t>(status.st_size);
    buffer_.resize(kBufferSize);
    return 0;
}

void LineReader::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool LineReader::Fill()
{
    if (end_ || error_ || fd_ < 0) {
        return false;
    }
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, filled_ - begin_);
        filled_ -= begin_;
        begin_ = 0;
    }
    while (true) {
        ssize_t got = ::read(fd_, buffer_.data() + filled_, buffer_.size() - filled_);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error_ = true;
            return false;
        }
        if (got == 0) {
            end_ = true;
            return false;
        }
        filled_ += static_cast<std::size_t>(got);
        return true;
    }
}

LineReader::Result LineReader::Next(std::string_view& line, std::size_t maxLength)
{
    longLine_.clear();
    bool inLongLine = false;
    std::size_t searchFrom = begin_;
    while (true) {
        const char* start = buffer_.data() + begin_;
        const void* found = std::memchr(buffer_.data() + searchFrom, '\n', filled_ - searchFrom);
        if (found != nullptr) {
            const char* newline = static_cast<const char*>(found);
            std::size_t length = static_cast<std::size_t>(newline - start);
            if (longLine_.size() + length + 1 > maxLength) {
                return Result::TooLong;
            }
            consumed_ += length + 1;
            begin_ += length + 1;
            if (inLongLine) {
                longLine_.append(start, length);
                line = WithoutCarriageReturn(longLine_);
            } else {
                line = WithoutCarriageReturn(std::string_view(start, length));
            }
            return Result::Line;
        }
        std::size_t pending = filled_ - begin_;
        if (longLine_.size() + pending > maxLength) {
            return Result::TooLong;
        }
        if (begin_ == 0 && filled_ == buffer_.size()) {
            // The line does not fit the buffer: keep it aside and read on.
            longLine_.append(buffer_.data(), filled_);
            consumed_ += filled_;
            inLongLine = true;
            begin_ = filled_ = 0;
        }
        searchFrom = filled_ - begin_;
        if (!Fill()) {
            if (error_) {
                return Result::Error;
            }
            std::size_t rest = filled_ - begin_;
            if (rest == 0 && !inLongLine) {
                return Result::End;
            }
            consumed_ += rest;
            if (inLongLine) {
                longLine_.append(buffer_.data() + begin_, rest);
                line = WithoutCarriageReturn(longLine_);
            } else {
                line = WithoutCarriageReturn(std::string_view(buffer_.data() + begin_, rest));
            }
            begin_ = filled_;
            return Result::Line;
        }
    }
}

}  // namespace lmwacore
