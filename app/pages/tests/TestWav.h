#pragma once
// Writes a 16-bit mono PCM WAV for tests: sample i = amplitude · sin(i · step).
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

namespace kr70::testing {

inline void writeTestWav(const std::string& path, uint32_t rate, uint32_t count, double amplitude,
                         double step) {
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + count * 2);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(count * 2);
  for (uint32_t i = 0; i < count; ++i)
    u16(static_cast<uint16_t>(static_cast<int16_t>(amplitude * std::sin(i * step))));
}

}  // namespace kr70::testing
