#include "LmOsSeam.h"
#include "LmPlatform.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace lmp {

std::string UserDirectoryPath(UserDirectory kind) {
  const bool data = kind == UserDirectory::Data;
  std::string base;
  const char* xdg = std::getenv(data ? "XDG_DATA_HOME" : "XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    base = std::string(home) + (data ? "/.local/share" : "/.cache");
  } else {
    return {};
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/Ostrel/KR70";
}

std::string WritableOrUserDirectory(const std::string& directory, UserDirectory fallback) {
  if (directory.empty() || Os().access(directory.c_str(), W_OK | X_OK) == 0) return directory;
  if (errno != EACCES && errno != EPERM && errno != EROFS) return directory;
  const std::string user = UserDirectoryPath(fallback);
  if (user.empty()) return directory;
  if (fallback == UserDirectory::Cache) {
    // Each missing component, from the left; one that exists is fine.
    for (size_t slash = user.find('/', 1);; slash = user.find('/', slash + 1)) {
      const std::string part = user.substr(0, slash);
      if (Os().mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return directory;
      if (slash == std::string::npos) break;
    }
  }
  return user;
}

}  // namespace lmp
