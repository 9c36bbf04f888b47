// Trigger mode on the simulated card: arming with and without the external
// trigger, the pre-trigger discard, the caller-freed sample block, aborts.
#include <filesystem>

#include "AcqTestUtil.h"
#include "AdCardTestSupport.h"
#include "Lm_AdCard.h"

using namespace kr70test;
namespace sim = lmp::cardhw::sim;

// 100 ms at 50000 Hz (20 µs) are 5000 leading samples to discard.
TEST(AdCardTrigger, ExternalTriggerWithDelayDiscardsTheFirst5000Samples) {
  ScratchFolder dir;
  CLmAdCard ad;
  CardWindow window;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 2000, 50000, 0, 0), 0);
  std::string base = dir.File("T-001");
  ASSERT_EQ(ad.TrgModeSet(1, window.hwnd, 100, base.c_str()), 0);
  lmp::Sleep(30);
  for (int i = 0; i < 3; ++i) lmp::PumpMessage(1);
  EXPECT_FALSE(window.Seen(kCardStartTrigger));  // armed, waiting
  sim::FireStartTrigger(10);
  ASSERT_TRUE(window.PumpUntil(kCardCapacityReached, std::chrono::seconds(5)));
  ASSERT_TRUE(window.Seen(kCardStartTrigger));
  EXPECT_FALSE(window.Seen(kCardConversionStarted));

  int count = -1;
  double* samples = nullptr;
  ASSERT_EQ(ad.TrgModeStop(0, &count, &samples), 0);
  ASSERT_EQ(count, 2000);
  ASSERT_NE(samples, nullptr);
  EXPECT_EQ(lmp::GlobalSize(samples), 2001 * sizeof(double));
  size_t wrong = 0;
  for (int i = 0; i < count; ++i)
    if (samples[i] != ExpectedVolts(sim::ExpectedCode(0, 5000 + i, 20.0))) ++wrong;
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(samples[2000], 0.0);  // the extra element stays zero
  lmp::GlobalFree(samples);

  std::vector<unsigned char> file = ReadFileBytes(base + "#01.wav");
  ASSERT_EQ(file.size(), 44u + 4000u);
  EXPECT_EQ(Get32(file, 40), 4000u);
  std::vector<double> v(2000);
  ASSERT_EQ(ad.GetData(v.data(), 0, 1), 0);  // reads the new file
  for (int i : {0, 1999}) {
    int16_t s = static_cast<int16_t>(file[44 + 2 * i] | (file[45 + 2 * i] << 8));
    EXPECT_EQ(s, ExpectedPcm(sim::ExpectedCode(0, 5000 + i, 20.0)));
    EXPECT_EQ(v[i], s * 0.00013733329264198737);
  }
}

TEST(AdCardTrigger, WithoutTriggerAndDelayEverySampleIsKept) {
  ScratchFolder dir;
  CLmAdCard ad;
  CardWindow window;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 1000, 50000, 0, 0), 0);
  std::string base = dir.File("T-002");
  for (int series = 0; series < 2; ++series) {  // arms again after a completed file
    SCOPED_TRACE(series);
    window.cardMessages.clear();
    ASSERT_EQ(ad.TrgModeSet(0, window.hwnd, 0, base.c_str()), 0);
    ASSERT_TRUE(window.PumpUntil(kCardCapacityReached, std::chrono::seconds(5)));
    EXPECT_EQ(window.cardMessages.front(), kCardConversionStarted);
    int count = 0;
    double* samples = nullptr;
    ASSERT_EQ(ad.TrgModeStop(0, &count, &samples), 0);
    ASSERT_EQ(count, 1000);
    EXPECT_EQ(samples[0], ExpectedVolts(sim::ExpectedCode(0, 0, 20.0)));
    EXPECT_EQ(samples[999], ExpectedVolts(sim::ExpectedCode(0, 999, 20.0)));
    lmp::GlobalFree(samples);
  }
}

TEST(AdCardTrigger, AbortLeavesTheOutArgumentsAloneAndCanArmAgain) {
  ScratchFolder dir;
  CLmAdCard ad;
  CardWindow window;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 20000, 50000, 0, 0), 0);
  std::string base = dir.File("T-003");
  sim::InjectOverrun(500);
  ASSERT_EQ(ad.TrgModeSet(0, window.hwnd, 0, base.c_str()), 0);
  ASSERT_TRUE(window.PumpUntil(kCardOverrun, std::chrono::seconds(5)));
  int count = -7;
  double sentinel = 0;
  double* samples = &sentinel;
  EXPECT_EQ(ad.TrgModeStop(1, &count, &samples), 0);
  EXPECT_EQ(count, -7);
  EXPECT_EQ(samples, &sentinel);
  EXPECT_FALSE(std::filesystem::exists(base + "#01.wav"));
  // Nothing armed now: no samples to collect.
  EXPECT_EQ(ad.TrgModeStop(0, &count, &samples), -105);
  EXPECT_EQ(samples, &sentinel);

  window.cardMessages.clear();
  ASSERT_EQ(ad.TrgModeSet(0, window.hwnd, 0, base.c_str()), 0);
  ASSERT_TRUE(window.PumpUntil(kCardCapacityReached, std::chrono::seconds(5)));
  ASSERT_EQ(ad.TrgModeStop(0, &count, &samples), 0);
  EXPECT_EQ(count, 20000);
  lmp::GlobalFree(samples);
}

TEST(AdCardTrigger, HaltWhileArmedStopsTheCard) {
  CLmAdCard ad;
  CardWindow window;
  ASSERT_EQ(ad.Initialize(16, 1, 1, 1000, 50000, 0, 0), 0);
  ASSERT_EQ(ad.TrgModeSet(1, window.hwnd, 0, nullptr), 0);
  EXPECT_EQ(ad.Halt(), 0);
  EXPECT_FALSE(sim::ClockRunning());
  CLmAdCard next;
  EXPECT_EQ(next.Initialize(16, 1, 1, 1000, 50000, 0, 0), 0);
}
