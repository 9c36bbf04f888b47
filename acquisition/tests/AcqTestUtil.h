// Helpers shared by the acquisition tests: scratch folders, WAV images built
// byte by byte (so malformed ones can be made), whole-file reads, and a window
// whose messages are counted.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "LmPlatform.h"

namespace kr70test {

// CPU seconds of the calling thread, and of the whole process.
inline double ThreadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}
inline double ProcessCpu() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

inline std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  unsigned char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

inline bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return (std::fclose(f) == 0) && ok;
}

inline void Put16(std::vector<unsigned char>& v, uint32_t x) {
  v.push_back(static_cast<unsigned char>(x & 0xFF));
  v.push_back(static_cast<unsigned char>((x >> 8) & 0xFF));
}
inline void Put32(std::vector<unsigned char>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
inline void PutId(std::vector<unsigned char>& v, const char* id) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(id[i]));
}
inline uint32_t Get32(const std::vector<unsigned char>& v, size_t at) {
  return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (static_cast<uint32_t>(v[at + 3]) << 24);
}
inline uint32_t Get16(const std::vector<unsigned char>& v, size_t at) { return v[at] | (v[at + 1] << 8); }

// A WAV image: RIFF header, "fmt " chunk, optional extra chunk, "data".
struct WavImage {
  uint32_t formatTag = 1;
  uint32_t channels = 1;
  uint32_t rate = 8000;
  uint32_t bits = 16;
  uint32_t align = 2;
  std::vector<unsigned char> extraChunk;  // whole chunk (id, size, payload) before "data"
  std::vector<unsigned char> data;
  int64_t dataSizeOverride = -1;  // a "data" size field that lies

  std::vector<unsigned char> Bytes() const {
    std::vector<unsigned char> v;
    PutId(v, "RIFF");
    Put32(v, static_cast<uint32_t>(36 + extraChunk.size() + data.size()));
    PutId(v, "WAVE");
    PutId(v, "fmt ");
    Put32(v, 16);
    Put16(v, formatTag);
    Put16(v, channels);
    Put32(v, rate);
    Put32(v, rate * align);
    Put16(v, align);
    Put16(v, bits);
    v.insert(v.end(), extraChunk.begin(), extraChunk.end());
    PutId(v, "data");
    Put32(v, dataSizeOverride >= 0 ? static_cast<uint32_t>(dataSizeOverride)
                                   : static_cast<uint32_t>(data.size()));
    v.insert(v.end(), data.begin(), data.end());
    return v;
  }
};

inline std::vector<unsigned char> Samples16(const std::vector<int16_t>& s) {
  std::vector<unsigned char> v;
  for (int16_t x : s) Put16(v, static_cast<uint16_t>(x));
  return v;
}

// A scratch folder removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/kr70-acq-XXXXXX";
    const char* dir = mkdtemp(pattern);
    path_ = dir != nullptr ? dir : "";
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace kr70test
