// Wave input against real ALSA "file" PCMs, and failures through the seam.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "AlsaTestPcm.h"
#include "LmWaveIn.h"
#include "LmWaveInAlsa.h"

using namespace lmp;
using kr70test::AlsaTestPcm;

namespace {

WAVEFORMATEX Format(uint32_t rate, uint16_t bits) {
  WAVEFORMATEX f;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<uint16_t>(bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

std::vector<unsigned char> Ramp16(size_t samples) {
  std::vector<unsigned char> bytes(samples * 2);
  for (size_t i = 0; i < samples; ++i) {
    int16_t v = static_cast<int16_t>((i * 7919) % 65536 - 32768);
    std::memcpy(&bytes[i * 2], &v, 2);
  }
  return bytes;
}

bool WaitDone(const WAVEHDR& h, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!(h.dwFlags.load() & WHDR_DONE)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

struct Buffers {
  explicit Buffers(std::vector<uint32_t> sizes) {
    for (uint32_t n : sizes) storage.emplace_back(n);
    headers = std::vector<WAVEHDR>(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
      headers[i].lpData = storage[i].data();
      headers[i].dwBufferLength = sizes[i];
    }
  }
  std::vector<std::vector<char>> storage;
  std::vector<WAVEHDR> headers;
};

}  // namespace

// Three buffers of unequal sizes, one given back twice: the bytes that come
// out are the infile's bytes in order, none lost or repeated.
TEST(WaveIn, FilePcmDeliversTheInfileInOrder) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.Ok());
  std::vector<unsigned char> samples = Ramp16(40000);
  ASSERT_TRUE(pcm.UseSamples(samples));

  WAVEFORMATEX f = Format(48000, 16);
  HWAVEIN dev = nullptr;
  ASSERT_EQ(waveInOpen(&dev, &f), MMSYSERR_NOERROR);
  Buffers b({10000, 30002, 7000});
  for (auto& h : b.headers) ASSERT_EQ(waveInPrepareHeader(dev, &h), MMSYSERR_NOERROR);
  for (auto& h : b.headers) ASSERT_EQ(waveInAddBuffer(dev, &h), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInStart(dev), MMSYSERR_NOERROR);

  std::vector<unsigned char> out;
  auto take = [&](WAVEHDR& h) {
    ASSERT_TRUE(WaitDone(h, std::chrono::seconds(5)));
    EXPECT_EQ(h.dwBytesRecorded, h.dwBufferLength);
    EXPECT_FALSE(h.dwFlags.load() & WHDR_INQUEUE);
    out.insert(out.end(), h.lpData, h.lpData + h.dwBytesRecorded);
  };
  take(b.headers[0]);
  ASSERT_EQ(waveInAddBuffer(dev, &b.headers[0]), MMSYSERR_NOERROR);
  take(b.headers[1]);
  take(b.headers[2]);
  take(b.headers[0]);

  EXPECT_EQ(waveInReset(dev), MMSYSERR_NOERROR);
  for (auto& h : b.headers) EXPECT_EQ(waveInUnprepareHeader(dev, &h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(dev), MMSYSERR_NOERROR);

  ASSERT_EQ(out.size(), 57002u);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), samples.begin()));
  EXPECT_EQ(waveInDeviceError(nullptr), 0);
}

TEST(WaveIn, EightBitSamplesArriveUnchanged) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.Ok());
  std::vector<unsigned char> samples(5000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<unsigned char>(i * 13);
  ASSERT_TRUE(pcm.UseSamples(samples));

  WAVEFORMATEX f = Format(11205, 8);
  HWAVEIN dev = nullptr;
  ASSERT_EQ(waveInOpen(&dev, &f), MMSYSERR_NOERROR);
  Buffers b({4096});
  ASSERT_EQ(waveInPrepareHeader(dev, &b.headers[0]), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(dev, &b.headers[0]), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInStart(dev), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitDone(b.headers[0], std::chrono::seconds(5)));
  EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + 4096,
                         reinterpret_cast<unsigned char*>(b.headers[0].lpData)));
  EXPECT_EQ(waveInUnprepareHeader(dev, &b.headers[0]), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(dev), MMSYSERR_NOERROR);
}

TEST(WaveIn, OpenRefusesUndefinedPcmsAndBadFormats) {
  AlsaTestPcm::SelectUndefined();
  WAVEFORMATEX f = Format(8000, 16);
  HWAVEIN dev = reinterpret_cast<HWAVEIN>(&f);
  EXPECT_EQ(waveInOpen(&dev, &f), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(dev, nullptr);

  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(Ramp16(10)));
  WAVEFORMATEX bad = Format(8000, 16);
  bad.nChannels = 3;
  EXPECT_EQ(waveInOpen(&dev, &bad), WAVERR_BADFORMAT);
  bad = Format(8000, 12);
  EXPECT_EQ(waveInOpen(&dev, &bad), WAVERR_BADFORMAT);
  bad = Format(0, 16);
  EXPECT_EQ(waveInOpen(&dev, &bad), WAVERR_BADFORMAT);
  bad = Format(8000, 16);
  bad.nBlockAlign = 4;
  EXPECT_EQ(waveInOpen(&dev, &bad), WAVERR_BADFORMAT);
  EXPECT_EQ(waveInOpen(nullptr, &f), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveInClose(nullptr), MMSYSERR_INVALHANDLE);
}

TEST(WaveIn, OpenFailuresOfAlsaAreMapped) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(Ramp16(10)));
  WAVEFORMATEX f = Format(8000, 16);
  HWAVEIN dev = nullptr;
  {
    wavein::AlsaCallsOverride o;
    o->open = [](snd_pcm_t**, const char*, const char*) { return -EBUSY; };
    EXPECT_EQ(waveInOpen(&dev, &f), MMSYSERR_ALLOCATED);
  }
  {
    static std::atomic<int> closes{0};
    closes = 0;
    wavein::AlsaCallsOverride o;
    o->setParams = [](snd_pcm_t*, snd_pcm_format_t, unsigned, unsigned) { return -EINVAL; };
    o->close = [](snd_pcm_t* p) {
      ++closes;
      return snd_pcm_close(p);
    };
    EXPECT_EQ(waveInOpen(&dev, &f), WAVERR_BADFORMAT);
    EXPECT_EQ(closes.load(), 1);  // the PCM that did open is closed again
  }
  EXPECT_EQ(dev, nullptr);
}

// A header belongs to the device it was prepared for; queued headers block
// unprepare and close; reset hands every queued buffer back as done.
TEST(WaveIn, HeadersFollowTheQueueRules) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(Ramp16(100)));
  WAVEFORMATEX f = Format(8000, 16);
  HWAVEIN first = nullptr;
  HWAVEIN second = nullptr;
  ASSERT_EQ(waveInOpen(&first, &f), MMSYSERR_NOERROR);
  Buffers b({64, 64});
  WAVEHDR& h = b.headers[0];
  EXPECT_EQ(waveInAddBuffer(first, &h), WAVERR_UNPREPARED);
  ASSERT_EQ(waveInPrepareHeader(first, &h), MMSYSERR_NOERROR);
  EXPECT_TRUE(h.dwFlags.load() & WHDR_PREPARED);
  ASSERT_EQ(waveInClose(first), MMSYSERR_NOERROR);

  ASSERT_EQ(waveInOpen(&second, &f), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInAddBuffer(second, &h), WAVERR_UNPREPARED);
  ASSERT_EQ(waveInPrepareHeader(second, &h), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInPrepareHeader(second, &b.headers[1]), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(second, &h), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(second, &b.headers[1]), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInAddBuffer(second, &h), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInUnprepareHeader(second, &h), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInClose(second), WAVERR_STILLPLAYING);

  // Not started: nothing recorded, both come back done and empty.
  ASSERT_EQ(waveInReset(second), MMSYSERR_NOERROR);
  for (auto& hh : b.headers) {
    EXPECT_EQ(hh.dwFlags.load(), WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(hh.dwBytesRecorded, 0u);
    EXPECT_EQ(waveInUnprepareHeader(second, &hh), MMSYSERR_NOERROR);
    EXPECT_EQ(hh.dwFlags.load(), WHDR_DONE);
  }
  EXPECT_EQ(waveInClose(second), MMSYSERR_NOERROR);
}

// ALSA overruns are recovered and counted; a hard read error stops the
// device, leaves the buffer undone and is reported, and close is prompt.
TEST(WaveIn, OverrunsAreRecoveredAndReadErrorsStopTheDevice) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(Ramp16(20000)));
  static std::atomic<int> reads{0};
  reads = 0;
  wavein::AlsaCallsOverride o;
  o->readi = [](snd_pcm_t* p, void* buf, snd_pcm_uframes_t n) -> snd_pcm_sframes_t {
    int k = ++reads;
    if (k == 2) return -EPIPE;
    if (k >= 5) return -EIO;
    return snd_pcm_readi(p, buf, n);
  };
  WAVEFORMATEX f = Format(48000, 16);
  HWAVEIN dev = nullptr;
  ASSERT_EQ(waveInOpen(&dev, &f), MMSYSERR_NOERROR);
  // Three good reads of 1024 frames fill the first buffer exactly.
  Buffers b({3 * 1024 * 2, 4096});
  for (auto& h : b.headers) {
    ASSERT_EQ(waveInPrepareHeader(dev, &h), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(dev, &h), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(waveInStart(dev), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitDone(b.headers[0], std::chrono::seconds(5)));
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (waveInDeviceError(dev) == 0 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(waveInDeviceError(dev), -EIO);
  EXPECT_EQ(waveInOverruns(dev), 1u);
  EXPECT_FALSE(b.headers[1].dwFlags.load() & WHDR_DONE);
  EXPECT_EQ(waveInStart(dev), MMSYSERR_ERROR);

  auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(waveInReset(dev), MMSYSERR_NOERROR);
  for (auto& h : b.headers) EXPECT_EQ(waveInUnprepareHeader(dev, &h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(dev), MMSYSERR_NOERROR);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
}

// A PCM whose read never returns (a FIFO infile with a silent writer) must
// not hold close for ever; the thread closes the PCM once the read returns.
TEST(WaveIn, CloseDoesNotHangOnAStuckRead) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseFifo());
  // O_RDWR keeps the FIFO open for writing without a reader yet.
  int writer = open(pcm.InfilePath().c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  WAVEFORMATEX f = Format(8000, 16);
  HWAVEIN dev = nullptr;
  ASSERT_EQ(waveInOpen(&dev, &f), MMSYSERR_NOERROR);
  Buffers b({2048});
  ASSERT_EQ(waveInPrepareHeader(dev, &b.headers[0]), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(dev, &b.headers[0]), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInStart(dev), MMSYSERR_NOERROR);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(b.headers[0].dwFlags.load() & WHDR_DONE);

  auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(waveInReset(dev), MMSYSERR_NOERROR);
  EXPECT_TRUE(b.headers[0].dwFlags.load() & WHDR_DONE);
  ASSERT_EQ(waveInUnprepareHeader(dev, &b.headers[0]), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(dev), MMSYSERR_NOERROR);
  auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_LT(took, std::chrono::seconds(4));
  // Releasing the read lets the left-behind thread end and close the PCM.
  std::vector<char> chunk(2048);
  EXPECT_EQ(write(writer, chunk.data(), chunk.size()), 2048);
  EXPECT_EQ(close(writer), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}
