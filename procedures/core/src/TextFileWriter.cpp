#include "TextFileWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "TextFormat.h"

namespace lmwacore {

namespace {
constexpr std::size_t kBufferSize = 1 << 18;
constexpr int kOpenFailed = -300;
constexpr int kWriteFailed = -301;
}  // namespace

TextFileWriter::~TextFileWriter()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int TextFileWriter::Open(const char* path)
{
    if (path == nullptr || path[0] == '\0') {
        return kOpenFailed;
    }
    do {
        // Non-blocking only for the open itself, so that a FIFO without a
        // reader fails instead of hanging.
        fd_ = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        return kOpenFailed;
    }
    int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        ::close(fd_);
        fd_ = -1;
        return kOpenFailed;
    }
    buffer_.resize(kBufferSize);
    used_ = 0;
    failed_ = false;
    return 0;
}

void TextFileWriter::Flush()
{
    const char* data = buffer_.data();
    std::size_t left = used_;
    used_ = 0;
    while (left > 0 && !failed_) {
        ssize_t written = ::write(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed_ = true;
        } else if (written == 0) {
            failed_ = true;  // no progress: treat as a full device
        } else {
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
}

char* TextFileWriter::Reserve(std::size_t count)
{
    if (used_ + count > buffer_.size()) {
        Flush();
    }
    return buffer_.data() + used_;
}

void TextFileWriter::Char(char c)
{
    *Reserve(1) = c;
    ++used_;
}

void TextFileWriter::Text(std::string_view text)
{
    while (!text.empty()) {
        std::size_t room = buffer_.size() - used_;
        if (room == 0) {
            Flush();
            continue;
        }
        std::size_t part = text.size() < room ? text.size() : room;
        std::memcpy(buffer_.data() + used_, text.data(), part);
        used_ += part;
        text.remove_prefix(part);
    }
}

void TextFileWriter::Unsigned(uint32_t value)
{
    char* out = Reserve(11);
    used_ = static_cast<std::size_t>(AppendUnsigned(out, value) - buffer_.data());
}

void TextFileWriter::Fixed10(double value)
{
    char* out = Reserve(kMaxFixed10Chars);
    used_ = static_cast<std::size_t>(AppendFixed10(out, value) - buffer_.data());
}

void TextFileWriter::KeyUnsigned(std::string_view key, uint32_t value)
{
    Text(key);
    Unsigned(value);
    EndLine();
}

void TextFileWriter::KeyFixed10(std::string_view key, double value)
{
    Text(key);
    Fixed10(value);
    EndLine();
}

void TextFileWriter::KeyText(std::string_view key, std::string_view value)
{
    Text(key);
    Text(value);
    EndLine();
}

int TextFileWriter::Close()
{
    if (fd_ < 0) {
        return kWriteFailed;
    }
    if (!failed_) {
        Flush();
    }
    // The descriptor is gone after close even when it reports an error, so it
    // is never closed twice; EINTR is treated as a failure (the data may be lost).
    int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        failed_ = true;
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
    return failed_ ? kWriteFailed : 0;
}

}  // namespace lmwacore
