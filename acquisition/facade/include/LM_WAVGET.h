// LM_WAVGET: the acquisition facade CLmWavGet, the only acquisition interface
// the main program uses.
//
// It owns at most one recorder per kind, chosen by the board kind: 1 the
// sound card (AcSoundBlaster, LmSBBd), 2 the A/D board (CLmAdCard, Lm_AdCard),
// 0 none. ChangeBoardSet probes the hardware (or, with fileOnly, touches none
// and only lets saved WAV files be read back). Every other call is forwarded
// to the recorder of the current kind; see each method for the answer when
// there is none. Status codes are the recorders' (0 success, negative
// failure). No lock: call from one (user-interface) thread; do not call
// Halt, ChangeBoardSet or the destructor from a handler that a running
// StartRec dispatches.
#pragma once

#include <cstdint>

#include "LmPlatform.h"
#include "LmSBBd.h"
#include "Lm_AdCard.h"

class __attribute__((visibility("default"))) CLmWavGet {
 public:
  CLmWavGet() = default;
  ~CLmWavGet();
  CLmWavGet(const CLmWavGet&) = delete;
  CLmWavGet& operator=(const CLmWavGet&) = delete;

  // kind 0: probe the A/D board (16 bits, channel 1, 5000 samples at
  // 50000 Hz), then, if it fails, the sound card (100 samples at 11205 Hz);
  // 1 or 2: probe that one. fileOnly non-zero: no probe, recording refused.
  // 0 when the board answered, else the recorder's code (kind becomes 0);
  // -1 for another kind.
  int ChangeBoardSet(int32_t boardKind, int fileOnly);
  int32_t GetBoardKind() const { return boardKind_; }

  // -100 in file-only mode, for kind 0, or when no recorder can be made.
  // The sound card always gets one channel.
  int Initialize(int bits, int channel, int gain, unsigned count, unsigned frequency,
                 uint32_t timeout);
  // -100 in file-only mode or without a recorder. The sound card gets no
  // window and writes `baseName` itself; the A/D board writes "<base>#NN.wav".
  int StartRec(lmp::HWND window, const char* baseName);
  // A/D board only; -100 otherwise.
  int StopRec();
  // -102 without a recorder of the kind.
  int GetData(double* out, int32_t mode, int32_t channel);
  // File-only mode: kinds 0 and 2 read with the A/D recorder (and become 2),
  // kind 1 with the sound-card recorder. -102 without a recorder.
  int ReadWav(const char* path);
  // A/D board (or file-only mode) only; -1 otherwise.
  int TrgModeSet(int triggerSwitch, lmp::HWND window, int delayMs, const char* baseName);
  int TrgModeStop(int abort, int* count, double** samples);
  // 0 without an A/D recorder (no digital input).
  int GetDISignal(uint16_t* word);
  // Halts and deletes the recorders: the recorder's result, -100 when none
  // was halted. The board kind and the file-only flag stay.
  int Halt();

  // -1 (int getters) or 0 (unsigned getters) without a recorder of the kind.
  int GetDevNum() const;
  int GetChan() const;
  int GetGain() const;
  unsigned GetCount() const;
  unsigned GetSampFreq() const;
  uint32_t GetTimeout() const;

 private:
  CLmAdCard* AdCardOrNew();
  AcSoundBlaster* SoundCardOrNew();
  // The recorder the getters and trigger calls go to, or null.
  const CLmAdCard* ActiveAdCard() const;
  const AcSoundBlaster* ActiveSoundCard() const;

  CLmAdCard* adCard_ = nullptr;
  AcSoundBlaster* soundCard_ = nullptr;
  int32_t boardKind_ = 0;
  int32_t fileOnly_ = 0;
};
