// AcSoundBlaster through real ALSA "file" PCMs: exact WAV output, the
// conversions of GetData, ReadWav's chunk walk and its refusals, and runs
// that fail or stall.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "AcqTestUtil.h"
#include "AlsaTestPcm.h"
#include "LmSBBd.h"
#include "LmWaveInAlsa.h"

using namespace kr70test;

namespace {

std::vector<int16_t> Ramp(size_t n) {
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<int16_t>((i * 613) % 65536 - 32768);
  return s;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace

TEST(SoundCardInitialize, ValidatesAndStoresGainAndTimeoutAsOne) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(Samples16(Ramp(100))));
  AcSoundBlaster sb;
  EXPECT_EQ(sb.GetDevNum(), -1);
  EXPECT_EQ(sb.GetChan(), -1);
  EXPECT_EQ(sb.GetGain(), -1);
  EXPECT_EQ(sb.GetTimeout(), 0u);

  EXPECT_EQ(sb.Initialize(12, 1, 1, 100, 8000, 0), -1);
  EXPECT_EQ(sb.Initialize(16, 3, 1, 100, 8000, 0), -1);
  EXPECT_EQ(sb.Initialize(16, 0, 1, 100, 8000, 0), -1);
  EXPECT_EQ(sb.Initialize(16, 1, 1, 0, 8000, 0), -1);
  EXPECT_EQ(sb.Initialize(16, 1, 1, 100, 0, 0), -1);
  EXPECT_EQ(sb.Initialize(16, 1, 1, 0xFFFFFFFFu, 8000, 0), -1);  // data length beyond 32 bits

  EXPECT_EQ(sb.Initialize(16, 1, 37, 100, 8000, 9999), 0);
  EXPECT_EQ(sb.GetGain(), 1);
  EXPECT_EQ(sb.GetTimeout(), 1u);
  EXPECT_EQ(sb.GetDevNum(), 16);
  EXPECT_EQ(sb.GetChan(), 1);
  EXPECT_EQ(sb.GetCount(), 100u);
  EXPECT_EQ(sb.GetSampFreq(), 8000u);

  EXPECT_EQ(sb.Halt(), 0);
  EXPECT_EQ(sb.GetGain(), -1);
  EXPECT_EQ(sb.GetTimeout(), 0u);
  // Halted: nothing to record with.
  EXPECT_EQ(sb.StartRec(nullptr), -100);
}

TEST(SoundCardInitialize, MissingDeviceGivesMinus99) {
  AlsaTestPcm::SelectUndefined();
  AcSoundBlaster sb;
  EXPECT_EQ(sb.Initialize(16, 1, 1, 100, 11205, 0), -99);

  // A device that goes away between Initialize and StartRec.
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(Samples16(Ramp(100))));
  ASSERT_EQ(sb.Initialize(16, 1, 1, 100, 8000, 0), 0);
  AlsaTestPcm::SelectUndefined();
  EXPECT_EQ(sb.StartRec(nullptr), -99);
}

TEST(SoundCardRecord, SixteenBitWavHoldsExactlyTheInfileSamples) {
  AlsaTestPcm pcm;
  ScratchFolder out;
  std::vector<int16_t> samples = Ramp(40000);  // 80000 bytes: two buffers and a part
  ASSERT_TRUE(pcm.UseSamples(Samples16(samples)));
  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(16, 1, 1, 40000, 48000, 0), 0);
  std::string path = out.File("A-001.wav");
  ASSERT_EQ(sb.StartRec(path.c_str()), 0);

  std::vector<unsigned char> file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 44u + 80000u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
  EXPECT_EQ(Get32(file, 4), 80036u);
  EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Get32(file, 16), 16u);
  EXPECT_EQ(Get16(file, 20), 1u);
  EXPECT_EQ(Get16(file, 22), 1u);
  EXPECT_EQ(Get32(file, 24), 48000u);
  EXPECT_EQ(Get32(file, 28), 96000u);
  EXPECT_EQ(Get16(file, 32), 2u);
  EXPECT_EQ(Get16(file, 34), 16u);
  EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
  EXPECT_EQ(Get32(file, 40), 80000u);
  std::vector<unsigned char> expected = Samples16(samples);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 44));

  EXPECT_EQ(sb.GetCount(), 40000u);
  std::vector<double> volts(40000);
  ASSERT_EQ(sb.GetData(volts.data(), 0), 0);
  for (size_t i : {size_t{0}, size_t{1}, size_t{39999}})
    EXPECT_DOUBLE_EQ(volts[i], samples[i] * 10.0 / 65534.0);
  // The temporary file lives in the per-user folder and is gone after a run.
  EXPECT_EQ(sb.TemporaryFilePath().rfind(AcSoundBlaster::TemporaryFolder() + "/", 0), 0u);
  EXPECT_FALSE(Exists(sb.TemporaryFilePath()));
  EXPECT_FALSE(Exists("AcSBBdWavDataFile.tmp"));
}

// Less than one buffer: the temporary file gets a whole buffer, the WAV file
// exactly count bytes, and no channel suffix is added to the name.
TEST(SoundCardRecord, SmallEightBitRunWritesExactlyCountBytes) {
  AlsaTestPcm pcm;
  ScratchFolder out;
  std::vector<unsigned char> bytes(1000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  ASSERT_TRUE(pcm.UseSamples(bytes));
  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(8, 1, 1, 1000, 11205, 0), 0);
  std::string path = out.File("B-002.wav");
  ASSERT_EQ(sb.StartRec(path.c_str()), 0);
  EXPECT_FALSE(Exists(out.File("B-002.wav#01.wav")));
  std::vector<unsigned char> file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 1044u);
  EXPECT_EQ(Get32(file, 24), 11205u);
  EXPECT_EQ(Get32(file, 28), 11205u);
  EXPECT_EQ(Get16(file, 32), 1u);
  EXPECT_EQ(Get16(file, 34), 8u);
  EXPECT_EQ(Get32(file, 40), 1000u);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), file.begin() + 44));
}

TEST(SoundCardRecord, NullPathKeepsTheSamplesForGetData) {
  AlsaTestPcm pcm;
  std::vector<int16_t> samples = {32767, -32767, -32768, 0, 16384, -1};
  ASSERT_TRUE(pcm.UseSamples(Samples16(samples)));
  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(16, 1, 1, 6, 8000, 0), 0);
  ASSERT_EQ(sb.StartRec(nullptr), 0);
  double v[6];
  ASSERT_EQ(sb.GetData(v, 0), 0);
  EXPECT_EQ(v[0], 5.0);  // 32767 x 10 / 65534 is exactly 5
  EXPECT_EQ(v[1], -5.0);
  EXPECT_DOUBLE_EQ(v[2], -5.000152592547380);  // no clamping here
  EXPECT_EQ(v[3], 0.0);
  ASSERT_EQ(sb.GetData(v, 1), 0);
  EXPECT_DOUBLE_EQ(v[0], 32767.0 / 32768.0);
  EXPECT_EQ(v[2], -1.0);
  EXPECT_DOUBLE_EQ(v[4], 0.5);
}

// The usual order: run, read the file back, run again.
TEST(SoundCardRecord, RunsAgainAfterReadWavAndAfterAFailedRun) {
  AlsaTestPcm pcm;
  ScratchFolder out;
  ASSERT_TRUE(pcm.UseSamples(Samples16(Ramp(3000))));
  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(16, 1, 1, 3000, 8000, 0), 0);
  std::string first = out.File("first.wav");
  ASSERT_EQ(sb.StartRec(first.c_str()), 0);
  ASSERT_EQ(sb.ReadWav(first.c_str()), 0);
  EXPECT_EQ(sb.GetCount(), 3000u);
  std::string second = out.File("second.wav");
  ASSERT_EQ(sb.StartRec(second.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(second).size(), 44u + 6000u);

  {
    lmp::wavein::AlsaCallsOverride o;
    o->readi = [](snd_pcm_t*, void*, snd_pcm_uframes_t) -> snd_pcm_sframes_t { return -EIO; };
    EXPECT_EQ(sb.StartRec(out.File("failed.wav").c_str()), -100);
  }
  EXPECT_FALSE(Exists(out.File("failed.wav")));
  double v[3000];
  EXPECT_EQ(sb.GetData(v, 0), -102);
  std::string third = out.File("third.wav");
  EXPECT_EQ(sb.StartRec(third.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(third).size(), 44u + 6000u);
}

TEST(SoundCardFailure, ReadErrorEndsTheRunPromptly) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(Samples16(Ramp(100))));
  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(16, 1, 1, 480000, 48000, 0), 0);  // 10 s expected
  lmp::wavein::AlsaCallsOverride o;
  o->readi = [](snd_pcm_t*, void*, snd_pcm_uframes_t) -> snd_pcm_sframes_t { return -ENODEV; };
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(sb.StartRec(nullptr), -100);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
}

// A FIFO infile whose writer goes quiet: the device stops delivering, and the
// run ends with -100 after 2 x 0.5 s + 1 s instead of waiting for ever.
TEST(SoundCardFailure, StalledPcmEndsTheRunAfterTheLimit) {
  AlsaTestPcm pcm;
  ScratchFolder out;
  ASSERT_TRUE(pcm.UseFifo());
  int writer = open(pcm.InfilePath().c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(16, 1, 1, 4000, 8000, 0), 0);
  std::vector<unsigned char> some(2048, 1);  // one read's worth, then silence
  ASSERT_EQ(write(writer, some.data(), some.size()), 2048);

  auto t0 = std::chrono::steady_clock::now();
  std::string path = out.File("stalled.wav");
  EXPECT_EQ(sb.StartRec(path.c_str()), -100);
  auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(took, std::chrono::milliseconds(1900));
  EXPECT_LT(took, std::chrono::seconds(6));
  EXPECT_FALSE(Exists(path));
  double v[4000];
  EXPECT_EQ(sb.GetData(v, 0), -102);
  // Let the device thread left in its read finish.
  std::vector<unsigned char> more(4096, 0);
  EXPECT_EQ(write(writer, more.data(), more.size()), 4096);
  EXPECT_EQ(close(writer), 0);
}

TEST(SoundCardFailure, UnwritableWavPathGivesMinus100) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(Samples16(Ramp(500))));
  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(16, 1, 1, 500, 8000, 0), 0);
  EXPECT_EQ(sb.StartRec("/nonexistent-kr70-folder/x.wav"), -100);
  double v[500];
  EXPECT_EQ(sb.GetData(v, 0), -102);
}

TEST(SoundCardGetData, EightBitConversionsAndAllZeroSignals) {
  ScratchFolder dir;
  AcSoundBlaster sb;
  WavImage w;
  w.bits = 8;
  w.align = 1;
  w.data = {128, 0, 255};
  std::string path = dir.File("eight.wav");
  ASSERT_TRUE(WriteFileBytes(path, w.Bytes()));
  ASSERT_EQ(sb.ReadWav(path.c_str()), 0);
  EXPECT_EQ(sb.GetDevNum(), 8);
  EXPECT_EQ(sb.GetCount(), 3u);
  double v[3];
  ASSERT_EQ(sb.GetData(v, 0), 0);
  EXPECT_EQ(v[0], 0.0);
  EXPECT_EQ(v[1], -5.0);
  EXPECT_EQ(v[2], 4.9609375);
  ASSERT_EQ(sb.GetData(v, 1), 0);  // largest |byte - 128| is 128
  EXPECT_EQ(v[1], -1.0);
  EXPECT_EQ(v[2], 127.0 / 128.0);

  w.data = {128, 128};
  ASSERT_TRUE(WriteFileBytes(path, w.Bytes()));
  ASSERT_EQ(sb.ReadWav(path.c_str()), 0);
  EXPECT_EQ(sb.GetData(v, 1), -102);
  EXPECT_EQ(sb.GetData(v, 0), 0);

  WavImage z;
  z.data = Samples16({0, 0, 0});
  ASSERT_TRUE(WriteFileBytes(path, z.Bytes()));
  ASSERT_EQ(sb.ReadWav(path.c_str()), 0);
  EXPECT_EQ(sb.GetData(v, 1), -102);
}

TEST(SoundCardReadWav, WalksOverChunksBeforeData) {
  ScratchFolder dir;
  AcSoundBlaster sb;
  WavImage w;
  w.rate = 22050;
  w.extraChunk = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
  w.data = Samples16({1000, -2000, 3000});
  std::string path = dir.File("list.wav");
  ASSERT_TRUE(WriteFileBytes(path, w.Bytes()));
  ASSERT_EQ(sb.ReadWav(path.c_str()), 0);
  EXPECT_EQ(sb.GetSampFreq(), 22050u);
  EXPECT_EQ(sb.GetCount(), 3u);
  double v[3];
  ASSERT_EQ(sb.GetData(v, 1), 0);
  EXPECT_DOUBLE_EQ(v[0], 1000.0 / 3000.0);
  EXPECT_DOUBLE_EQ(v[1], -2000.0 / 3000.0);
  EXPECT_EQ(v[2], 1.0);

  // An odd-sized chunk is followed by its RIFF pad byte.
  w.extraChunk = {'n', 'o', 't', 'e', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  ASSERT_TRUE(WriteFileBytes(path, w.Bytes()));
  ASSERT_EQ(sb.ReadWav(path.c_str()), 0);
  ASSERT_EQ(sb.GetData(v, 0), 0);
  EXPECT_DOUBLE_EQ(v[0], 1000 * 10.0 / 65534.0);
}

TEST(SoundCardReadWav, RefusesMalformedFilesWithoutReadingPastThem) {
  ScratchFolder dir;
  WavImage good;
  good.data = Samples16({1, 2, 3, 4});
  std::vector<unsigned char> base = good.Bytes();

  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
  };
  std::vector<Case> cases;
  WavImage w = good;
  w.channels = 2;
  w.align = 4;
  cases.push_back({"stereo", w.Bytes()});
  w = good;
  w.bits = 8;
  w.align = 2;
  cases.push_back({"eight-bit-align-two", w.Bytes()});
  w = good;
  w.formatTag = 3;
  cases.push_back({"float-tag", w.Bytes()});
  w = good;
  w.dataSizeOverride = 10;  // two bytes more than present
  cases.push_back({"data-size-exceeds-file", w.Bytes()});
  w = good;
  w.dataSizeOverride = 0xFFFFFFFF;
  cases.push_back({"oversized-length", w.Bytes()});
  w = good;
  w.dataSizeOverride = 0;
  cases.push_back({"empty-data", w.Bytes()});
  w = good;
  w.extraChunk = {'J', 'U', 'N', 'K', 0xF0, 0xFF, 0xFF, 0xFF};
  cases.push_back({"chunk-size-beyond-end", w.Bytes()});
  cases.push_back({"truncated-header", std::vector<unsigned char>(base.begin(), base.begin() + 30)});
  cases.push_back({"cut-before-data-id", std::vector<unsigned char>(base.begin(), base.begin() + 38)});
  std::vector<unsigned char> noData(base.begin(), base.begin() + 36);
  cases.push_back({"no-data-chunk", noData});
  std::vector<unsigned char> smallFmt = base;
  smallFmt[16] = 8;
  cases.push_back({"fmt-size-below-16", smallFmt});
  std::vector<unsigned char> riff = base;
  riff[0] = 'X';
  cases.push_back({"not-riff", riff});
  std::vector<unsigned char> garbage(300);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>(i * 131 + 7);
  cases.push_back({"garbage", garbage});
  cases.push_back({"empty-file", {}});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AcSoundBlaster sb;
    std::string path = dir.File(std::string(c.name) + ".wav");
    ASSERT_TRUE(WriteFileBytes(path, c.bytes));
    EXPECT_EQ(sb.ReadWav(path.c_str()), -100);
    double v[8];
    EXPECT_EQ(sb.GetData(v, 0), -102);
    EXPECT_EQ(sb.GetCount(), 0u);
  }
  AcSoundBlaster sb;
  EXPECT_EQ(sb.ReadWav(nullptr), -100);
  EXPECT_EQ(sb.ReadWav(dir.File("missing.wav").c_str()), -100);
  EXPECT_EQ(sb.ReadWav(dir.Path().c_str()), -100);  // a folder
  // A rejected file also drops data that an earlier file gave.
  std::string good16 = dir.File("good.wav");
  ASSERT_TRUE(WriteFileBytes(good16, base));
  ASSERT_EQ(sb.ReadWav(good16.c_str()), 0);
  EXPECT_EQ(sb.ReadWav(dir.File("garbage.wav").c_str()), -100);
  double v[4];
  EXPECT_EQ(sb.GetData(v, 0), -102);
}

// StartRec pumps the caller's messages; a handler that calls back into the
// recorder during the run is refused instead of freeing buffers in use.
TEST(SoundCardReentry, CallsFromAHandlerDuringARunAreRefused) {
  AlsaTestPcm pcm;
  ScratchFolder out;
  ASSERT_TRUE(pcm.UseSamples(Samples16(Ramp(20000))));
  lmp::wavein::AlsaCallsOverride o;
  o->readi = [](snd_pcm_t* p, void* buf, snd_pcm_uframes_t n) -> snd_pcm_sframes_t {
    std::this_thread::sleep_for(std::chrono::milliseconds(3));  // a slower device
    return snd_pcm_readi(p, buf, n);
  };
  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(16, 1, 1, 20000, 48000, 0), 0);
  int answers[4] = {1, 1, 1, 1};
  bool handled = false;
  lmp::HWND window = lmp::CreateWindowHandle([&](lmp::HWND, lmp::UINT, lmp::WPARAM, lmp::LPARAM) {
    answers[0] = sb.Halt();
    answers[1] = sb.Initialize(16, 1, 1, 10, 8000, 0);
    answers[2] = sb.ReadWav("/nonexistent.wav");
    answers[3] = sb.StartRec(nullptr);
    handled = true;
    return lmp::LRESULT{0};
  });
  ASSERT_TRUE(lmp::PostMessage(window, lmp::WM_USER, 0, 0));
  std::string path = out.File("reentry.wav");
  EXPECT_EQ(sb.StartRec(path.c_str()), 0);
  lmp::DestroyWindowHandle(window);
  ASSERT_TRUE(handled);
  EXPECT_EQ(answers[0], -100);
  EXPECT_EQ(answers[1], -100);
  EXPECT_EQ(answers[2], -100);
  EXPECT_EQ(answers[3], 0);  // already running
  EXPECT_EQ(ReadFileBytes(path).size(), 44u + 40000u);
}
