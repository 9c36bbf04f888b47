// Whole writes and reads on file descriptors for the recorder libraries:
// retried on EINTR and on short transfers. Header-only.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace kr70::fileio {

// True when all bytes were written.
inline bool WriteAll(int fd, const unsigned char* data, size_t bytes) {
  while (bytes > 0) {
    ssize_t n = write(fd, data, bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

// Bytes read until the end of file or `bytes`; -1 on a read error.
inline ssize_t ReadUpTo(int fd, unsigned char* data, size_t bytes) {
  size_t done = 0;
  while (done < bytes) {
    ssize_t n = read(fd, data + done, bytes - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace kr70::fileio
