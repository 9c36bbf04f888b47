// CLmAdCard: the A/D board recorder over the card library CardIO32.
#include "Lm_AdCard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "CardIO32.h"
#include "FileIo.h"
#include "WavLayout.h"

using namespace lmp;
namespace wav = kr70::wav;
using kr70::fileio::ReadUpTo;
using kr70::fileio::WriteAll;

struct CLmAdCard::CardCalls {
  AdSetParamAutoFn setParamAuto = nullptr;
  AdSetChannelFn setChannel = nullptr;
  AdSetFreqFn setFreq = nullptr;
  AdAllocRingBufFn allocRingBuf = nullptr;
  AdFreeRingBufFn freeRingBuf = nullptr;
  AdStartIrqRingModeFn startIrqRingMode = nullptr;
  AdGetRingBufConstFn getRingBufConst = nullptr;
  AdStopIrqModeFn stopIrqMode = nullptr;
  AdSetTriggerFn setTrigger = nullptr;
  AdAllocDataMemFn allocDataMem = nullptr;
  AdFreeDataMemFn freeDataMem = nullptr;
  AdStartIrqVxdModeFn startIrqVxdMode = nullptr;
};

namespace {

constexpr const char* kMutexName = "CLmAdNiMutex";
constexpr const char* kTempFileName = "LM_AD_NIWavDataFileSgl.tmp";
constexpr size_t kCopyChunk = 20480;
// The drain loop waits this long for a message per pass, then polls the ring.
constexpr DWORD kDrainPumpMs = 5;
// A run whose card stops delivering (and whose window does not stop it)
// ends after twice the expected duration and this much more.
constexpr int64_t kDrainSlackMs = 2000;

constexpr double kCodeVoltStep = 0.00030517578125;
constexpr double kVoltsToPcm = 7281.555555555555;    // 32767 / 4.5
constexpr double kPcmToVolts = 0.00013733329264198737;  // 4.5 / 32767

double CodeToVolts(uint16_t code) { return (code & 0x1FFF) * 8 * kCodeVoltStep - 5.0; }
double ClampVolts(double v) { return std::clamp(v, -4.5, 4.5); }
int16_t VoltsToPcm(double clamped) { return static_cast<int16_t>(std::trunc(clamped * kVoltsToPcm)); }

// The acquisition record of the process, shared by StartRec, its drain loop
// and StopRec (which a dispatched message handler calls).
struct AcquisitionRecord {
  HMODULE cardLibrary = nullptr;
  int* busy = nullptr;
  uint16_t* rawBuffer = nullptr;
  uint32_t target = 0;
  int16_t channelIndex = 0;
  int gain = 0;
  int32_t status = 0;
  uint32_t acquired = 0;
  std::atomic<int16_t> stopRequest{0};
};
AcquisitionRecord g_run;
NamedLock g_mutex;

bool GainIsValid(int gain) {
  for (int g : {1, 2, 5, 10, 20, 50, 100})
    if (gain == g) return true;
  return false;
}

int64_t FileSize(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return -1;
  return info.st_size;
}

}  // namespace

CLmAdCard::CLmAdCard() {
  // An installed program keeps the file among the user's temporary files.
  std::string folder = WritableOrUserDirectory(ProgramDirectory(), UserDirectory::Cache);
  tempFilePath_ = folder.empty() ? kTempFileName : folder + "/" + kTempFileName;
}

CLmAdCard::~CLmAdCard() { Halt(); }

bool CLmAdCard::ResolveCardCalls(CardCalls* c, bool triggerMode) const {
  *c = CardCalls{};
  if (cardLibrary_ == nullptr) return false;
  auto get = [&](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(GetProcAddress(cardLibrary_, name));
    return fn != nullptr;
  };
  bool ok = get(c->setParamAuto, "AdSetParamAuto") && get(c->setChannel, "AdSetChannel") &&
            get(c->setFreq, "AdSetFreq") && get(c->stopIrqMode, "AdStopIrqMode");
  if (!ok) return false;
  if (triggerMode)
    return get(c->setTrigger, "AdSetTrigger") && get(c->allocDataMem, "AdAllocDataMem") &&
           get(c->freeDataMem, "AdFreeDataMem") && get(c->startIrqVxdMode, "AdStartIrqVxdMode");
  return get(c->allocRingBuf, "AdAllocRingBuf") && get(c->freeRingBuf, "AdFreeRingBuf") &&
         get(c->startIrqRingMode, "AdStartIrqRingMode") && get(c->getRingBufConst, "AdGetRingBufConst");
}

void CLmAdCard::FreeBuffers() {
  std::free(rawBuffer_);
  rawBuffer_ = nullptr;
  rawWritePosition_ = nullptr;
}

void CLmAdCard::CloseTempFile() {
  if (tempFd_ >= 0) close(tempFd_);
  tempFd_ = -1;
}

int CLmAdCard::Initialize(int bits, int channel, int gain, unsigned count, unsigned frequency,
                          uint32_t timeout, int32_t mode) {
  if (busy_) return -100;
  baseName_.clear();
  hasBaseName_ = false;
  if (cardLibrary_ == nullptr) {
    platform_ = 1;
    cardLibrary_ = LoadLibrary("CardIO32");
    if (cardLibrary_ == nullptr) return -99;
  }
  // The period in whole µs is a 16-bit card argument: 16 Hz .. 1 MHz.
  if (!GainIsValid(gain) || bits != 16 || channel < 1 || channel > 8 || count < 1 ||
      frequency < 16 || frequency > 1000000 || (mode != 0 && mode != 1))
    return -1;
  if (count > (0x7FFFFFF0u - 2) / 8) return -1;  // buffers and data length stay in 32 bits

  if (g_mutex.Held()) return -101;  // this process holds it already
  NamedLock::Result lock = g_mutex.Create(kMutexName);
  if (lock == NamedLock::kError) return -99;
  if (lock == NamedLock::kAlreadyExists) {
    g_mutex.Release();
    return -101;
  }
  holdsMutex_ = true;

  requestedCount_ = count;
  mode_ = mode;
  gain_ = gain;
  timeout_ = timeout;
  dataReady_ = 0;
  busy_ = 0;
  channelNumber_ = channel;
  channelIndex_ = static_cast<int16_t>(channel - 1);
  headerLength_ = 0;
  bytesPerSample_ = static_cast<uint32_t>(bits / 8);
  bytesPerSecond_ = frequency * bytesPerSample_;
  dataLength_ = fileLength_ = static_cast<int64_t>(bits) * count / 8;
  samplingFrequency_ = frequency;
  bitsPerSample_ = bits;
  count_ = count;
  formatTag_ = 1;
  clockMode_ = 2;
  ringSize_ = count + 32;
  samplingPeriod_ = static_cast<uint16_t>(1000000 / frequency);

  int found = -1;
  for (uint16_t slot = 0; slot < 4 && found != 0; ++slot) {
    found = AdGetCardResource(nullptr, slot, &cardResources_[0], &cardResources_[1], &cardResources_[2]);
    if (found == 0) cardSlot_ = slot;
  }
  if (found != 0) {
    FreeBuffers();
    g_mutex.Release();
    holdsMutex_ = false;
    return -99;
  }
  if (rawBuffer_ == nullptr) {
    rawBuffer_ = static_cast<uint16_t*>(std::malloc(size_t{ringSize_} * 2 + 2));
    rawWritePosition_ = rawBuffer_;
    if (rawBuffer_ == nullptr) return -2;
  }
  return 0;
}

int CLmAdCard::StartRec(HWND window, const char* baseName) {
  // A run is going on (a handler called again): leave it alone.
  if (busy_) return 0;
  CardCalls card;
  bool resolved = ResolveCardCalls(&card, false);
  hasBaseName_ = baseName != nullptr;
  baseName_ = baseName != nullptr ? baseName : "";
  wavBase_ = 0;
  // No card library, or one without every function the run calls.
  if (!resolved || requestedCount_ == 0) return -99;

  if (rawBuffer_ == nullptr) {
    rawBuffer_ = static_cast<uint16_t*>(std::malloc(size_t{ringSize_} * 2 + 2));
    rawWritePosition_ = rawBuffer_;
    if (rawBuffer_ == nullptr) return -2;
  }
  tempFd_ = open(tempFilePath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (tempFd_ < 0) {
    FreeBuffers();
    return -100;
  }
  auto refuse = [&]() {
    CloseTempFile();
    FreeBuffers();
    return -100;
  };
  uint16_t channelCode = static_cast<uint16_t>(channelNumber_ - 1);
  if (card.setParamAuto(window, 3) != 0) return refuse();
  if (card.setChannel(1, &channelCode) != 1) return refuse();
  if (card.setFreq(window, samplingPeriod_, 2) != 0) return refuse();
  card.freeRingBuf();
  if (static_cast<int32_t>(card.allocRingBuf(window, count_ + 32, count_) & 0xFFFFFFFF) != 0) return refuse();

  g_run.cardLibrary = cardLibrary_;
  g_run.busy = &busy_;
  g_run.rawBuffer = rawBuffer_;
  g_run.target = count_;
  g_run.channelIndex = channelIndex_;
  g_run.gain = gain_;
  g_run.stopRequest = 0;
  g_run.acquired = 0;
  g_run.status = 0;
  busy_ = 1;

  if (card.startIrqRingMode(window, 2) != 0) {
    busy_ = 0;
    card.stopIrqMode();
    card.freeRingBuf();
    return refuse();
  }

  const uint32_t count = count_;
  int64_t expectedMs = int64_t{count} * 1000 / samplingFrequency_;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(2 * expectedMs + kDrainSlackMs);
  bool readError = false;
  while (g_run.stopRequest == 0) {
    PumpMessage(kDrainPumpMs);
    if (g_run.stopRequest != 0) break;
    uint32_t remaining = count - g_run.acquired;
    int32_t got = card.getRingBufConst(rawBuffer_, g_run.acquired, remaining >= count ? count : remaining);
    if (got == -1 || std::chrono::steady_clock::now() > deadline) {
      card.stopIrqMode();
      readError = true;
      break;
    }
    if (got > 0) {
      g_run.acquired += static_cast<uint32_t>(got);
      if (g_run.acquired >= count) break;
    }
  }

  tempWriteFailed_ = false;
  if (readError) {
    g_run.status = -2;
  } else if (g_run.stopRequest == 1) {
    g_run.status = -2;
  } else {
    g_run.stopRequest = 1;
    uint32_t acquired = std::min(g_run.acquired, count);
    std::unique_ptr<double[]> volts(new (std::nothrow) double[size_t{acquired} + 1]);
    if (!volts) {
      g_run.status = -1;
    } else {
      int16_t* pcm = reinterpret_cast<int16_t*>(rawBuffer_);
      for (uint32_t i = 0; i < acquired; ++i) {
        volts[i] = ClampVolts(CodeToVolts(rawBuffer_[i]));
        pcm[i] = VoltsToPcm(volts[i]);
      }
      if (!WriteAll(tempFd_, reinterpret_cast<unsigned char*>(pcm), size_t{acquired} * 2)) tempWriteFailed_ = true;
    }
  }

  busy_ = 0;
  FreeBuffers();
  int64_t size = FileSize(tempFd_);
  dataLength_ = size > 0 && !tempWriteFailed_ ? size : 0;
  fileLength_ = dataLength_ > 0 ? dataLength_ + headerLength_ : 0;
  if (close(tempFd_) != 0) dataLength_ = 0;
  tempFd_ = -1;
  card.stopIrqMode();
  card.freeRingBuf();

  if (g_run.status == -2) return -98;
  if (g_run.status == -1) return -99;
  return WriteWav();
}

int CLmAdCard::StopRec() {
  g_run.stopRequest = 1;
  return 0;
}

std::string CLmAdCard::ResultFileName(int channelNumber) const {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "#%02d.wav", channelNumber);
  return baseName_ + suffix;
}

int CLmAdCard::WriteWav() {
  int fd = open(tempFilePath_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd >= 0) {
    int64_t size = FileSize(fd);
    dataLength_ = size > 0 ? size : 0;
  } else {
    dataLength_ = 0;  // nothing to copy from
  }
  if (!hasBaseName_) {
    headerLength_ = 0;
  } else {
    headerLength_ = wav::kHeaderBytes;
    unsigned char header[wav::kHeaderBytes];
    wav::PcmFields f;
    f.dataLength = static_cast<uint32_t>(dataLength_);
    f.formatTag = formatTag_;
    f.channels = 1;
    f.samplesPerSec = samplingFrequency_;
    f.bytesPerSec = bytesPerSecond_;
    f.blockAlign = bytesPerSample_;
    f.bitsPerSample = static_cast<uint32_t>(bitsPerSample_);
    wav::BuildHeader(header, f);
    if (!baseName_.empty() && dataLength_ > 0) {
      int out = open(ResultFileName(channelIndex_ + 1).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (out < 0) {
        dataLength_ = 0;
      } else {
        if (!WriteAll(out, header, sizeof header)) dataLength_ = 0;
        if (dataLength_ > 0 && lseek(fd, 0, SEEK_SET) == 0) {
          unsigned char chunk[kCopyChunk];
          int64_t left = dataLength_;
          while (left > 0) {
            size_t want = static_cast<size_t>(std::min<int64_t>(left, kCopyChunk));
            if (ReadUpTo(fd, chunk, want) != static_cast<ssize_t>(want) || !WriteAll(out, chunk, want)) {
              dataLength_ = 0;
              break;
            }
            left -= static_cast<int64_t>(want);
          }
        } else {
          dataLength_ = 0;
        }
        if (close(out) != 0) dataLength_ = 0;
      }
    }
  }
  if (fd >= 0) close(fd);
  if (dataLength_ <= 0) {
    dataReady_ = 0;
    return -100;
  }
  fileLength_ = dataLength_ + headerLength_;
  dataReady_ = 1;
  return 0;
}

int CLmAdCard::GetData(double* out, int32_t mode, int32_t channel) {
  if (dataReady_ == 0) return -102;
  if (out == nullptr) return -1;
  size_t bytes = static_cast<size_t>(dataLength_) & ~size_t{1};
  std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[bytes + 2]);
  if (!data) return -2;

  int fd;
  off_t start = 0;
  if (wavBase_) {
    fd = open(baseName_.c_str(), O_RDONLY | O_CLOEXEC);
    start = wav::kHeaderBytes;
  } else if (!baseName_.empty()) {
    fd = open(ResultFileName(channel).c_str(), O_RDONLY | O_CLOEXEC);
    start = wav::kHeaderBytes;
  } else {
    fd = open(tempFilePath_.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) return -99;
  bool ok = lseek(fd, start, SEEK_SET) == start && ReadUpTo(fd, data.get(), bytes) == static_cast<ssize_t>(bytes);
  close(fd);
  if (!ok) return -99;  // the file is shorter than the data it had

  size_t n = bytes / 2;
  auto sample = [&](size_t i) { return static_cast<int16_t>(wav::GetU16(data.get() + 2 * i)); };
  if (mode == 1) {
    int m = 0;
    for (size_t i = 0; i < n; ++i) m = std::max(m, std::abs(static_cast<int>(sample(i))));
    if (m <= 0) return -102;
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<double>(sample(i)) / m;
  } else {
    for (size_t i = 0; i < n; ++i) out[i] = ClampVolts(sample(i) * kPcmToVolts);
  }
  return 0;
}

int CLmAdCard::ReadWav(const char* path) {
  if (busy_) return -100;
  bool error = path == nullptr || path[0] == '\0';
  unsigned char h[wav::kHeaderBytes] = {};
  int64_t fileSize = -1;
  if (!error) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      error = true;
    } else {
      fileSize = FileSize(fd);
      if (ReadUpTo(fd, h, sizeof h) != static_cast<ssize_t>(sizeof h)) error = true;
      close(fd);
    }
  }
  headerLength_ = wav::kHeaderBytes;
  dataLength_ = wav::GetU32(h + 40);
  if (!wav::IdIs(h, "RIFF") || !wav::IdIs(h + 8, "WAVE") || !wav::IdIs(h + 12, "fmt ") ||
      !wav::IdIs(h + 36, "data"))
    error = true;
  if (fileSize != int64_t{wav::GetU32(h + 4)} + 8) error = true;
  if (dataLength_ != fileSize - 44) error = true;
  if (wav::GetU32(h + 16) != 16 || wav::GetU16(h + 22) != 1) error = true;
  // GetData reads 16-bit PCM samples, so nothing else is taken in.
  if (wav::GetU16(h + 34) != 16 || wav::GetU16(h + 32) != 2 || wav::GetU16(h + 20) != 1) error = true;

  samplingFrequency_ = wav::GetU32(h + 24);
  formatTag_ = wav::GetU16(h + 20);
  bytesPerSecond_ = wav::GetU32(h + 28);
  bytesPerSample_ = wav::GetU16(h + 32);
  bitsPerSample_ = static_cast<int>(wav::GetU16(h + 34));

  if (!error && dataLength_ > 0) {
    dataReady_ = 1;
    fileLength_ = dataLength_ + 44;
    if (bytesPerSample_ != 0) count_ = static_cast<uint32_t>(dataLength_ / bytesPerSample_);
    wavBase_ = 1;
    baseName_ = path;
    hasBaseName_ = true;
    return 0;
  }
  dataReady_ = 0;
  fileLength_ = 0;
  count_ = 0;
  wavBase_ = 0;
  baseName_.clear();
  return -100;
}

int CLmAdCard::Halt() {
  if (busy_) {
    g_run.stopRequest = 1;  // a handler of the run: let the run end first
    return -100;
  }
  channelIndex_ = 0;
  baseName_.clear();
  hasBaseName_ = false;
  wavBase_ = 0;
  FreeBuffers();
  gain_ = -1;
  timeout_ = 0;
  g_run.acquired = 0;
  g_run.status = 0;
  g_run.target = 0;
  dataReady_ = 0;
  if (cardDataBlock_ != nullptr) {
    // An armed trigger run: stop the card before its library goes.
    CardCalls card;
    if (ResolveCardCalls(&card, true)) {
      card.stopIrqMode();
      card.freeDataMem();
    }
    cardDataBlock_ = nullptr;
  }
  if (cardLibrary_ != nullptr) FreeLibrary(cardLibrary_);
  cardLibrary_ = nullptr;
  CloseTempFile();
  // The temporary file belongs to the recorder that holds the card: another
  // instance's Halt (a viewer, a failed probe) must not delete a running
  // recording's samples.
  if (holdsMutex_) unlink(tempFilePath_.c_str());
  requestedCount_ = 0;
  mode_ = 0;
  channelNumber_ = -1;
  samplingFrequency_ = 0;
  // Only the recorder that holds the lock gives it up.
  if (holdsMutex_) g_mutex.Release();
  holdsMutex_ = false;
  return 0;
}

int CLmAdCard::GetDISignal(uint16_t*, uint16_t) { return 1; }

int CLmAdCard::TrgModeSet(int triggerSwitch, HWND window, int delayMs, const char* baseName) {
  if (busy_) return 0;
  CardCalls card;
  bool resolved = ResolveCardCalls(&card, true);
  hasBaseName_ = baseName != nullptr;
  baseName_ = baseName != nullptr ? baseName : "";
  wavBase_ = 0;
  if (!resolved || requestedCount_ == 0) return -100;

  uint16_t channelCode = static_cast<uint16_t>(channelNumber_ - 1);
  if (card.setParamAuto(window, 3) != 0) return -100;
  if (card.setChannel(1, &channelCode) != 1) return -100;
  card.setTrigger(triggerSwitch != 0 ? 1 : 0, 1);
  if (card.setFreq(window, samplingPeriod_, 2) != 0) return -100;

  FreeBuffers();
  uint64_t delay = delayMs > 0 ? static_cast<uint64_t>(delayMs) : 0;
  preTriggerSamples_ = samplingPeriod_ > 0 ? static_cast<uint32_t>(delay * 1000 / samplingPeriod_) : 0;
  card.freeDataMem();
  cardDataBlock_ = nullptr;
  cardDataBlock_ = card.allocDataMem(window, count_ + preTriggerSamples_ + 32);
  if (cardDataBlock_ == nullptr) return -2;
  if (card.startIrqVxdMode(window, 2) != 0) {
    card.stopIrqMode();
    card.freeDataMem();
    cardDataBlock_ = nullptr;
    return -100;
  }
  return 0;
}

int CLmAdCard::TrgModeStop(int abort, int* count, double** samples) {
  CardCalls card;
  if (!ResolveCardCalls(&card, true)) return abort != 0 ? 0 : -105;
  card.stopIrqMode();
  if (abort != 0) {
    card.freeDataMem();
    cardDataBlock_ = nullptr;
    return 0;
  }
  if (cardDataBlock_ == nullptr || count == nullptr || samples == nullptr) return -105;  // nothing armed

  const uint32_t n = count_;
  auto* volts = static_cast<double*>(GlobalAlloc((size_t{n} + 1) * sizeof(double)));
  if (volts == nullptr) return -2;
  std::unique_ptr<int16_t[]> pcm(new (std::nothrow) int16_t[size_t{n} + 1]);
  if (!pcm) {
    GlobalFree(volts);
    return -2;
  }
  for (uint32_t i = 0; i < n; ++i) {
    volts[i] = ClampVolts(CodeToVolts(cardDataBlock_[preTriggerSamples_ + i]));
    pcm[i] = VoltsToPcm(volts[i]);
  }
  auto fail = [&]() {
    GlobalFree(volts);
    *count = 0;
    *samples = nullptr;
    return -105;
  };
  tempFd_ = open(tempFilePath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (tempFd_ < 0) {
    card.freeDataMem();
    cardDataBlock_ = nullptr;
    GlobalFree(volts);
    return -105;
  }
  bool written = WriteAll(tempFd_, reinterpret_cast<unsigned char*>(pcm.get()), size_t{n} * 2);
  int64_t size = FileSize(tempFd_);
  dataLength_ = written && size > 0 ? size : 0;
  if (close(tempFd_) != 0) written = false;
  tempFd_ = -1;
  busy_ = 0;
  card.freeDataMem();
  cardDataBlock_ = nullptr;
  if (!written) return fail();
  if (WriteWav() != 0) return fail();
  *count = static_cast<int>(n);
  *samples = volts;
  return 0;
}
