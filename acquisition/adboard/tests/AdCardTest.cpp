// CLmAdCard on the simulated card: Initialize and its lock, blocking runs and
// their WAV files, stopping by a posted overrun, failing configurations,
// ReadWav and GetData on good and malformed files.
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "AcqTestUtil.h"
#include "AdCardTestSupport.h"
#include "LmOsSeam.h"
#include "Lm_AdCard.h"

using namespace kr70test;
namespace sim = lmp::cardhw::sim;

namespace {

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Samples of the recorded file, after its 44-byte header.
std::vector<int16_t> PcmOf(const std::vector<unsigned char>& file) {
  std::vector<int16_t> s;
  for (size_t i = 44; i + 1 < file.size(); i += 2)
    s.push_back(static_cast<int16_t>(file[i] | (file[i + 1] << 8)));
  return s;
}

}  // namespace

TEST(AdCardInitialize, RefusesBadArgumentsAndStoresGoodOnes) {
  CLmAdCard ad;
  EXPECT_EQ(ad.GetDevNum(), -1);
  EXPECT_EQ(ad.GetGain(), -1);
  EXPECT_EQ(ad.Initialize(16, 1, 3, 100, 50000, 0, 0), -1);  // gain not in the list
  EXPECT_EQ(ad.Initialize(8, 1, 1, 100, 50000, 0, 0), -1);
  EXPECT_EQ(ad.Initialize(16, 0, 1, 100, 50000, 0, 0), -1);
  EXPECT_EQ(ad.Initialize(16, 9, 1, 100, 50000, 0, 0), -1);  // the card has 8 channels
  EXPECT_EQ(ad.Initialize(16, 1, 1, 0, 50000, 0, 0), -1);
  EXPECT_EQ(ad.Initialize(16, 1, 1, 100, 0, 0, 0), -1);
  EXPECT_EQ(ad.Initialize(16, 1, 1, 100, 10, 0, 0), -1);  // 100000 µs does not fit 16 bits
  EXPECT_EQ(ad.Initialize(16, 1, 1, 100, 50000, 0, 2), -1);

  ASSERT_EQ(ad.Initialize(16, 3, 20, 1234, 25000, 77, 1), 0);
  EXPECT_EQ(ad.GetDevNum(), 16);
  EXPECT_EQ(ad.GetChan(), 1);
  EXPECT_EQ(ad.GetGain(), 20);
  EXPECT_EQ(ad.GetCount(), 1234u);
  EXPECT_EQ(ad.GetSampFreq(), 25000u);
  EXPECT_EQ(ad.GetTimeout(), 77u);
  uint16_t word = 0xABCD;
  EXPECT_EQ(ad.GetDISignal(&word, 0), 1);
  EXPECT_EQ(word, 0xABCD);  // no digital input on this board
  EXPECT_EQ(ad.Halt(), 0);
  EXPECT_EQ(ad.GetGain(), -1);
  EXPECT_EQ(ad.GetTimeout(), 0u);
  EXPECT_EQ(ad.GetSampFreq(), 0u);
  EXPECT_EQ(ad.Halt(), 0);
}

TEST(AdCardInitialize, TheCardLockAllowsOneRecorderUntilHalt) {
  CLmAdCard first;
  CLmAdCard second;
  ASSERT_EQ(first.Initialize(16, 1, 1, 100, 50000, 0, 0), 0);
  EXPECT_EQ(first.Initialize(16, 1, 1, 100, 50000, 0, 0), -101);
  EXPECT_EQ(second.Initialize(16, 1, 1, 100, 50000, 0, 0), -101);
  EXPECT_EQ(second.Halt(), 0);  // holds nothing, releases nothing
  EXPECT_EQ(second.Initialize(16, 1, 1, 100, 50000, 0, 0), -101);
  EXPECT_EQ(first.Halt(), 0);
  EXPECT_EQ(second.Initialize(16, 1, 1, 100, 50000, 0, 0), 0);
  EXPECT_EQ(second.Halt(), 0);

  // Held elsewhere (here another lock object, as another process would).
  lmp::NamedLock other;
  ASSERT_EQ(other.Create("CLmAdNiMutex"), lmp::NamedLock::kCreated);
  EXPECT_EQ(first.Initialize(16, 1, 1, 100, 50000, 0, 0), -101);
  other.Release();
  EXPECT_EQ(first.Initialize(16, 1, 1, 100, 50000, 0, 0), 0);
}

// 10240 samples are 20480 bytes: one whole copy chunk and no remainder;
// 10241 need a remainder chunk of 2 bytes.
TEST(AdCardRecord, WavFileHoldsExactlyCountScaledSamplesOfTheCard) {
  ScratchFolder dir;
  for (uint32_t count : {10240u, 10241u}) {
    SCOPED_TRACE(count);
    CLmAdCard ad;
    CardWindow window;
    ASSERT_EQ(ad.Initialize(16, 2, 1, count, 50000, 0, 0), 0);
    std::string base = dir.File("A-" + std::to_string(count));
    ASSERT_EQ(ad.StartRec(window.hwnd, base.c_str()), 0);
    std::vector<unsigned char> file = ReadFileBytes(base + "#02.wav");
    ASSERT_EQ(file.size(), 44u + 2u * count);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(Get32(file, 4), 2 * count + 36);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Get32(file, 16), 16u);
    EXPECT_EQ(Get16(file, 20), 1u);
    EXPECT_EQ(Get16(file, 22), 1u);
    EXPECT_EQ(Get32(file, 24), 50000u);
    EXPECT_EQ(Get32(file, 28), 100000u);
    EXPECT_EQ(Get16(file, 32), 2u);
    EXPECT_EQ(Get16(file, 34), 16u);
    EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
    EXPECT_EQ(Get32(file, 40), 2 * count);

    std::vector<int16_t> pcm = PcmOf(file);
    size_t wrong = 0;
    for (uint32_t i = 0; i < count; ++i)
      if (pcm[i] != ExpectedPcm(sim::ExpectedCode(1, i, 20.0))) ++wrong;  // channel 2 is code 1
    EXPECT_EQ(wrong, 0u);

    std::vector<double> volts(count);
    ASSERT_EQ(ad.GetData(volts.data(), 0, 2), 0);
    EXPECT_EQ(volts[5], pcm[5] * 0.00013733329264198737);
    std::vector<double> norm(count);
    ASSERT_EQ(ad.GetData(norm.data(), 1, 2), 0);
    int peak = 0;
    for (int16_t s : pcm) peak = std::max(peak, std::abs(int(s)));
    EXPECT_EQ(norm[7], double(pcm[7]) / peak);
    EXPECT_TRUE(window.Seen(kCardConversionStarted));
    // Asking for a channel whose file does not exist.
    EXPECT_EQ(ad.GetData(volts.data(), 0, 5), -99);
  }
}

// Codes 0, 4095 and 2048 (from a WAV the simulator plays: 2048 + sample / 16)
// become -32766, +32766 and 0: 4.5 x 7281.555555555555 lies just below 32767.
TEST(AdCardRecord, FullScaleCodesClampAndTruncate) {
  ScratchFolder dir;
  WavImage source;
  source.data = Samples16({-32768, 32767, 0});
  std::string wavPath = dir.File("source.wav");
  ASSERT_TRUE(WriteFileBytes(wavPath, source.Bytes()));
  ASSERT_TRUE(sim::Configure("wav=" + wavPath));
  ASSERT_EQ(sim::ExpectedCode(0, 0, 20.0), 0);
  ASSERT_EQ(sim::ExpectedCode(0, 1, 20.0), 4095);
  ASSERT_EQ(sim::ExpectedCode(0, 2, 20.0), 2048);

  CLmAdCard ad;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 6, 50000, 0, 0), 0);
  std::string base = dir.File("edges");
  ASSERT_EQ(ad.StartRec(nullptr, base.c_str()), 0);
  sim::ResetSettings();
  std::vector<int16_t> pcm = PcmOf(ReadFileBytes(base + "#01.wav"));
  EXPECT_EQ(pcm, (std::vector<int16_t>{-32766, 32766, 0, -32766, 32766, 0}));
  double v[6];
  ASSERT_EQ(ad.GetData(v, 0, 1), 0);
  EXPECT_EQ(v[2], 0.0);
  EXPECT_DOUBLE_EQ(v[1], 32766 * 4.5 / 32767);
}

TEST(AdCardRecord, NullBaseNameLeavesTheSamplesInTheTemporaryFile) {
  CLmAdCard ad;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 500, 50000, 0, 0), 0);
  EXPECT_EQ(ad.TemporaryFilePath(), lmp::ProgramDirectory() + "/LM_AD_NIWavDataFileSgl.tmp");
  ASSERT_EQ(ad.StartDAQ(nullptr), 0);
  std::vector<unsigned char> raw = ReadFileBytes(ad.TemporaryFilePath());
  ASSERT_EQ(raw.size(), 1000u);  // no header in the temporary file
  double v[500];
  ASSERT_EQ(ad.GetData(v, 0, 1), 0);
  for (int i : {0, 250, 499}) {
    int16_t s = static_cast<int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    EXPECT_EQ(s, ExpectedPcm(sim::ExpectedCode(0, i, 20.0)));
    EXPECT_EQ(v[i], s * 0.00013733329264198737);
  }
  // A recorder that does not hold the card (another instance's) halts
  // without touching the holder's samples.
  CLmAdCard other;
  EXPECT_EQ(other.Initialize(16, 1, 1, 500, 50000, 0, 0), -101);
  EXPECT_EQ(other.Halt(), 0);
  EXPECT_TRUE(Exists(ad.TemporaryFilePath()));
  EXPECT_EQ(ad.Halt(), 0);
  EXPECT_FALSE(Exists(ad.TemporaryFilePath()));
  EXPECT_EQ(ad.GetData(v, 0, 1), -102);
}

// The card overruns; the window's handler (dispatched by the drain loop)
// calls StopRec; the run ends with -98 and leaves no WAV file.
TEST(AdCardStop, PostedOverrunStopsTheRunWithoutAWavFile) {
  ScratchFolder dir;
  CLmAdCard ad;
  CardWindow window;
  window.onCardMessage = [&](uintptr_t w) {
    if (w == kCardOverrun) {
      EXPECT_EQ(ad.StopRec(), 0);
    }
  };
  ASSERT_EQ(ad.Initialize(16, 1, 1, 50000, 50000, 0, 0), 0);
  sim::InjectOverrun(2000);
  std::string base = dir.File("over");
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(ad.StartRec(window.hwnd, base.c_str()), -98);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(700));
  EXPECT_TRUE(window.Seen(kCardOverrun));
  EXPECT_FALSE(Exists(base + "#01.wav"));
  double v[4];
  EXPECT_EQ(ad.GetData(v, 0, 1), -102);
  EXPECT_FALSE(sim::ClockRunning());

  // The next run on the same set-up is whole again.
  ASSERT_EQ(ad.StartRec(window.hwnd, base.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(base + "#01.wav").size(), 44u + 100000u);
}

// An overrun that no handler answers: the ring never fills, and the run
// ends with -98 after twice the expected 0.1 s and 2 s more.
TEST(AdCardStop, UnansweredOverrunEndsTheRunAfterTheBound) {
  ScratchFolder dir;
  CLmAdCard ad;
  CardWindow window;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 5000, 50000, 0, 0), 0);
  sim::InjectOverrun(1000);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(ad.StartRec(window.hwnd, dir.File("lost").c_str()), -98);
  auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(took, std::chrono::milliseconds(2100));
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_TRUE(window.Seen(kCardOverrun));
  EXPECT_FALSE(Exists(dir.File("lost#01.wav")));
}

// A handler that calls back during the run: a second StartRec is ignored,
// Halt is refused and ends the run instead of freeing its buffers.
TEST(AdCardStop, HaltFromAHandlerDuringARunEndsTheRun) {
  ScratchFolder dir;
  CLmAdCard ad;
  CardWindow window;
  int again = 1;
  int halted = 1;
  window.onCardMessage = [&](uintptr_t w) {
    if (w != kCardConversionStarted) return;
    again = ad.StartRec(window.hwnd, dir.File("inner").c_str());
    halted = ad.Halt();
  };
  ASSERT_EQ(ad.Initialize(16, 1, 1, 50000, 50000, 0, 0), 0);
  std::string base = dir.File("outer");
  EXPECT_EQ(ad.StartRec(window.hwnd, base.c_str()), -98);
  EXPECT_EQ(again, 0);
  EXPECT_EQ(halted, -100);
  EXPECT_FALSE(Exists(base + "#01.wav"));
  EXPECT_FALSE(Exists(dir.File("inner#01.wav")));
  EXPECT_EQ(ad.Halt(), 0);
}

TEST(AdCardFailure, RefusedConfigurationAndFailedStartLeaveTheRecorderUsable) {
  ScratchFolder dir;
  CLmAdCard fast;
  // 200 kHz: a 5 µs period, which the card refuses.
  ASSERT_EQ(fast.Initialize(16, 1, 1, 100, 200000, 0, 0), 0);
  EXPECT_EQ(fast.StartRec(nullptr, dir.File("fast").c_str()), -100);
  ASSERT_EQ(fast.Halt(), 0);

  CLmAdCard ad;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 100, 50000, 0, 0), 0);
  sim::SetRegisterTimeout(sim::RegisterTimeout::kReset);  // the interrupt start fails
  EXPECT_EQ(ad.StartRec(nullptr, dir.File("nostart").c_str()), -100);
  sim::SetRegisterTimeout(sim::RegisterTimeout::kNone);
  EXPECT_FALSE(Exists(dir.File("nostart#01.wav")));
  // Not left busy: the next run records (a busy recorder would answer 0 at once).
  std::string base = dir.File("after");
  ASSERT_EQ(ad.StartRec(nullptr, base.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(base + "#01.wav").size(), 244u);
}

TEST(AdCardFailure, MissingCardFunctionFailsCleanly) {
  CLmAdCard ad;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 100, 50000, 0, 0), 0);
  {
    lmp::OsCallsOverride os;
    static void* (*realDlsym)(void*, const char*) = lmp::Os().dlsym;
    os->dlsym = [](void* handle, const char* name) -> void* {
      if (std::strcmp(name, "AdGetRingBufConst") == 0 || std::strcmp(name, "AdAllocDataMem") == 0)
        return nullptr;
      return realDlsym(handle, name);
    };
    EXPECT_EQ(ad.StartRec(nullptr, nullptr), -99);
    EXPECT_EQ(ad.TrgModeSet(0, nullptr, 0, nullptr), -100);
  }
  EXPECT_EQ(ad.StartRec(nullptr, nullptr), 0);
}

TEST(AdCardReadWav, ReadsSixteenBitMonoFilesWithoutTheCard) {
  ScratchFolder dir;
  WavImage w;
  w.rate = 44100;
  w.data = Samples16({32767, -32768, 0, 16384});
  std::string path = dir.File("read.wav");
  ASSERT_TRUE(WriteFileBytes(path, w.Bytes()));
  CLmAdCard ad;
  ASSERT_EQ(ad.ReadWav(path.c_str()), 0);
  EXPECT_EQ(ad.GetDevNum(), 16);
  EXPECT_EQ(ad.GetSampFreq(), 44100u);
  EXPECT_EQ(ad.GetCount(), 4u);
  double v[4];
  ASSERT_EQ(ad.GetData(v, 0, 1), 0);
  EXPECT_EQ(v[0], 4.5);   // 32767 x 4.5 / 32767
  EXPECT_EQ(v[1], -4.5);  // clamped
  EXPECT_EQ(v[2], 0.0);
  ASSERT_EQ(ad.GetData(v, 1, 1), 0);
  EXPECT_EQ(v[1], -1.0);
  EXPECT_DOUBLE_EQ(v[3], 16384.0 / 32768.0);

  WavImage zeros;
  zeros.data = Samples16({0, 0});
  ASSERT_TRUE(WriteFileBytes(path, zeros.Bytes()));
  ASSERT_EQ(ad.ReadWav(path.c_str()), 0);
  EXPECT_EQ(ad.GetData(v, 1, 1), -102);
  EXPECT_EQ(ad.GetData(v, 0, 1), 0);

  // The file shrinks after ReadWav: GetData reports the file, reads nothing beyond it.
  ASSERT_TRUE(WriteFileBytes(path, w.Bytes()));
  ASSERT_EQ(ad.ReadWav(path.c_str()), 0);
  ASSERT_EQ(truncate(path.c_str(), 46), 0);
  EXPECT_EQ(ad.GetData(v, 0, 1), -99);
}

TEST(AdCardReadWav, RefusesEverythingButThePlainLayout) {
  ScratchFolder dir;
  WavImage good;
  good.data = Samples16({1, 2, 3});
  std::vector<unsigned char> base = good.Bytes();
  std::vector<std::pair<const char*, std::vector<unsigned char>>> cases;
  WavImage w = good;
  w.bits = 8;
  w.align = 1;
  w.data = {1, 2, 3, 4, 5, 6};
  cases.push_back({"eight-bit", w.Bytes()});
  w = good;
  w.channels = 2;
  w.align = 4;
  cases.push_back({"stereo", w.Bytes()});
  w = good;
  w.bits = 24;
  w.align = 3;
  cases.push_back({"twenty-four-bit", w.Bytes()});
  w = good;
  w.extraChunk = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
  cases.push_back({"chunk-before-data", w.Bytes()});
  w = good;
  w.dataSizeOverride = 0x7FFFFFF0;
  cases.push_back({"oversized-length", w.Bytes()});
  w = good;
  w.dataSizeOverride = 0;
  cases.push_back({"empty-data", w.Bytes()});
  std::vector<unsigned char> riffSize = base;
  riffSize[4] += 2;
  cases.push_back({"riff-size-off", riffSize});
  std::vector<unsigned char> extraTail = base;
  extraTail.push_back(0);
  extraTail.push_back(0);
  cases.push_back({"bytes-after-data", extraTail});
  cases.push_back({"truncated-header", std::vector<unsigned char>(base.begin(), base.begin() + 40)});
  std::vector<unsigned char> garbage(200);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>(i * 97 + 3);
  cases.push_back({"garbage", garbage});
  cases.push_back({"empty-file", {}});

  std::string goodPath = dir.File("good.wav");
  ASSERT_TRUE(WriteFileBytes(goodPath, base));
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    CLmAdCard ad;
    ASSERT_EQ(ad.ReadWav(goodPath.c_str()), 0);  // data ready before
    std::string path = dir.File(std::string(name) + ".wav");
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    EXPECT_EQ(ad.ReadWav(path.c_str()), -100);
    double v[8];
    EXPECT_EQ(ad.GetData(v, 0, 1), -102);
    EXPECT_EQ(ad.GetCount(), 0u);
  }
  CLmAdCard ad;
  EXPECT_EQ(ad.ReadWav(nullptr), -100);
  EXPECT_EQ(ad.ReadWav(""), -100);
  EXPECT_EQ(ad.ReadWav(dir.File("missing.wav").c_str()), -100);
}
