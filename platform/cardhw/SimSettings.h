// Settings of the simulated A/D card and its test signal (internal).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LmCardHw.h"

namespace lmp::cardhw {

struct SimSettings {
  enum class Kind { kUnipolar, kBipolar, kOther };
  Kind kind = Kind::kUnipolar;
  unsigned slot = 0;
  uint16_t ioBase = 0x300;
  uint8_t irq = 10;
  double toneHz = 1000.0;
  bool noise = true;
  bool clicks = false;
  std::string wavPath;
  int64_t startTriggerMs = -1;  // < 0: no automatic start trigger
  int64_t stopTriggerMs = -1;
  int64_t overrunAfter = -1;    // < 0: no overrun
  sim::RegisterTimeout timeout = sim::RegisterTimeout::kNone;
};

// Applies "key=value,key=value" on top of *settings. False with *error for an
// unknown key or a bad value; *settings is then unchanged.
bool ParseSimOptions(const std::string& options, SimSettings* settings, std::string* error);

// The signal the simulated card converts: the built-in test signal (a tone
// per channel, optional noise and clicks) or a looped mono WAV file.
class SignalSource {
 public:
  // False (with *error) when the WAV file cannot be read.
  bool Load(const SimSettings& settings, std::string* error);
  uint16_t Code(unsigned channel, uint64_t scan, double periodUs) const;

 private:
  SimSettings settings_;
  std::vector<int16_t> wav_;
};

// The card names the enumeration reports.
const char* SimCardName(SimSettings::Kind kind);

}  // namespace lmp::cardhw
