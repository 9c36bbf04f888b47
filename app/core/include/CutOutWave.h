// CutOutWave — the WAV writer of the waveform cut-out dialog: a slice of a
// waveform in volts as a mono PCM file of 8 or 16 bits.
//
// File layout: the 44-byte header ("RIFF", data length + 36, "WAVE", "fmt ",
// 16, PCM 1, mono 1, sampling frequency, frequency × bits / 8, bits / 8,
// bits, "data", data length), little-endian, then count samples. A sample v
// is first clamped to −5.0 … +5.0 V; 8 bit writes 128 + trunc(v × 25.5)
// (1 … 255), 16 bit the signed trunc(v × 65534 / 10) (±32767 at ±5 V).
//
// The clamping writes the clamped value back into the caller's array, so the
// source waveform afterwards holds what the file holds. A NaN sample is
// written as 0 V and left as it is.
//
// The file is written under a temporary name in the target's directory and
// renamed over the target only when complete: a failure never leaves a
// partial file under the target name (an old file there stays as it was).
#ifndef KR70_APP_CORE_CUTOUTWAVE_H
#define KR70_APP_CORE_CUTOUTWAVE_H

#include <cstdint>
#include <string>

namespace kr70 {

// Results of WriteCutOutWave.
inline constexpr int32_t kCutOutWritten = 0;
inline constexpr int32_t kCutOutNoMemory = -1;    // the sample buffer, or a file beyond 4 GiB
inline constexpr int32_t kCutOutNotCreated = -2;  // the file cannot be created or put in place
inline constexpr int32_t kCutOutIncomplete = -3;  // header or data not fully written

uint8_t EncodeSample8(double volts);
int16_t EncodeSample16(double volts);

// Writes samples[0 … count − 1] (clamped in place) to path with the given
// sampling frequency and bits (8 or 16; anything else is taken as 16).
// samples may be null when count is 0.
int32_t WriteCutOutWave(const std::string& path, double* samples, uint32_t count, uint32_t samplingFrequency,
                        int32_t bits);

}  // namespace kr70

#endif
