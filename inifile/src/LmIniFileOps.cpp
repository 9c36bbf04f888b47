#include "LmIniFileOps.h"

#include <LmIni.h>

#include <cctype>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <random>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lmini {
namespace {

// Non-blocking, so that a pipe in the file's place cannot stall the open.
std::FILE* RealOpenRead(const char* path)
{
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    std::FILE* stream = fdopen(fd, "rb");
    if (!stream) {
        int error = errno;
        ::close(fd);
        errno = error;
    }
    return stream;
}
int RealMakeTemp(char* pathTemplate) { return mkostemp(pathTemplate, O_CLOEXEC); }

// An unnamed file in directory, when it can be linked later through /proc.
int RealMakeUnnamedTemp(const char* directory)
{
#ifdef O_TMPFILE
    if (::access("/proc/self/fd", X_OK) != 0) return -1;
    return ::open(directory, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
    (void)directory;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

const FileOps kRealOps = {RealOpenRead, RealMakeUnnamedTemp, RealMakeTemp, ::write, ::fsync, ::close, ::rename};

constexpr char kTempPrefix[] = "~LmPara.";
constexpr size_t kTempSuffixLength = 6;

bool IsTempName(const char* name)
{
    const size_t prefix = sizeof kTempPrefix - 1;
    if (std::strncmp(name, kTempPrefix, prefix) != 0 || std::strlen(name) != prefix + kTempSuffixLength)
        return false;
    for (const char* p = name + prefix; *p != '\0'; ++p)
        if (!std::isalnum(static_cast<unsigned char>(*p))) return false;
    return true;
}

// Gives an unnamed temporary file a unique "~LmPara.XXXXXX" name in directory.
bool LinkUnnamed(int fd, const std::string& directory, std::string& name)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = directory + "/" + kTempPrefix;
        for (size_t i = 0; i < kTempSuffixLength; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) break;
    }
    name.clear();
    return false;
}

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
    // Only regular files are parameter files: a directory, a device or a pipe
    // would give a read error, endless input or no input at all.
    struct stat info;
    if (fstat(fileno(stream), &info) == 0 && !S_ISREG(info.st_mode)) {
        std::fclose(stream);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    return stream;
}

int ReplaceFileContent(const char* target, const std::string& content)
{
    const std::string path = ResolveTarget(target);
    const std::string directory = DirectoryOf(path);

    // Only a regular file is replaced: renaming over a device, a pipe or a
    // directory would destroy it rather than write to it.
    mode_t mode = 0666 & ~CurrentUmask();
    struct stat old;
    const bool exists = stat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return LMINI_OPEN_ERROR;
    if (exists) mode = old.st_mode & 07777;

    RemoveStaleTemporaries(directory, 3600);
    std::string tempName;
    int fd = Os().makeUnnamedTemp(directory.c_str());
    const bool unnamed = fd >= 0;
    if (!unnamed) {
        tempName = directory + "/" + kTempPrefix + "XXXXXX";
        fd = Os().makeTemp(tempName.data());
        if (fd < 0) return LMINI_OPEN_ERROR;
    }

    // Owner and permission bits of the old file are a courtesy: an ordinary
    // user may not give a file away, some file systems refuse modes, and the
    // content matters more than either.
    if (exists && (old.st_uid != geteuid() || old.st_gid != getegid()))
        (void)fchown(fd, old.st_uid, old.st_gid);
    (void)fchmod(fd, mode);

    bool written = WriteAll(fd, content.data(), content.size());
    written = written && Os().fsync(fd) == 0;
    if (written && unnamed && !LinkUnnamed(fd, directory, tempName)) {
        Os().close(fd);
        return LMINI_OPEN_ERROR;
    }
    if (Os().close(fd) != 0) written = false;
    if (!written) {
        if (!tempName.empty()) ::unlink(tempName.c_str());
        return LMINI_WRITE_ERROR;
    }
    if (Os().rename(tempName.c_str(), path.c_str()) != 0) {
        ::unlink(tempName.c_str());
        return LMINI_RENAME_ERROR;
    }
    SyncDirectory(directory);
    return LMINI_OK;
}

void RemoveStaleTemporaries(const std::string& directory, long maxAgeSeconds)
{
    DIR* folder = ::opendir(directory.c_str());
    if (!folder) return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(folder)) {
        if (!IsTempName(entry->d_name)) continue;
        struct stat info;
        if (::fstatat(dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(info.st_mode) && now - info.st_mtime > maxAgeSeconds)
            (void)::unlinkat(dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

} // namespace lmini
