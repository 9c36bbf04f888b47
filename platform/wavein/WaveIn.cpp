// Wave input devices: an ALSA capture PCM, a queue of owner buffers and the
// device thread that moves samples from the one to the other.
#include "LmWaveIn.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LmWaveInAlsa.h"

namespace lmp {

struct WaveInDevice {
  // State shared with the device thread; it outlives the handle when the
  // thread has to be left behind (stuck inside ALSA) at close.
  struct Shared {
    std::mutex mutex;
    std::condition_variable wake;      // to the device thread
    std::condition_variable finished;  // from the device thread, when it ends
    wavein::AlsaCalls alsa{};
    snd_pcm_t* pcm = nullptr;
    uint32_t bytesPerFrame = 0;
    std::deque<WAVEHDR*> queue;
    std::vector<char> bounce;  // samples read but not yet in a buffer
    size_t bounceFill = 0;
    size_t bounceUsed = 0;
    uint64_t generation = 0;   // bumped by stop/reset: reads in flight are void
    bool running = false;
    bool startPending = false;
    bool restartPending = false;
    bool quit = false;
    bool threadDone = false;
    bool closeByThread = false;  // the handle is gone; the thread closes the PCM
    int deviceError = 0;
    uint32_t overruns = 0;
  };

  std::shared_ptr<Shared> shared;
  std::set<WAVEHDR*> prepared;  // owner thread only
  std::thread thread;
};

namespace {

constexpr auto kCloseWait = std::chrono::seconds(2);
constexpr int kIdleWaitMs = 10;
constexpr auto kIdleSleep = std::chrono::milliseconds(1);

MMRESULT OpenErrorCode(int alsaError) {
  switch (-alsaError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return MMSYSERR_BADDEVICEID;
    case EBUSY:
      return MMSYSERR_ALLOCATED;
    case ENOMEM:
      return MMSYSERR_NOMEM;
    default:
      return MMSYSERR_NODRIVER;
  }
}

bool FormatIsValid(const WAVEFORMATEX& f) {
  if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
  if (f.nChannels != 1 && f.nChannels != 2) return false;
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
  if (f.nSamplesPerSec == 0) return false;
  return f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

// Moves bounce-buffer bytes into the queued buffers, in order. Caller holds
// the mutex. A full buffer is marked done and leaves the queue.
void DeliverLocked(WaveInDevice::Shared& s) {
  while (s.bounceUsed < s.bounceFill && !s.queue.empty()) {
    WAVEHDR* h = s.queue.front();
    size_t room = h->dwBufferLength - h->dwBytesRecorded;
    size_t take = std::min(room, s.bounceFill - s.bounceUsed);
    std::memcpy(h->lpData + h->dwBytesRecorded, s.bounce.data() + s.bounceUsed, take);
    h->dwBytesRecorded += static_cast<uint32_t>(take);
    s.bounceUsed += take;
    if (h->dwBytesRecorded >= h->dwBufferLength) {
      s.queue.pop_front();
      h->dwFlags.store((h->dwFlags.load() & ~WHDR_INQUEUE) | WHDR_DONE, std::memory_order_release);
    }
  }
  if (s.bounceUsed >= s.bounceFill) s.bounceUsed = s.bounceFill = 0;
}

void HandBackLocked(WaveInDevice::Shared& s, WAVEHDR* h) {
  h->dwFlags.store((h->dwFlags.load() & ~WHDR_INQUEUE) | WHDR_DONE, std::memory_order_release);
}

void DeviceThread(std::shared_ptr<WaveInDevice::Shared> sp) {
  WaveInDevice::Shared& s = *sp;
  std::unique_lock<std::mutex> lock(s.mutex);
  std::vector<char> chunk(s.bounce.size());
  bool idle = false;
  while (!s.quit) {
    if (s.restartPending) {
      s.restartPending = false;
      int err = s.alsa.dropAndPrepare(s.pcm);
      if (err < 0) s.deviceError = err;
      continue;
    }
    if (s.startPending) {
      s.startPending = false;
      int err = s.alsa.start(s.pcm);
      // A PCM already running (or started by its first read) is fine.
      if (err < 0 && err != -EBADFD) s.deviceError = err;
      continue;
    }
    if (s.bounceFill > 0 && !s.queue.empty()) {
      DeliverLocked(s);
      continue;
    }
    // Read only when there is room: samples left waiting in the bounce
    // buffer block further reads until a buffer is queued.
    if (!s.running || s.deviceError != 0 || s.queue.empty() || s.bounceFill > 0) {
      s.wake.wait(lock);
      continue;
    }
    uint64_t generation = s.generation;
    size_t frames = chunk.size() / s.bytesPerFrame;
    lock.unlock();
    if (idle) {
      s.alsa.wait(s.pcm, kIdleWaitMs);
      // Some PCMs (null, file) report input ready at once without any; keep
      // an idle device from spinning a core.
      std::this_thread::sleep_for(kIdleSleep);
    }
    snd_pcm_sframes_t got = s.alsa.readi(s.pcm, chunk.data(), frames);
    lock.lock();
    if (got > 0) {
      idle = false;
      if (generation != s.generation || !s.running) continue;  // stopped meanwhile
      size_t bytes = static_cast<size_t>(got) * s.bytesPerFrame;
      std::memcpy(s.bounce.data(), chunk.data(), bytes);
      s.bounceFill = bytes;
      s.bounceUsed = 0;
      DeliverLocked(s);
    } else if (got == 0 || got == -EAGAIN) {
      idle = true;
    } else if (got == -EPIPE || got == -ESTRPIPE || got == -EINTR) {
      ++s.overruns;
      int err = s.alsa.recover(s.pcm, static_cast<int>(got), 1);
      if (err < 0) {
        s.deviceError = err;
      } else {
        err = s.alsa.start(s.pcm);
        if (err < 0 && err != -EBADFD) s.deviceError = err;
      }
    } else {
      s.deviceError = static_cast<int>(got);
    }
  }
  s.threadDone = true;
  if (s.closeByThread) {
    s.alsa.close(s.pcm);
    s.pcm = nullptr;
  }
  s.finished.notify_all();
}

}  // namespace

MMRESULT waveInOpen(HWAVEIN* device, const WAVEFORMATEX* format) {
  if (device == nullptr) return MMSYSERR_INVALPARAM;
  *device = nullptr;
  if (format == nullptr || !FormatIsValid(*format)) return WAVERR_BADFORMAT;

  auto* d = new (std::nothrow) WaveInDevice;
  if (d == nullptr) return MMSYSERR_NOMEM;
  std::unique_ptr<WaveInDevice> owner(d);
  try {
    d->shared = std::make_shared<WaveInDevice::Shared>();
    d->shared->bounce.resize(static_cast<size_t>(kWaveInChunkFrames) * format->nBlockAlign);
  } catch (const std::bad_alloc&) {
    return MMSYSERR_NOMEM;
  }
  WaveInDevice::Shared& s = *d->shared;
  s.alsa = wavein::Alsa();
  s.bytesPerFrame = format->nBlockAlign;

  const char* name = std::getenv("KR70_ALSA_PCM");
  if (name == nullptr || name[0] == '\0') name = "default";
  const char* extra = std::getenv("KR70_ALSA_CONF");
  int err = s.alsa.open(&s.pcm, name, extra);
  if (err < 0 || s.pcm == nullptr) return OpenErrorCode(err < 0 ? err : -ENODEV);

  snd_pcm_format_t alsaFormat = format->wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
  err = s.alsa.setParams(s.pcm, alsaFormat, format->nChannels, format->nSamplesPerSec);
  if (err < 0) {
    s.alsa.close(s.pcm);
    return WAVERR_BADFORMAT;
  }
  try {
    d->thread = std::thread(DeviceThread, d->shared);
  } catch (const std::system_error&) {
    s.alsa.close(s.pcm);
    return MMSYSERR_NOMEM;
  }
  *device = owner.release();
  return MMSYSERR_NOERROR;
}

MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || header->lpData == nullptr || header->dwBufferLength == 0)
    return MMSYSERR_INVALPARAM;
  if (header->dwFlags.load() & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  try {
    device->prepared.insert(header);
  } catch (const std::bad_alloc&) {
    return MMSYSERR_NOMEM;
  }
  header->dwFlags.store(WHDR_PREPARED);
  return MMSYSERR_NOERROR;
}

MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr) return MMSYSERR_INVALPARAM;
  if (header->dwFlags.load() & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  device->prepared.erase(header);
  header->dwFlags.store(header->dwFlags.load() & ~WHDR_PREPARED);
  return MMSYSERR_NOERROR;
}

MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr) return MMSYSERR_INVALPARAM;
  if (device->prepared.count(header) == 0 || !(header->dwFlags.load() & WHDR_PREPARED))
    return WAVERR_UNPREPARED;
  WaveInDevice::Shared& s = *device->shared;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (header->dwFlags.load() & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  try {
    s.queue.push_back(header);
  } catch (const std::bad_alloc&) {
    return MMSYSERR_NOMEM;
  }
  header->dwBytesRecorded = 0;
  header->dwFlags.store((header->dwFlags.load() & ~WHDR_DONE) | WHDR_INQUEUE);
  s.wake.notify_one();
  return MMSYSERR_NOERROR;
}

MMRESULT waveInStart(HWAVEIN device) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  WaveInDevice::Shared& s = *device->shared;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.deviceError != 0) return MMSYSERR_ERROR;
  if (!s.running) {
    s.running = true;
    s.startPending = true;
    s.wake.notify_one();
  }
  return MMSYSERR_NOERROR;
}

MMRESULT waveInStop(HWAVEIN device) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  WaveInDevice::Shared& s = *device->shared;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.running) {
    s.running = false;
    s.restartPending = true;
    ++s.generation;
    s.bounceFill = s.bounceUsed = 0;
    if (!s.queue.empty() && s.queue.front()->dwBytesRecorded > 0) {
      HandBackLocked(s, s.queue.front());
      s.queue.pop_front();
    }
    s.wake.notify_one();
  }
  return MMSYSERR_NOERROR;
}

MMRESULT waveInReset(HWAVEIN device) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  WaveInDevice::Shared& s = *device->shared;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.running = false;
  s.startPending = false;
  s.restartPending = true;
  ++s.generation;
  s.bounceFill = s.bounceUsed = 0;
  for (WAVEHDR* h : s.queue) HandBackLocked(s, h);
  s.queue.clear();
  s.wake.notify_one();
  return MMSYSERR_NOERROR;
}

MMRESULT waveInClose(HWAVEIN device) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  std::shared_ptr<WaveInDevice::Shared> sp = device->shared;
  WaveInDevice::Shared& s = *sp;
  {
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.queue.empty()) return WAVERR_STILLPLAYING;
    s.quit = true;
    s.wake.notify_one();
    if (!s.finished.wait_for(lock, kCloseWait, [&] { return s.threadDone; })) {
      // Stuck inside ALSA (a blocking plugin): let it finish on its own.
      s.closeByThread = true;
      lock.unlock();
      device->thread.detach();
      delete device;
      return MMSYSERR_NOERROR;
    }
  }
  device->thread.join();
  int err = s.alsa.close(s.pcm);
  s.pcm = nullptr;
  delete device;
  return err < 0 ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

int waveInDeviceError(HWAVEIN device) {
  if (device == nullptr) return 0;
  std::lock_guard<std::mutex> lock(device->shared->mutex);
  return device->shared->deviceError;
}

uint32_t waveInOverruns(HWAVEIN device) {
  if (device == nullptr) return 0;
  std::lock_guard<std::mutex> lock(device->shared->mutex);
  return device->shared->overruns;
}

}  // namespace lmp
