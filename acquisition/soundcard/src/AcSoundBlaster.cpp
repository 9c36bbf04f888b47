// AcSoundBlaster: the sound-card recorder over the platform's wave input.
#include "LmSBBd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

#include "FileIo.h"
#include "WavLayout.h"

using namespace lmp;
namespace wav = kr70::wav;
using kr70::fileio::ReadUpTo;
using kr70::fileio::WriteAll;

namespace {

// The capture thread checks its buffer every few milliseconds; a 32768-byte
// buffer lasts 341 ms even at 48 kHz 16-bit, so no sample is at risk.
constexpr auto kDonePollInterval = std::chrono::milliseconds(5);
// After a reset, the wait for the device to hand the buffer back.
constexpr int kResetWaitSteps = 20;
constexpr DWORD kResetWaitStepMs = 100;
// StartRec pumps the caller's messages while it waits for the thread.
constexpr DWORD kPumpWaitMs = 10;

double ThreadCpuSeconds() {
  timespec t{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0) return 0;
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

std::string AcSoundBlaster::TemporaryFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat info {};
  if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) &&
      access(runtime, W_OK | X_OK) == 0)
    return runtime;
  std::string folder = "/tmp/kr70-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
  // Only a real folder of our own, never a link someone else planted.
  if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) return "";
  return folder;
}

AcSoundBlaster::AcSoundBlaster() {
  std::string folder = TemporaryFolder();
  std::string name = "AcSBBdWavDataFile." + std::to_string(getpid()) + ".tmp";
  tempFileName_ = folder.empty() ? name : folder + "/" + name;
  RestoreDefaults();
}

AcSoundBlaster::~AcSoundBlaster() {
  if (thread_.joinable()) {
    busy_ = 0;
    thread_.join();
  }
  UnprepareBuffers();
  CloseDevice();
  ReleaseBuffers();
  if (tempFd_ >= 0) close(tempFd_);
}

void AcSoundBlaster::RestoreDefaults() {
  gain_ = -1;
  timeout_ = 0;
  dataReady_ = 0;
  samplingFrequency_ = 0;
  bitsPerSample_ = -1;
  channels_ = -1;
  blockAlign_ = bytesPerSecond_ = dataLength_ = sampleBufferSize_ = headerLength_ = fileLength_ = 0;
  formatTag_ = 1;
  waveFormat_ = WAVEFORMATEX{};
  waveFormat_.wFormatTag = WAVE_FORMAT_PCM;
  waveFormat_.nChannels = 1;
  waveFormat_.nSamplesPerSec = 44100;
  waveFormat_.wBitsPerSample = 0xFFFF;
  capture_.total = 0;
  capture_.threadFinished = 1;
}

void AcSoundBlaster::ReleaseBuffers() {
  FreeCaptureBlock();
  std::free(sampleBuffer_);
  sampleBuffer_ = nullptr;
  dataPointer_ = nullptr;
  gain_ = -1;
  timeout_ = 0;
  capture_.total = 0;
  dataReady_ = 0;
}

int AcSoundBlaster::OpenDevice() {
  if (device_ != nullptr) return 0;
  waveFormat_.wFormatTag = static_cast<uint16_t>(formatTag_);
  waveFormat_.nChannels = static_cast<uint16_t>(channels_);
  waveFormat_.nSamplesPerSec = samplingFrequency_;
  waveFormat_.nAvgBytesPerSec = bytesPerSecond_;
  waveFormat_.nBlockAlign = static_cast<uint16_t>(blockAlign_);
  waveFormat_.wBitsPerSample = static_cast<uint16_t>(bitsPerSample_);
  waveFormat_.cbSize = 0;
  if (waveInOpen(&device_, &waveFormat_) != MMSYSERR_NOERROR) {
    device_ = nullptr;
    return -99;
  }
  return 0;
}

void AcSoundBlaster::CloseDevice() {
  if (device_ == nullptr) return;
  waveInClose(device_);
  device_ = nullptr;
}

// A prepared header belongs to one device handle, so the buffers are
// prepared for every handle that is opened, and unprepared before it closes.
int AcSoundBlaster::PrepareBuffers() {
  if (captureBlock_ == nullptr) {
    captureBlock_ = static_cast<unsigned char*>(std::calloc(1, kBlockBytes));
    if (captureBlock_ == nullptr) {
      CloseDevice();
      return -2;
    }
    for (int i = 0; i < kBuffers; ++i)
      captureBuffers_[i] = reinterpret_cast<char*>(captureBlock_) + i * kBufferBytes;
  }
  for (int i = 0; i < kBuffers; ++i) {
    WAVEHDR& h = headers_[i];
    h.lpData = captureBuffers_[i];
    h.dwBufferLength = kBufferBytes;
    h.dwBytesRecorded = 0;
    h.dwUser = 0;
    h.dwFlags = 0;
    h.dwLoops = 0;
    if (waveInPrepareHeader(device_, &h) != MMSYSERR_NOERROR) {
      for (int k = 0; k < i; ++k) waveInUnprepareHeader(device_, &headers_[k]);
      CloseDevice();
      FreeCaptureBlock();
      return -99;
    }
  }
  return 0;
}

void AcSoundBlaster::UnprepareBuffers() {
  if (device_ == nullptr) return;
  for (WAVEHDR& h : headers_)
    if (h.dwFlags.load() & WHDR_PREPARED) waveInUnprepareHeader(device_, &h);
}

void AcSoundBlaster::FreeCaptureBlock() {
  std::free(captureBlock_);
  captureBlock_ = nullptr;
  for (char*& b : captureBuffers_) b = nullptr;
}

int AcSoundBlaster::Initialize(int bits, int channels, int gain, unsigned count, unsigned frequency,
                               uint32_t timeout) {
  if (busy_) return -100;
  if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2) || count < 1 || frequency < 1)
    return -1;
  uint64_t dataBytes = static_cast<uint64_t>(count) * bits / 8;
  // The sample buffer holds the data, a header and some slack in 32 bits.
  if (dataBytes + 300 > std::numeric_limits<uint32_t>::max()) return -1;

  gain_ = 1;
  timeout_ = 1;
  dataReady_ = 0;
  busy_ = 0;
  capture_.total = 0;
  capture_.threadFinished = 1;
  samplingFrequency_ = frequency;
  bitsPerSample_ = bits;
  channels_ = channels;
  blockAlign_ = static_cast<uint32_t>(channels * bits / 8);
  bytesPerSecond_ = frequency * blockAlign_;
  count_ = count;
  dataLength_ = static_cast<uint32_t>(dataBytes);
  headerLength_ = 0;
  fileLength_ = dataLength_;
  formatTag_ = 1;
  sampleBufferSize_ = dataLength_ + 300;
  requestedBytes_ = 0;

  if (OpenDevice() != 0) {
    FreeCaptureBlock();
    return -99;
  }
  int r = PrepareBuffers();
  if (r != 0) return r;

  std::free(sampleBuffer_);
  dataPointer_ = nullptr;
  size_t size = bits == 8 ? sampleBufferSize_ : (sampleBufferSize_ & ~1u);
  sampleBuffer_ = static_cast<unsigned char*>(std::malloc(size));
  capture_.sampleFormat = bits == 8 ? 1 : 2;
  UnprepareBuffers();
  CloseDevice();
  if (sampleBuffer_ == nullptr) return -2;
  requestedBytes_ = dataLength_;
  return 0;
}

int AcSoundBlaster::StartRec(const char* path) {
  if (busy_) return 0;
  // Nothing configured (never initialized, or halted since).
  if (requestedBytes_ == 0 || sampleBuffer_ == nullptr || sampleBufferSize_ < requestedBytes_ + 300)
    return -100;
  if (OpenDevice() != 0) return -99;
  int r = PrepareBuffers();
  if (r != 0) return r;

  auto abandon = [&](int code) {
    waveInReset(device_);
    UnprepareBuffers();
    FreeCaptureBlock();
    CloseDevice();
    return code;
  };
  tempFd_ = open(tempFileName_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (tempFd_ < 0) return abandon(-100);
  for (WAVEHDR& h : headers_) {
    if (waveInAddBuffer(device_, &h) != MMSYSERR_NOERROR) {
      close(tempFd_);
      tempFd_ = -1;
      return abandon(-100);
    }
  }

  capture_.busy = &busy_;
  capture_.threadFinished = 1;
  capture_.total = 0;
  capture_.target = requestedBytes_;
  capture_.timedOut = false;
  capture_.writeFailed = false;
  capture_.threadCpuSeconds = 0;
  // A device that stops delivering ends the run: twice the expected
  // duration and one second more.
  uint64_t expectedMs = bytesPerSecond_ > 0 ? uint64_t{requestedBytes_} * 1000 / bytesPerSecond_ : 0;
  capture_.timeLimitMs = static_cast<uint32_t>(std::min<uint64_t>(2 * expectedMs + 1000, 0xFFFFFFF0u));
  busy_ = 1;

  capture_.threadFinished = 0;
  try {
    thread_ = std::thread(&AcSoundBlaster::CaptureThread, this);
  } catch (const std::system_error&) {
    capture_.threadFinished = 1;
    busy_ = 0;
    close(tempFd_);
    tempFd_ = -1;
    return abandon(-100);
  }
  bool started = waveInStart(device_) == MMSYSERR_NOERROR;
  if (!started) busy_ = 0;  // makes the thread finish at once
  while (capture_.threadFinished.load(std::memory_order_acquire) == 0) PumpMessage(kPumpWaitMs);
  thread_.join();
  busy_ = 0;
  UnprepareBuffers();
  FreeCaptureBlock();
  CloseDevice();

  bool failed = !started || capture_.timedOut || capture_.writeFailed;
  dataLength_ = failed ? 0 : std::min(capture_.total, capture_.target);
  if (dataLength_ > 0) {
    fileLength_ = dataLength_ + headerLength_;
    count_ = dataLength_ / blockAlign_;
  } else {
    fileLength_ = 0;
    count_ = 0;
  }
  int closed = close(tempFd_);
  tempFd_ = -1;
  if (closed != 0) dataLength_ = 0;
  r = WriteWav(path);
  if (!started) return -100;
  return r;
}

void AcSoundBlaster::CaptureThread() {
  double cpuStart = ThreadCpuSeconds();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(capture_.timeLimitMs);
  capture_.total = 0;
  int i = 0;
  for (;;) {
    WAVEHDR& h = headers_[i];
    while (!(h.dwFlags.load(std::memory_order_acquire) & WHDR_DONE)) {
      bool stalled = std::chrono::steady_clock::now() > deadline || waveInDeviceError(device_) != 0;
      if (capture_.total >= capture_.target || capture_.busy->load() == 0 || stalled) {
        if (stalled) capture_.timedOut = true;
        FinishCapture(i);
        capture_.threadCpuSeconds = ThreadCpuSeconds() - cpuStart;
        capture_.threadFinished.store(1, std::memory_order_release);
        return;
      }
      std::this_thread::sleep_for(kDonePollInterval);
    }
    h.dwFlags.store(WHDR_PREPARED);
    capture_.total += h.dwBytesRecorded;
    h.dwBytesRecorded = 0;
    bool written = AppendBuffer(i);
    if (!written || waveInAddBuffer(device_, &h) != MMSYSERR_NOERROR) {
      // The device keeps no buffer of ours once the run ends.
      waveInReset(device_);
      capture_.total = 0;
      capture_.writeFailed = true;
      capture_.threadCpuSeconds = ThreadCpuSeconds() - cpuStart;
      capture_.threadFinished.store(1, std::memory_order_release);
      return;
    }
    if (capture_.total >= capture_.target || capture_.busy->load() == 0) {
      FinishCapture(i);
      capture_.threadCpuSeconds = ThreadCpuSeconds() - cpuStart;
      capture_.threadFinished.store(1, std::memory_order_release);
      return;
    }
    i = (i + 1) % kBuffers;
  }
}

void AcSoundBlaster::FinishCapture(int index) {
  waveInReset(device_);
  WAVEHDR& h = headers_[index];
  for (int step = 0; step < kResetWaitSteps && !(h.dwFlags.load() & WHDR_DONE); ++step)
    Sleep(kResetWaitStepMs);
  capture_.total += h.dwBytesRecorded;
  if (!AppendBuffer(index)) {
    capture_.total = 0;
    capture_.writeFailed = true;
  }
}

// The whole 32768 bytes of the buffer; only the first data-length bytes of
// the file count.
bool AcSoundBlaster::AppendBuffer(int index) {
  return WriteAll(tempFd_, reinterpret_cast<unsigned char*>(captureBuffers_[index]), kBufferBytes);
}

int AcSoundBlaster::WriteWav(const char* path) {
  int result = 0;
  if (dataLength_ > 0) {
    headerLength_ = path != nullptr ? wav::kHeaderBytes : 0;
    dataPointer_ = sampleBuffer_ + headerLength_;
    int fd = open(tempFileName_.c_str(), O_RDONLY | O_CLOEXEC);
    ssize_t got = fd >= 0 ? ReadUpTo(fd, dataPointer_, dataLength_) : -1;
    if (fd >= 0 && close(fd) != 0) got = -1;
    dataLength_ = got > 0 ? static_cast<uint32_t>(got) : 0;
    if (path != nullptr && dataLength_ > 0) {
      // The header carries the length that was really read.
      wav::PcmFields f;
      f.dataLength = dataLength_;
      f.formatTag = formatTag_;
      f.channels = static_cast<uint32_t>(channels_);
      f.samplesPerSec = samplingFrequency_;
      f.bytesPerSec = bytesPerSecond_;
      f.blockAlign = blockAlign_;
      f.bitsPerSample = static_cast<uint32_t>(bitsPerSample_);
      wav::BuildHeader(sampleBuffer_, f);
      int out = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (out < 0) {
        result = -100;
      } else {
        bool ok = WriteAll(out, sampleBuffer_, headerLength_ + dataLength_);
        if (close(out) != 0 || !ok) result = -100;
      }
    }
  }
  unlink(tempFileName_.c_str());
  if (dataLength_ < 1 || result == -100) {
    dataReady_ = 0;
    dataLength_ = 0;
    fileLength_ = 0;
    return -100;
  }
  dataReady_ = 1;
  fileLength_ = dataLength_ + headerLength_;
  count_ = dataLength_ / blockAlign_;
  return 0;
}

int AcSoundBlaster::GetData(double* out, int32_t mode) {
  if (dataReady_ == 0 || dataPointer_ == nullptr) return -102;
  if (out == nullptr) return -1;
  if (capture_.sampleFormat == 1) {
    const unsigned char* b = dataPointer_;
    if (mode == 1) {
      int m = 0;
      for (uint32_t i = 0; i < dataLength_; ++i) m = std::max(m, std::abs(b[i] - 128));
      if (m <= 0) return -102;
      for (uint32_t i = 0; i < dataLength_; ++i) out[i] = static_cast<double>(b[i] - 128) / m;
    } else {
      for (uint32_t i = 0; i < dataLength_; ++i) out[i] = b[i] * 0.0390625 - 5.0;
    }
    return 0;
  }
  if (capture_.sampleFormat == 2) {
    uint32_t n = dataLength_ / 2;
    auto sample = [&](uint32_t i) {
      return static_cast<int16_t>(wav::GetU16(dataPointer_ + 2 * i));
    };
    if (mode == 1) {
      int m = 0;
      for (uint32_t i = 0; i < n; ++i) m = std::max(m, std::abs(static_cast<int>(sample(i))));
      if (m <= 0) return -102;
      for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<double>(sample(i)) / m;
    } else {
      for (uint32_t i = 0; i < n; ++i) out[i] = sample(i) * 10.0 / 65534.0;
    }
    return 0;
  }
  return -102;
}

int AcSoundBlaster::ReadWav(const char* path) {
  if (busy_) return -100;
  ReleaseBuffers();
  RestoreDefaults();
  requestedBytes_ = 0;
  capture_.sampleFormat = 0;

  auto reject = [&]() {
    std::free(sampleBuffer_);
    sampleBuffer_ = nullptr;
    dataPointer_ = nullptr;
    dataReady_ = 0;
    dataLength_ = fileLength_ = headerLength_ = sampleBufferSize_ = 0;
    count_ = 0;
    return -100;
  };
  if (path == nullptr) return reject();
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return reject();
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<uint64_t>(info.st_size) > std::numeric_limits<uint32_t>::max() - 256u) {
    close(fd);
    return reject();
  }
  size_t size = static_cast<size_t>(info.st_size);
  sampleBuffer_ = static_cast<unsigned char*>(std::calloc(1, size + 256));
  if (sampleBuffer_ == nullptr) {
    close(fd);
    return reject();
  }
  ssize_t got = ReadUpTo(fd, sampleBuffer_, size);
  if (close(fd) != 0 || got != static_cast<ssize_t>(size)) return reject();

  const unsigned char* b = sampleBuffer_;
  if (size < 36 || !wav::IdIs(b, "RIFF") || !wav::IdIs(b + 8, "WAVE") || !wav::IdIs(b + 12, "fmt "))
    return reject();
  uint32_t fmtSize = wav::GetU32(b + 16);
  if (fmtSize < 16) return reject();
  uint32_t tag = wav::GetU16(b + 20);
  uint32_t channels = wav::GetU16(b + 22);
  uint32_t frequency = wav::GetU32(b + 24);
  uint32_t bytesPerSecond = wav::GetU32(b + 28);
  uint32_t align = wav::GetU16(b + 32);
  uint32_t bits = wav::GetU16(b + 34);

  // Walk the chunks after "fmt " up to "data"; odd sizes carry a pad byte.
  uint64_t offset = 20 + uint64_t{fmtSize} + (fmtSize & 1);
  uint64_t header = 0;
  uint32_t dataSize = 0;
  while (offset + 8 <= size) {
    uint32_t chunkSize = wav::GetU32(b + offset + 4);
    if (wav::IdIs(b + offset, "data")) {
      header = offset + 8;
      dataSize = chunkSize;
      break;
    }
    offset += 8 + uint64_t{chunkSize} + (chunkSize & 1);
  }
  if (header == 0) return reject();
  bool shapeOk = (bits == 8 && align == 1) || (bits == 16 && align == 2);
  if (tag != 1 || channels != 1 || !shapeOk || dataSize == 0 || header + dataSize > size) return reject();

  dataPointer_ = sampleBuffer_ + header;
  dataLength_ = dataSize;
  samplingFrequency_ = frequency;
  channels_ = static_cast<int>(channels);
  formatTag_ = tag;
  bytesPerSecond_ = bytesPerSecond;
  blockAlign_ = align;
  bitsPerSample_ = static_cast<int>(bits);
  capture_.sampleFormat = bits == 8 ? 1 : 2;
  dataReady_ = 1;
  headerLength_ = static_cast<uint32_t>(header);
  fileLength_ = dataLength_ + headerLength_;
  count_ = dataLength_ / blockAlign_;
  sampleBufferSize_ = fileLength_ + 256;
  waveFormat_.nSamplesPerSec = frequency;
  waveFormat_.nAvgBytesPerSec = bytesPerSecond;
  waveFormat_.nBlockAlign = static_cast<uint16_t>(align);
  waveFormat_.wBitsPerSample = static_cast<uint16_t>(bits);
  requestedBytes_ = dataLength_;
  return 0;
}

int AcSoundBlaster::Halt() {
  if (busy_) return -100;
  ReleaseBuffers();
  requestedBytes_ = 0;
  return 0;
}
