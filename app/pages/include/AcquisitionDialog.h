#pragma once
// Decisions of the acquisition settings dialog (134): which frequency radio
// the stored frequency selects, the snap of a free frequency, the sampling
// frequency and sample count the radios and the time give, which controls
// are enabled, and the base name a chosen file is reduced to. The Qt window
// only shows them.
#include <cstdint>
#include <string>

namespace kr70::acquisitiondialog {

inline constexpr uint32_t kSoundCardFrequencies[5] = {11025, 22050, 32000, 44100, 48000};
inline constexpr uint32_t kAdBoardFrequencies[5] = {10000, 20000, 25000, 40000, 50000};
inline constexpr int32_t kGains[7] = {1, 2, 5, 10, 20, 50, 100};
inline constexpr int kFreeFrequencyRadio = 5;
inline constexpr int32_t kMaxTriggerWaitMs = 1000;

// Radio index 0 … 4 of the frequency for boardKind (2 A/D board, else the
// sound card). exactChoice: a board chosen before with both boards usable,
// where only the exact frequencies select their radio (others 50000 Hz on
// the A/D board, 22050 Hz on the sound card); otherwise by ranges.
int FrequencyRadio(int32_t boardKind, uint32_t frequency, bool exactChoice);

// The standard sound-card frequency nearest a free frequency.
uint32_t SnapFreeFrequency(uint32_t frequency);

// Sampling frequency of radio index for the board; index 5 on the sound card
// is the free frequency.
uint32_t SamplingFrequency(int32_t boardKind, int radioIndex, uint32_t freeFrequency);

// Checks the time for the frequency: 0 with *count = trunc(fs · time / 1000),
// else the text id of the warning (2083 time not above 0, 2085 no sample).
int32_t CheckTime(double timeMs, uint32_t frequency, uint32_t* count);

// 0 when the wait after the trigger is accepted, else the warning 2088.
int32_t CheckTriggerWait(int32_t waitMs);

// Gain list entry of a stored gain (any other gain shows "1").
int GainListIndex(int32_t gain);

// Whether the A/D board controls are enabled (else the sound-card radios).
bool AdBoardControlsEnabled(bool viewer, bool adBoardPresent, bool adBoardRadio, int32_t boardKindSet);

// A chosen file reduced to a base name: the extension dropped, then a
// numbered tail "-<digits>" or "-<digits>#<digits>" cut at its "-".
std::string BaseNameFromPath(const std::string& path);

}  // namespace kr70::acquisitiondialog
