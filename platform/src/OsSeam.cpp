#include "LmOsSeam.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace lmp {
namespace {

int RealOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

OsCalls RealCalls() {
  OsCalls calls{};
  calls.open = RealOpen;
  calls.close = ::close;
  calls.flock = ::flock;
  calls.mkdir = ::mkdir;
  calls.dlopen = ::dlopen;
  calls.dlsym = ::dlsym;
  calls.dlclose = ::dlclose;
  calls.calloc = std::calloc;
  calls.free = std::free;
  calls.read = ::read;
  calls.write = ::write;
  calls.lstat = ::lstat;
  calls.readlink = ::readlink;
  calls.access = ::access;
  return calls;
}

OsCalls& Table() {
  static OsCalls table = RealCalls();
  return table;
}

}  // namespace

OsCalls& Os() { return Table(); }

void ResetOsCalls() { Table() = RealCalls(); }

}  // namespace lmp
