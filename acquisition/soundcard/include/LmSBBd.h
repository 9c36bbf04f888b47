// LmSBBd: the sound-card recorder AcSoundBlaster.
//
// Records a mono PCM waveform (8-bit unsigned or 16-bit signed) from the wave
// input of the platform layer (the ALSA PCM "default", or KR70_ALSA_PCM) into
// a WAV file, reads such files back, and hands the samples out as volts or as
// a normalised signal. Used through the acquisition facade (LM_WAVGET).
//
// A run: StartRec opens the device, a capture thread cycles four 32768-byte
// buffers and appends each full one to a temporary file, StartRec waits for
// that thread (pumping the calling thread's platform messages meanwhile, so a
// window stays responsive), then writes the WAV file: the 44-byte header and
// exactly count samples. A run ends at the requested count, or with -100 when
// the device stops delivering (after 2 x the expected duration + 1 s).
//
// The temporary file is "AcSBBdWavDataFile.<pid>.tmp" in $XDG_RUNTIME_DIR, or
// in /tmp/kr70-<uid>/ (made with mode 0700) when that is unset or unusable.
//
// Results: 0 success, -1 invalid argument, -2 out of memory, -99 the device
// does not open or its buffers cannot be prepared, -100 refused (see each
// method), -102 no data. Nothing is thrown or printed. One thread drives an
// object; while a run is on, Initialize, ReadWav and Halt refuse with -100.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "LmPlatform.h"

class __attribute__((visibility("default"))) AcSoundBlaster {
 public:
  AcSoundBlaster();
  ~AcSoundBlaster();
  AcSoundBlaster(const AcSoundBlaster&) = delete;
  AcSoundBlaster& operator=(const AcSoundBlaster&) = delete;

  // bits 8 or 16, channels 1 or 2, count and frequency >= 1 (else -1). Gain
  // and timeout are not used: both are stored as 1. Opens the device once
  // to check the format (-99), allocates the buffers (-2), closes it again.
  int Initialize(int bits, int channels, int gain, unsigned count, unsigned frequency,
                 uint32_t timeout);
  // Records count samples into the WAV file `path` (exactly that name; no
  // channel suffix). A null path records without writing a file. 0 at once
  // when a run is already going on. -100: temporary file, queueing, start,
  // no data, device stopped delivering, or the WAV file not written.
  int StartRec(const char* path);
  // out receives GetCount() values (data length / bytes per sample).
  // mode 1: sample / largest magnitude (-102 for an all-zero signal);
  // otherwise volts: 8-bit byte x 0.0390625 - 5.0, 16-bit sample x 10 / 65534.
  int GetData(double* out, int32_t mode);
  // Accepts a mono 8-bit (alignment 1) or 16-bit (alignment 2) PCM WAV file,
  // with any chunks between "fmt " and "data"; -100 otherwise.
  int ReadWav(const char* path);
  int Halt();

  int GetDevNum() const { return bitsPerSample_; }
  int GetChan() const { return channels_; }
  int GetGain() const { return gain_; }
  unsigned GetCount() const { return count_; }
  unsigned GetSampFreq() const { return samplingFrequency_; }
  uint32_t GetTimeout() const { return timeout_; }

  // Folder of the temporary file (see above), "" when none can be made.
  static std::string TemporaryFolder();
  const std::string& TemporaryFilePath() const { return tempFileName_; }
  // CPU seconds the capture thread of the last run used (for measurements).
  double LastCaptureThreadCpuSeconds() const { return capture_.threadCpuSeconds; }

 private:
  static constexpr int kBuffers = 4;
  static constexpr uint32_t kBufferBytes = 0x8000;
  static constexpr uint32_t kBlockBytes = 0x20100;

  // Shared by StartRec and its capture thread for one run.
  struct CaptureRecord {
    std::atomic<int>* busy = nullptr;
    std::atomic<int> threadFinished{1};
    uint32_t total = 0;        // bytes captured; read by StartRec after the thread ends
    uint32_t target = 0;       // the data length
    bool timedOut = false;
    bool writeFailed = false;
    uint32_t timeLimitMs = 0;
    int sampleFormat = 0;      // 1 = 8-bit unsigned, 2 = 16-bit signed
    double threadCpuSeconds = 0;  // CPU time of the last capture thread
  };

  int OpenDevice();
  int PrepareBuffers();
  void UnprepareBuffers();
  void FreeCaptureBlock();
  void CloseDevice();
  int WriteWav(const char* path);
  void CaptureThread();
  void FinishCapture(int index);
  bool AppendBuffer(int index);
  void RestoreDefaults();
  void ReleaseBuffers();

  int tempFd_ = -1;
  unsigned char* captureBlock_ = nullptr;
  char* captureBuffers_[kBuffers] = {};
  std::atomic<int> busy_{0};
  lmp::WAVEFORMATEX waveFormat_;
  lmp::HWAVEIN device_ = nullptr;
  lmp::WAVEHDR headers_[kBuffers];
  std::string tempFileName_;
  unsigned char* sampleBuffer_ = nullptr;
  unsigned char* dataPointer_ = nullptr;
  uint32_t samplingFrequency_ = 0;
  int bitsPerSample_ = -1;
  int channels_ = -1;
  uint32_t blockAlign_ = 0;
  uint32_t bytesPerSecond_ = 0;
  uint32_t count_ = 0;
  uint32_t dataLength_ = 0;
  uint32_t sampleBufferSize_ = 0;
  uint32_t headerLength_ = 0;
  uint32_t fileLength_ = 0;
  uint32_t formatTag_ = 1;
  int gain_ = -1;
  uint32_t timeout_ = 0;
  int dataReady_ = 0;

  uint32_t requestedBytes_ = 0;  // bytes a run records: from Initialize or ReadWav

  CaptureRecord capture_;
  std::thread thread_;
};
