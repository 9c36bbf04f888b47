#include "LmPlatform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace lmp {
namespace {

// Lock files held by objects of this process. flock already refuses a second
// open file description, but the table also answers for locks that a forked
// child inherited and makes the in-process answer independent of the kernel.
struct Holders {
  std::mutex mutex;
  std::set<std::string> paths;
};

Holders& HeldHere() {
  static Holders* holders = new Holders;
  return *holders;
}

// Keeps letters, digits, '-', '_' and '.', except a leading '.'; every other
// byte becomes %XX, so distinct names give distinct files.
std::string EscapeName(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '_' || (c == '.' && p != name);
    if (plain) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

std::string LockDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime == '/') return runtime;
  return "/tmp/kr70-" + std::to_string(::getuid());
}

// The fallback folder under /tmp must be a real folder of ours, not a link
// or somebody else's folder planted there.
int EnsureDirectory(const std::string& dir) {
  if (Os().mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  struct stat info;
  if (Os().lstat(dir.c_str(), &info) != 0) return errno;
  if (!S_ISDIR(info.st_mode)) return ENOTDIR;
  if (info.st_uid != ::getuid()) return EPERM;
  return 0;
}

}  // namespace

std::string NamedLock::LockFilePath(const char* name) {
  if (name == nullptr || *name == 0) return {};
  return LockDirectory() + "/" + EscapeName(name) + ".lock";
}

NamedLock::~NamedLock() { Release(); }

NamedLock::Result NamedLock::Create(const char* name) {
  Release();
  lastErrno_ = 0;
  std::string path = LockFilePath(name);
  if (path.empty()) {
    lastErrno_ = EINVAL;
    return kError;
  }
  Holders& holders = HeldHere();
  std::lock_guard<std::mutex> lock(holders.mutex);
  if (holders.paths.count(path)) return kAlreadyExists;
  if (std::getenv("XDG_RUNTIME_DIR") == nullptr || *std::getenv("XDG_RUNTIME_DIR") != '/') {
    if (int err = EnsureDirectory(LockDirectory())) {
      lastErrno_ = err;
      return kError;
    }
  }
  int fd = Os().open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    lastErrno_ = errno;
    return kError;
  }
  if (Os().flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    Os().close(fd);
    if (err == EWOULDBLOCK) return kAlreadyExists;
    lastErrno_ = err;
    return kError;
  }
  holders.paths.insert(path);
  fd_ = fd;
  path_ = path;
  return kCreated;
}

void NamedLock::Release() {
  if (fd_ < 0) return;
  Holders& holders = HeldHere();
  std::lock_guard<std::mutex> lock(holders.mutex);
  // Closing the descriptor drops the flock; the file stays for the next one.
  Os().close(fd_);
  holders.paths.erase(path_);
  fd_ = -1;
  path_.clear();
}

}  // namespace lmp
