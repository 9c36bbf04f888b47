// The 44-byte mono PCM WAV header both recorders write, and little-endian
// field access for the readers. Header-only, shared by the recorder libraries.
#pragma once

#include <cstdint>
#include <cstring>

namespace kr70::wav {

constexpr uint32_t kHeaderBytes = 44;

inline void PutU16(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}
inline void PutU32(unsigned char* p, uint32_t v) {
  PutU16(p, v & 0xFFFF);
  PutU16(p + 2, v >> 16);
}
inline uint32_t GetU16(const unsigned char* p) { return p[0] | (static_cast<uint32_t>(p[1]) << 8); }
inline uint32_t GetU32(const unsigned char* p) { return GetU16(p) | (GetU16(p + 2) << 16); }
inline bool IdIs(const unsigned char* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

struct PcmFields {
  uint32_t dataLength = 0;      // bytes of samples after the header
  uint32_t formatTag = 1;
  uint32_t channels = 1;
  uint32_t samplesPerSec = 0;
  uint32_t bytesPerSec = 0;
  uint32_t blockAlign = 0;
  uint32_t bitsPerSample = 0;
};

// "RIFF" <data+36> "WAVE" "fmt " 16 <fields> "data" <data>.
inline void BuildHeader(unsigned char out[kHeaderBytes], const PcmFields& f) {
  std::memcpy(out + 0, "RIFF", 4);
  PutU32(out + 4, f.dataLength + kHeaderBytes - 8);
  std::memcpy(out + 8, "WAVE", 4);
  std::memcpy(out + 12, "fmt ", 4);
  PutU32(out + 16, 16);
  PutU16(out + 20, f.formatTag);
  PutU16(out + 22, f.channels);
  PutU32(out + 24, f.samplesPerSec);
  PutU32(out + 28, f.bytesPerSec);
  PutU16(out + 32, f.blockAlign);
  PutU16(out + 34, f.bitsPerSample);
  std::memcpy(out + 36, "data", 4);
  PutU32(out + 40, f.dataLength);
}

}  // namespace kr70::wav
