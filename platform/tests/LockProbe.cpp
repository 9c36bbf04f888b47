// Second process for the named-lock tests.
//   lmp-lock-probe try NAME    exit 0 created, 1 already exists, 2 error
//   lmp-lock-probe hold NAME   takes the lock, prints "held", keeps it until
//                              standard input closes, exit as for "try"
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "LmPlatform.h"

int main(int argc, char** argv) {
  if (argc != 3) return 3;
  lmp::NamedLock lock;
  lmp::NamedLock::Result result = lock.Create(argv[2]);
  int code = result == lmp::NamedLock::kCreated ? 0 : result == lmp::NamedLock::kAlreadyExists ? 1 : 2;
  if (std::strcmp(argv[1], "hold") == 0) {
    std::printf("%s\n", code == 0 ? "held" : "refused");
    std::fflush(stdout);
    char c;
    while (read(0, &c, 1) > 0) {
    }
  }
  return code;
}
