#include "TextFileWriter.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "TextFormat.h"

namespace lmwacore {

namespace {
constexpr std::size_t kBufferSize = 1 << 18;
constexpr int kOpenFailed = -300;
constexpr int kWriteFailed = -301;

// The process umask, read without changing it (umask() would, for a moment,
// for every thread). Falls back to the common 022.
mode_t CurrentUmask()
{
    mode_t mask = 022;
    int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return mask;
    }
    char text[4096];
    ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got > 0) {
        text[got] = '\0';
        if (const char* line = std::strstr(text, "\nUmask:")) {
            mask = static_cast<mode_t>(std::strtoul(line + 7, nullptr, 8)) & 0777;
        }
    }
    return mask;
}

// The file a path names: a symbolic link is followed so that the link itself
// survives the replacement.
std::string ResolveLink(const char* path)
{
    struct stat info {};
    if (::lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path, resolved) != nullptr) {
            return resolved;
        }
    }
    return path;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A temporary file in directory: unnamed (O_TMPFILE, nothing is left behind
// by a crash) where the file system and /proc allow linking it later, else a
// named "~LmWA.XXXXXX" in `name`.
int OpenTemporary(const std::string& directory, bool& unnamed, std::string& name)
{
    unnamed = false;
    name.clear();
#ifdef O_TMPFILE
    if (::access("/proc/self/fd", X_OK) == 0) {
        int fd = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            unnamed = true;
            return fd;
        }
    }
#endif
    name = directory + "/~LmWA.XXXXXX";
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        name.clear();
    }
    return fd;
}

// Gives an unnamed temporary file a unique name in directory, for the rename.
bool LinkUnnamed(int fd, const std::string& directory, std::string& name)
{
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'x');
        for (char& c : suffix) {
            c = kLetters[random() % (sizeof kLetters - 1)];
        }
        name = directory + "/~LmWA." + suffix;
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    name.clear();
    return false;
}

// Makes the rename itself durable; the replacement has already happened, so a
// failure here is no error.
void SyncDirectory(const std::string& directory)
{
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

TextFileWriter::~TextFileWriter()
{
    Discard();
}

void TextFileWriter::Discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    unnamed_ = false;
}

int TextFileWriter::Open(const char* path)
{
    Discard();
    if (path == nullptr || path[0] == '\0') {
        return kOpenFailed;
    }
    target_ = ResolveLink(path);
    inPlace_ = false;
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        if (S_ISDIR(old.st_mode)) {
            return kOpenFailed;
        }
        // A device or FIFO is written to, never replaced. Non-blocking only
        // for the open itself, so that a FIFO without a reader fails instead
        // of hanging.
        inPlace_ = true;
        do {
            fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        } while (fd_ < 0 && errno == EINTR);
        int flags = fd_ < 0 ? -1 : ::fcntl(fd_, F_GETFL);
        if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) < 0) {
            Discard();
            return kOpenFailed;
        }
    } else {
        const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
        fd_ = OpenTemporary(DirectoryOf(target_), unnamed_, temporary_);
        if (fd_ < 0) {
            return kOpenFailed;
        }
        (void)::fchmod(fd_, mode);  // a courtesy: the content matters more
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
    if (!inPlace_ && !failed_) {
        failed_ = ::fsync(fd_) != 0;
        if (!failed_ && unnamed_) {
            failed_ = !LinkUnnamed(fd_, DirectoryOf(target_), temporary_);
            unnamed_ = false;
        }
    }
    // The descriptor is gone after close even when it reports an error, so it
    // is never closed twice; EINTR is treated as a failure (the data may be lost).
    int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        failed_ = true;
    }
    if (!inPlace_ && !failed_) {
        failed_ = ::rename(temporary_.c_str(), target_.c_str()) != 0;
        if (!failed_) {
            temporary_.clear();
            SyncDirectory(DirectoryOf(target_));
        }
    }
    Discard();
    buffer_.clear();
    buffer_.shrink_to_fit();
    return failed_ ? kWriteFailed : 0;
}

}  // namespace lmwacore
