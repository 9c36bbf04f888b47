// A 10-second blocking run at 50 kHz on the simulated card (which delivers
// in real time): every sample arrives, messages posted to the calling
// thread are dispatched throughout, and the drain loop does not spin.

#include <atomic>
#include <cstdio>
#include <thread>

#include "AcqTestUtil.h"
#include "AdCardTestSupport.h"
#include "Lm_AdCard.h"

using namespace kr70test;
namespace sim = lmp::cardhw::sim;

TEST(AdCardRealTime, TenSecondsAt50kHzKeepEverySampleAndThePumpAnswers) {
  constexpr uint32_t kCount = 500000;
  ScratchFolder dir;
  CLmAdCard ad;
  CardWindow window;
  ASSERT_EQ(ad.Initialize(16, 1, 1, kCount, 50000, 0, 0), 0);

  std::atomic<bool> recording{true};
  std::atomic<int> posted{0};
  std::thread poster([&] {
    while (recording) {
      lmp::PostMessage(window.hwnd, lmp::WM_USER + 7, 0, 0);
      ++posted;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  std::string base = dir.File("long");
  double cpu0 = ThreadCpu();
  double proc0 = ProcessCpu();
  auto t0 = std::chrono::steady_clock::now();
  int result = ad.StartRec(window.hwnd, base.c_str());
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  double drainCpu = ThreadCpu() - cpu0;
  double processCpu = ProcessCpu() - proc0;
  int answered = window.otherMessages;
  int sent = posted;
  recording = false;
  poster.join();

  ASSERT_EQ(result, 0);
  std::vector<unsigned char> file = ReadFileBytes(base + "#01.wav");
  ASSERT_EQ(file.size(), 44u + 2u * kCount);
  size_t wrong = 0;
  for (uint32_t i = 0; i < kCount; ++i) {
    int16_t s = static_cast<int16_t>(file[44 + 2 * i] | (file[45 + 2 * i] << 8));
    if (s != ExpectedPcm(sim::ExpectedCode(0, i, 20.0))) ++wrong;
  }
  EXPECT_EQ(wrong, 0u);
  EXPECT_GT(wall, 9.5);
  EXPECT_GE(answered, sent - 5);  // those posted in the last 100 ms may come after the last pump
  EXPECT_GT(answered, 300);

  double seconds = kCount / 50000.0;
  std::printf("A/D board, 10 s at 50 kHz: wall %.2f s; CPU per second of recording: "
              "drain loop %.4f s, whole process (with the simulated card) %.4f s\n",
              wall, drainCpu / seconds, processCpu / seconds);
  RecordProperty("drain_loop_cpu_per_s", std::to_string(drainCpu / seconds));
  EXPECT_LT(drainCpu / seconds, 0.05);  // a spinning loop would use about 1
}
