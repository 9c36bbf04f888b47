// The one seam through which LmPlatform reaches the operating system.
//
// Every OS call of the platform layer goes through this table, so a test can
// replace an entry with a function that fails (for example sets errno to
// EBUSY and returns -1) and check that the failure is reported. Replace
// entries only while no other thread uses the platform layer; call
// ResetOsCalls() afterwards (OsCallsOverride does both).
#pragma once

#include <cstddef>
#include <sys/stat.h>
#include <sys/types.h>

namespace lmp {

struct OsCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  int (*close)(int fd);
  int (*flock)(int fd, int operation);
  int (*mkdir)(const char* path, mode_t mode);
  void* (*dlopen)(const char* file, int mode);
  void* (*dlsym)(void* handle, const char* symbol);
  int (*dlclose)(void* handle);
  void* (*calloc)(size_t count, size_t size);
  void (*free)(void* block);
  ssize_t (*read)(int fd, void* buffer, size_t bytes);
  ssize_t (*write)(int fd, const void* buffer, size_t bytes);
  int (*lstat)(const char* path, struct stat* info);
  ssize_t (*readlink)(const char* path, char* buffer, size_t size);
  int (*access)(const char* path, int mode);
};

// The table in use (process-wide).
OsCalls& Os();
// Restores the real calls.
void ResetOsCalls();

// Scoped replacement for tests: restores every entry when it goes away.
class OsCallsOverride {
 public:
  OsCallsOverride() = default;
  ~OsCallsOverride() { ResetOsCalls(); }
  OsCallsOverride(const OsCallsOverride&) = delete;
  OsCallsOverride& operator=(const OsCallsOverride&) = delete;
  OsCalls* operator->() { return &Os(); }
};

}  // namespace lmp
