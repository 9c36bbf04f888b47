// CLmWavGet with the simulated A/D card and the test ALSA PCM: detection,
// forwarding to either recorder, and the answers without a recorder.
#include <atomic>
#include <filesystem>

#include "AcqTestUtil.h"
#include "AlsaTestPcm.h"
#include "CardIO32.h"
#include "LM_WAVGET.h"
#include "LmWaveInAlsa.h"

using namespace kr70test;

namespace {

std::atomic<int> g_pcmOpens{0};

// Counts the opens of the ALSA PCM, i.e. the sound-card probes.
struct CountingAlsa {
  lmp::wavein::AlsaCallsOverride override;
  CountingAlsa() {
    g_pcmOpens = 0;
    override->open = [](snd_pcm_t** pcm, const char* name, const char* conf) {
      ++g_pcmOpens;
      lmp::wavein::AlsaCalls real = lmp::wavein::Alsa();
      lmp::wavein::ResetAlsaCalls();
      int r = lmp::wavein::Alsa().open(pcm, name, conf);
      lmp::wavein::Alsa() = real;
      return r;
    };
  }
};

}  // namespace

TEST(FacadeDetect, TheAdBoardAnswersFirstAndItsRecorderStays) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(std::vector<unsigned char>(1000, 0)));
  CountingAlsa alsa;
  CLmWavGet facade;
  EXPECT_EQ(facade.ChangeBoardSet(0, 0), 0);
  EXPECT_EQ(facade.GetBoardKind(), 2);
  EXPECT_EQ(g_pcmOpens.load(), 0);  // the sound card was not probed
  // The halted A/D recorder is kept: its bits stay from the probe.
  EXPECT_EQ(facade.GetDevNum(), 16);
  EXPECT_EQ(facade.GetChan(), 1);
  EXPECT_EQ(facade.GetSampFreq(), 0u);
  EXPECT_EQ(facade.GetGain(), -1);

  // Probing one kind deletes the probe's recorder.
  EXPECT_EQ(facade.ChangeBoardSet(1, 0), 0);
  EXPECT_EQ(facade.GetBoardKind(), 1);
  EXPECT_EQ(g_pcmOpens.load(), 1);
  EXPECT_EQ(facade.GetDevNum(), -1);
  EXPECT_EQ(facade.GetSampFreq(), 0u);
  EXPECT_EQ(facade.ChangeBoardSet(2, 0), 0);
  EXPECT_EQ(facade.GetBoardKind(), 2);
  EXPECT_EQ(facade.GetDevNum(), -1);
  EXPECT_EQ(facade.ChangeBoardSet(5, 0), -1);
  EXPECT_EQ(facade.GetBoardKind(), 2);
}

// An A/D card in use elsewhere: detection falls back to the sound card.
TEST(FacadeDetect, ACardInUseLeavesTheSoundCard) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(std::vector<unsigned char>(1000, 0)));
  lmp::NamedLock other;
  ASSERT_EQ(other.Create("CLmAdNiMutex"), lmp::NamedLock::kCreated);
  CLmWavGet facade;
  EXPECT_EQ(facade.ChangeBoardSet(2, 0), -101);
  EXPECT_EQ(facade.GetBoardKind(), 0);
  EXPECT_EQ(facade.ChangeBoardSet(0, 0), 0);
  EXPECT_EQ(facade.GetBoardKind(), 1);
  AlsaTestPcm::SelectUndefined();
  EXPECT_EQ(facade.ChangeBoardSet(0, 0), -99);  // the sound card's own code
  EXPECT_EQ(facade.GetBoardKind(), 0);
}

TEST(FacadeForward, AdBoardRunsThroughTheFacade) {
  ScratchFolder dir;
  CLmWavGet facade;
  ASSERT_EQ(facade.ChangeBoardSet(2, 0), 0);
  ASSERT_EQ(facade.Initialize(16, 1, 5, 1000, 50000, 9), 0);
  EXPECT_EQ(facade.GetGain(), 5);
  EXPECT_EQ(facade.GetTimeout(), 9u);
  EXPECT_EQ(facade.GetCount(), 1000u);
  lmp::HWND window = lmp::CreateWindowHandle();
  std::string base = dir.File("F-001");
  ASSERT_EQ(facade.StartRec(window, base.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(base + "#01.wav").size(), 2044u);
  std::vector<double> v(1000);
  EXPECT_EQ(facade.GetData(v.data(), 0, 1), 0);
  EXPECT_EQ(facade.StopRec(), 0);
  uint16_t word = 0x1234;
  EXPECT_EQ(facade.GetDISignal(&word), 1);
  EXPECT_EQ(word, 0x1234);

  ASSERT_EQ(facade.TrgModeSet(0, window, 0, base.c_str()), 0);
  lmp::MSG msg;
  bool complete = false;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!complete && std::chrono::steady_clock::now() < end)
    if (lmp::GetMessage(&msg, window, 50)) complete = msg.message == kCardIoMessage && msg.wParam == 128;
  ASSERT_TRUE(complete);
  int count = 0;
  double* samples = nullptr;
  ASSERT_EQ(facade.TrgModeStop(0, &count, &samples), 0);
  EXPECT_EQ(count, 1000);
  lmp::GlobalFree(samples);
  lmp::DestroyWindowHandle(window);

  EXPECT_EQ(facade.Halt(), 0);
  EXPECT_EQ(facade.GetBoardKind(), 2);  // kept for the next Initialize
  EXPECT_EQ(facade.GetData(v.data(), 0, 1), -102);
  EXPECT_EQ(facade.TrgModeSet(0, nullptr, 0, nullptr), -1);
  EXPECT_EQ(facade.Halt(), -100);
  EXPECT_EQ(facade.Initialize(16, 1, 1, 100, 50000, 0), 0);  // a fresh recorder
  EXPECT_EQ(facade.Halt(), 0);
}

TEST(FacadeForward, SoundCardRunsWithOneChannelAndNoStop) {
  AlsaTestPcm pcm;
  ScratchFolder dir;
  std::vector<int16_t> samples(300);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 100 - 15000);
  ASSERT_TRUE(pcm.UseSamples(Samples16(samples)));
  CLmWavGet facade;
  ASSERT_EQ(facade.ChangeBoardSet(1, 0), 0);
  ASSERT_EQ(facade.Initialize(16, 2, 7, 300, 8000, 5), 0);  // channel 2 becomes 1
  EXPECT_EQ(facade.GetChan(), 1);
  EXPECT_EQ(facade.GetGain(), 1);
  EXPECT_EQ(facade.GetTimeout(), 1u);
  std::string path = dir.File("S-001.wav");
  ASSERT_EQ(facade.StartRec(nullptr, path.c_str()), 0);
  std::vector<unsigned char> file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 644u);
  std::vector<unsigned char> expected = Samples16(samples);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 44));
  double v[300];
  ASSERT_EQ(facade.GetData(v, 1, 9), 0);
  EXPECT_EQ(v[0], -1.0);  // -15000 is the largest magnitude
  EXPECT_EQ(facade.StopRec(), -100);
  EXPECT_EQ(facade.TrgModeSet(0, nullptr, 0, nullptr), -1);
  int count = 0;
  double* block = nullptr;
  EXPECT_EQ(facade.TrgModeStop(1, &count, &block), -1);
  uint16_t word = 0;
  EXPECT_EQ(facade.GetDISignal(&word), 0);
  EXPECT_EQ(facade.ReadWav(path.c_str()), 0);
  EXPECT_EQ(facade.Halt(), 0);
  EXPECT_EQ(facade.Halt(), -100);
}

TEST(FacadeFresh, AnswersWithoutARecorder) {
  CLmWavGet facade;
  EXPECT_EQ(facade.GetBoardKind(), 0);
  EXPECT_EQ(facade.Halt(), -100);
  EXPECT_EQ(facade.Halt(), -100);
  EXPECT_EQ(facade.GetSampFreq(), 0u);
  EXPECT_EQ(facade.GetCount(), 0u);
  EXPECT_EQ(facade.GetTimeout(), 0u);
  EXPECT_EQ(facade.GetGain(), -1);
  EXPECT_EQ(facade.GetDevNum(), -1);
  EXPECT_EQ(facade.GetChan(), -1);
  EXPECT_EQ(facade.Initialize(16, 1, 1, 100, 50000, 0), -100);
  EXPECT_EQ(facade.StartRec(nullptr, "x"), -100);
  EXPECT_EQ(facade.StopRec(), -100);
  double v[1];
  EXPECT_EQ(facade.GetData(v, 0, 1), -102);
  EXPECT_EQ(facade.ReadWav("/nonexistent.wav"), -102);
  uint16_t word = 0;
  EXPECT_EQ(facade.GetDISignal(&word), 0);
}
