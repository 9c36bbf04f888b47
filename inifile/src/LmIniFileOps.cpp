#include "LmIniFileOps.h"

#include <LmIni.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lmini {
namespace {

std::FILE* RealOpenRead(const char* path) { return std::fopen(path, "rb"); }
int RealMakeTemp(char* pathTemplate) { return mkostemp(pathTemplate, O_CLOEXEC); }

const FileOps kRealOps = {RealOpenRead, RealMakeTemp, ::write, ::fsync, ::close, ::rename};

FileOps& CurrentOps()
{
    static FileOps ops = kRealOps;
    return ops;
}

// The process umask, read without changing it (umask() would, for a moment,
// for every thread). Falls back to the common 022.
mode_t CurrentUmask()
{
    mode_t mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = mode_t(std::strtoul(line + 6, nullptr, 8)) & 0777;
                break;
            }
        }
        std::fclose(status); // read-only stream: nothing to lose on failure
    }
    return mask;
}

// The path that is really replaced: a symbolic link is followed so that the
// link itself survives.
std::string ResolveTarget(const char* target)
{
    struct stat linkInfo;
    if (lstat(target, &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(target, resolved)) return resolved;
    }
    return target;
}

std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t written = Os().write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

// Makes the rename itself durable. The replacement has already happened when
// this runs, so a failure here does not turn it into an error.
void SyncDirectory(const std::string& directory)
{
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    (void)::close(fd);
}

} // namespace

FileOps& Os() { return CurrentOps(); }
const FileOps& RealOs() { return kRealOps; }

std::FILE* OpenForReading(const char* path)
{
    std::FILE* stream = Os().openRead(path);
    if (!stream) return nullptr;
    struct stat info;
    if (fstat(fileno(stream), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(stream);
        errno = EISDIR;
        return nullptr;
    }
    return stream;
}

int ReplaceFileContent(const char* target, const std::string& content)
{
    const std::string path = ResolveTarget(target);
    const std::string directory = DirectoryOf(path);

    mode_t mode = 0666 & ~CurrentUmask();
    struct stat old;
    if (stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;

    std::string tempName = directory + "/~LmPara.XXXXXX";
    int fd = Os().makeTemp(tempName.data());
    if (fd < 0) return LMINI_OPEN_ERROR;

    // Permission bits are a courtesy; some file systems refuse them, and the
    // content matters more than the mode.
    (void)fchmod(fd, mode);

    bool written = WriteAll(fd, content.data(), content.size());
    written = written && Os().fsync(fd) == 0;
    if (Os().close(fd) != 0) written = false;
    if (!written) {
        ::unlink(tempName.c_str());
        return LMINI_WRITE_ERROR;
    }
    if (Os().rename(tempName.c_str(), path.c_str()) != 0) {
        ::unlink(tempName.c_str());
        return LMINI_RENAME_ERROR;
    }
    SyncDirectory(directory);
    return LMINI_OK;
}

} // namespace lmini
