// Lm_AdCard: the A/D board recorder CLmAdCard.
//
// Records one analogue channel of the 12-bit PC-card A/D converter into a
// 16-bit mono WAV file "<base>#<channel, 2 digits>.wav" (44-byte header), reads
// such files back and hands the samples out as volts or normalised. The card
// library CardIO32 is loaded by name at Initialize and its functions are
// resolved by name just before use; AdGetCardResource is also linked.
//
// Blocking run (StartRec): the card fills a ring buffer; the calling thread
// drains it while it dispatches its own platform messages (one per pass,
// waiting up to 5 ms for one), so the window stays responsive and a handler
// may call StopRec (for example on the card's overrun message 6078 / 2); a
// card that stops delivering ends the run with -98 after twice the expected
// duration and 2 s more. The
// codes are converted exactly: volts = (code & 0x1FFF) x 8 x 0.00030517578125
// - 5.0, clamped to +-4.5 V, x 7281.555555555555 truncated to 16-bit PCM. The
// PCM samples go to the temporary file "<program folder>/LM_AD_NIWavDataFileSgl.tmp"
// (in the user's XDG cache directory, lmp::UserDirectory::Cache, when the
// program folder is not writable) and are copied behind the header in
// 20480-byte chunks.
//
// Trigger mode: TrgModeSet arms the card and returns; the window gets 6078
// with wParam 1 or 4 (started, trigger), 128 (count reached) or 2 (overrun);
// TrgModeStop then collects the samples after the pre-trigger ones, writes
// the WAV file and returns count + 1 doubles of volts in a block the caller
// releases with lmp::GlobalFree.
//
// The named lock "CLmAdNiMutex" is held from Initialize to Halt: a second
// Initialize, in this or another process, gets -101. One run per process at a
// time; never destroy the object from a handler that the run dispatches.
//
// Results: 0, -1 invalid argument, -2 out of memory, -98 run stopped or ring
// read error (no WAV file), -99 card library or card missing / a card
// function missing / mutex not created / GetData file failed, -100 card
// configuration, temporary file or WAV writing failed, or ReadWav refused the
// file, -101 card in use, -102 no data, -105 trigger-mode file error.
#pragma once

#include <cstdint>
#include <string>

#include "LmPlatform.h"

class __attribute__((visibility("default"))) CLmAdCard {
 public:
  CLmAdCard();
  ~CLmAdCard();
  CLmAdCard(const CLmAdCard&) = delete;
  CLmAdCard& operator=(const CLmAdCard&) = delete;

  // bits 16; channel 1..8; gain 1, 2, 5, 10, 20, 50 or 100; count >= 1;
  // frequency 16 Hz .. 1 MHz (the sampling period in whole µs must fit 16
  // bits); mode 0 or 1. The timeout is stored only.
  int Initialize(int bits, int channel, int gain, unsigned count, unsigned frequency,
                 uint32_t timeout, int32_t mode);
  // window receives the card's messages (may be null); a null base name
  // leaves the samples in the temporary file only.
  int StartRec(lmp::HWND window, const char* baseName);
  int StartDAQ(const char* baseName) { return StartRec(nullptr, baseName); }
  // Ends a running StartRec (which then returns -98). Always 0.
  int StopRec();
  // out must hold GetCount() values. mode 1: normalised; otherwise volts.
  // channel names the file "<base>#<channel>.wav" after a run.
  int GetData(double* out, int32_t mode, int32_t channel);
  // A 16-bit mono PCM WAV file with the 44-byte header: 0; -100 otherwise.
  int ReadWav(const char* path);
  int Halt();
  // This board has no digital input: always 1, the word is not written.
  int GetDISignal(uint16_t* word, uint16_t mask);

  int GetDevNum() const { return bitsPerSample_; }
  int GetChan() const { return 1; }
  int GetGain() const { return gain_; }
  unsigned GetCount() const { return count_; }
  unsigned GetSampFreq() const { return samplingFrequency_; }
  uint32_t GetTimeout() const { return timeout_; }

  // triggerSwitch non-zero: wait for the external trigger. delayMs: leading
  // milliseconds to discard. 0, -2, -100.
  int TrgModeSet(int triggerSwitch, lmp::HWND window, int delayMs, const char* baseName);
  // abort non-zero: discard (the out arguments stay untouched). 0, -2, -105.
  int TrgModeStop(int abort, int* count, double** samples);

  const std::string& TemporaryFilePath() const { return tempFilePath_; }

 private:
  struct CardCalls;
  bool ResolveCardCalls(CardCalls* calls, bool triggerMode) const;
  int WriteWav();
  std::string ResultFileName(int channelNumber) const;
  void FreeBuffers();
  void CloseTempFile();

  lmp::HMODULE cardLibrary_ = nullptr;
  int tempFd_ = -1;
  uint16_t* rawBuffer_ = nullptr;
  uint16_t* rawWritePosition_ = nullptr;
  int busy_ = 0;
  std::string tempFilePath_;
  uint32_t samplingFrequency_ = 0;
  int bitsPerSample_ = -1;
  int channelNumber_ = -1;
  uint32_t bytesPerSample_ = 0;
  uint32_t bytesPerSecond_ = 0;
  uint32_t count_ = 0;
  int64_t dataLength_ = 0;
  uint32_t headerLength_ = 0;
  int64_t fileLength_ = 0;
  uint32_t formatTag_ = 1;
  uint16_t cardSlot_ = 0;
  uint16_t cardResources_[3] = {};
  uint16_t samplingPeriod_ = 0;
  uint16_t clockMode_ = 2;
  uint32_t ringSize_ = 0;
  int platform_ = 1;
  uint32_t preTriggerSamples_ = 0;
  std::string baseName_;
  bool hasBaseName_ = false;
  int wavBase_ = 0;
  int gain_ = -1;
  uint32_t timeout_ = 0;
  int dataReady_ = 0;
  uint32_t requestedCount_ = 0;
  int32_t mode_ = 0;
  int16_t channelIndex_ = 0;
  uint16_t* cardDataBlock_ = nullptr;  // trigger mode: owned by the card library
  bool tempWriteFailed_ = false;
  bool holdsMutex_ = false;  // this object took "CLmAdNiMutex"
};
