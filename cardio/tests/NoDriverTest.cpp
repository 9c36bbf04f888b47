// Without a card driver (KR70_CARD=none) the library refuses to load by name;
// a client linked to it gets failures, never a false success.
#include <gtest/gtest.h>

#include "CardIO32.h"
#include "LmPlatform.h"

TEST(NoDriver, LoadingByNameFails) {
  EXPECT_EQ(lmp::LoadLibrary("CardIO32.dll"), nullptr);
  EXPECT_NE(lmp::LastLoadError().find("refused"), std::string::npos) << lmp::LastLoadError();
}

TEST(NoDriver, LinkedCallsFail) {
  uint16_t type = 0, base = 0, irq = 0;
  for (uint16_t slot = 0; slot < 4; ++slot) EXPECT_EQ(AdGetCardResource(nullptr, slot, &type, &base, &irq), -1);
  EXPECT_EQ(AdSetParamAuto(nullptr, 3), -1);
  EXPECT_EQ(int32_t(AdAllocRingBuf(nullptr, 100, 10)), -1);
  EXPECT_EQ(WaitMilliSeconds(1), -1);
  EXPECT_EQ(AdStopIrqMode(), 0);  // nothing was running
}

TEST(NoDriver, StateBeforeAnySetting) {
  EXPECT_DOUBLE_EQ(HexToVal(100), -99.0);  // no card type yet
  EXPECT_EQ(AdSetFreq(nullptr, 20, 2), -2);  // no channel list yet
  EXPECT_EQ(AdSetDataCount(100), 0u);
  EXPECT_EQ(AdAllocDataMem(nullptr, 100), nullptr);
  EXPECT_EQ(AdGetRingBufConst(nullptr, 0, 10), 0);  // no ring
  EXPECT_EQ(GetRingBufNum(), 0);
  // A card set by hand configures, but the missing driver fails the start.
  ASSERT_EQ(AdSetParam(nullptr, 1, 3, 0x300, 5), 0);
  const uint16_t one[] = {0};
  ASSERT_EQ(AdSetChannel(1, one), 1);
  ASSERT_EQ(AdSetFreq(nullptr, 20, 2), 0);
  EXPECT_EQ(AdStartIrqRingMode(nullptr, 0), -1);
}
