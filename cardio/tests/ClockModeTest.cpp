// Clock and trigger mode register. In its own program: the clock-set flag,
// once raised, stays for the life of the process.
#include <gtest/gtest.h>

#include "CardTestSupport.h"

namespace {

constexpr uint16_t kMode = 0x341;

// The value the configuration wrote to the mode register.
int ModeRegisterOfAStart() {
  lmp::cardhw::sim::ClearLogs();
  if (int32_t(AdAllocRingBuf(nullptr, 64, 32)) != 0) return -1;
  int rc = AdStartIrqRingMode(nullptr, 4);
  AdStopIrqMode();
  if (rc != 0) return rc;
  int mode = -1;
  for (auto [port, value] : PortWrites())
    if (port == kMode) mode = value;
  return mode;
}

}  // namespace

TEST(ClockMode, SettersCheckTheirArguments) {
  EXPECT_EQ(AdSetInternalClock(0, 1, 0), -1);
  EXPECT_EQ(AdSetInternalClock(2, 100, 0), -2);
  EXPECT_EQ(int32_t(AdSetExternalClock(2, 100, 0)), -2);
  EXPECT_EQ(int32_t(AdSetExternalClock(1, 1, 0)), -1);
  EXPECT_EQ(AdSetExternalClock(2, 100, 0) >> 32, 0);
  EXPECT_EQ(AdSetTrigger(3, 0), 0);
  EXPECT_EQ(AdSetTrigger(3, 5), 1);
  AdSetTrigger(0, 0);
}

TEST(ClockMode, RegisterCarriesSourceCounterModeAndFlags) {
  SetUpCard({0}, 20);
  EXPECT_EQ(ModeRegisterOfAStart(), 0);  // internal 10 MHz, one counter, no flags

  ASSERT_EQ(AdSetInternalClock(1, 100, 50), 0);
  // select 1, cascade (8), clock-set flag: (0 + 2 * 1) * 64
  EXPECT_EQ(ModeRegisterOfAStart(), 1 | 8 | 128);

  AdSetTrigger(0, 1);
  EXPECT_EQ(ModeRegisterOfAStart(), 1 | 8 | 192);  // trigger enable adds 64

  ASSERT_EQ(AdSetExternalClock(0, 0, 0), 0);
  EXPECT_EQ(ModeRegisterOfAStart(), 3 | 0x10 | 192);  // external, direct

  ASSERT_EQ(AdSetExternalClock(1, 20, 0), 0);
  EXPECT_EQ(ModeRegisterOfAStart(), 3 | 192);  // external, divided by one counter
  AdSetTrigger(0, 0);

  // AdSetFreq goes back to the internal clock; the clock-set flag stays.
  ASSERT_EQ(AdSetFreq(nullptr, 20, 2), 0);
  EXPECT_EQ(ModeRegisterOfAStart(), 128);
}
