// The posted-message mode, the level trigger, the stop-trigger check, the
// ring address and the helpers for clients without pointers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "CardTestSupport.h"

using namespace lmp::cardhw;

namespace {

constexpr uint16_t kBase = 0x340;  // the card of this test's KR70_CARD, unipolar

class Modes : public ::testing::Test {
 protected:
  void SetUp() override { ResetCard(); }
  void TearDown() override {
    ResetCard();
    EXPECT_FALSE(sim::ClockRunning());
  }
};

}  // namespace

TEST_F(Modes, PostedMessageModeUsesItsOwnRequestsAndPostsStartAndEnd) {
  constexpr uint32_t kPerChannel = 1200;
  SetUpCard({1}, 20);
  MessageWindow window;
  uint16_t* block = AdAllocDataMem(window.hwnd(), kPerChannel);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(AdStartIrqPostMsgMode(window.hwnd(), 0), 0);
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 5000));
  EXPECT_EQ(window.messages.front().wParam, kCardConversionStarted);
  EXPECT_EQ(window.Find(kCardCapacityReached)->lParam, intptr_t(kPerChannel));
  EXPECT_EQ(std::vector<uint16_t>(block, block + kPerChannel), ExpectedCodes({1}, kPerChannel, 20.0));
  EXPECT_EQ(AdStopIrqMode(), 0);
  EXPECT_EQ(RequestsOf(kReqPostSetup).size(), 1u);
  EXPECT_EQ(RequestsOf(kReqPostStart).size(), 1u);
  EXPECT_EQ(RequestsOf(kReqPostStop).size(), 1u);
  EXPECT_TRUE(RequestsOf(kReqIrqMemStart).empty());
  EXPECT_TRUE(RequestsOf(kReqIrqStop).empty());
}

TEST_F(Modes, LevelTriggerKeepsTheScansAroundTheFirstCodeOutsideTheBand) {
  constexpr uint32_t kPre = 50, kPost = 100;
  SetUpCard({0, 1}, 20);
  EXPECT_EQ(AdSetLimitTrg(8, 0, 100), -1);
  EXPECT_EQ(AdSetLimitTrg(1, 200, 100), -2);
  EXPECT_EQ(AdSetLimitTrg(1, 0, 4096), -2);
  MessageWindow window;
  EXPECT_EQ(AdStartLimitTrgMode(window.hwnd(), 0), -7);  // no trigger buffer
  ASSERT_EQ(AdAllocTrgBuf(window.hwnd(), kPre, kPost), 0);
  EXPECT_EQ(AdAllocTrgBuf(window.hwnd(), kPre, kPost), -3);

  // Trigger on channel 1 above a level that the tone crosses only now and then.
  std::vector<uint16_t> channel1;
  for (uint32_t scan = 0; scan < 20000; ++scan) channel1.push_back(sim::ExpectedCode(1, scan, 20.0));
  std::vector<uint16_t> sorted(channel1.begin(), channel1.end());
  std::sort(sorted.begin(), sorted.end());
  const uint16_t upper = sorted[sorted.size() * 97 / 100];
  ASSERT_EQ(AdSetLimitTrg(1, 0, upper), 0);
  auto firstAbove = [&](uint32_t from) {
    uint32_t scan = from;
    while (scan < channel1.size() && channel1[scan] <= upper) ++scan;
    return scan;
  };
  const uint32_t trigger = firstAbove(kPre);
  ASSERT_LT(trigger, channel1.size() - kPost);

  ASSERT_EQ(AdStartLimitTrgMode(window.hwnd(), 0), 0);
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 5000));
  EXPECT_TRUE(window.Saw(kCardStartTrigger));
  EXPECT_EQ(window.Find(kCardCapacityReached)->lParam, intptr_t(2 * (kPre + kPost)));
  auto levels = RequestsOf(kReqLevelSet);
  ASSERT_EQ(levels.size(), 1u);
  LevelIn sent{};
  std::memcpy(&sent, levels[0].data(), sizeof sent);
  EXPECT_EQ(sent.position, 1u);  // channel 1 is the second of the scan
  EXPECT_EQ(sent.upper, upper);

  std::vector<uint16_t> capture(2 * (kPre + kPost) + 10, 0xFFFF);
  uint32_t triggerIndex = 0;
  ASSERT_EQ(AdGetTrgData(capture.data(), uint32_t(capture.size()), &triggerIndex), int32_t(2 * (kPre + kPost)));
  EXPECT_EQ(triggerIndex, 2 * kPre);
  std::vector<uint16_t> expected = ExpectedCodes({0, 1}, 2 * (trigger + kPost), 20.0);
  EXPECT_TRUE(std::equal(capture.begin(), capture.begin() + 2 * (kPre + kPost), expected.end() - 2 * (kPre + kPost)));
  EXPECT_GT(capture[triggerIndex + 1], upper);  // channel 1 of the scan that fired

  // A restart discards the capture and fires again on the same rule.
  window.messages.clear();
  ASSERT_EQ(AdRestartLimitTrgMode(), 0);
  EXPECT_EQ(AdGetTrgData(capture.data(), 10, nullptr), 0);
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 5000));
  EXPECT_EQ(AdGetTrgData(capture.data(), uint32_t(capture.size()), nullptr), int32_t(2 * (kPre + kPost)));
  EXPECT_TRUE(std::equal(capture.begin(), capture.begin() + 2 * (kPre + kPost), expected.end() - 2 * (kPre + kPost)));
  EXPECT_EQ(AdStopLimitTrgMode(), 0);
  EXPECT_EQ(AdRestartLimitTrgMode(), -7);
  EXPECT_EQ(AdFreeTrgBuf(), 0);
  EXPECT_EQ(AdGetTrgData(capture.data(), 10, nullptr), -1);
}

TEST_F(Modes, StopTriggerCheckReadsTheStatusInput) {
  SetUpCard({0}, 100);
  AdSetTrigger(2, 1);
  EXPECT_EQ(AdCheckStopTrig(), 0);
  // Arm the card for FIFO conversion with the stop trigger enabled.
  OutPort(kBase, 8);
  wOutPort(kBase + 6, 1);
  OutPort(kBase + 2, 0x88 | 0x20);
  EXPECT_EQ(AdCheckStopTrig(), 0);
  sim::FireStopTrigger(0);
  EXPECT_EQ(AdCheckStopTrig(), 1);
}

TEST_F(Modes, RingAddressAndTheHelpersForClientsWithoutPointers) {
  constexpr uint32_t kCount = 500;
  SetUpCard({0}, 40);
  uint32_t length = 99;
  EXPECT_EQ(AdGetRingBufAdrs(&length), nullptr);
  EXPECT_EQ(length, 0u);
  MessageWindow window;
  ASSERT_EQ(int32_t(AdAllocRingBuf(window.hwnd(), 1000, kCount)), 0);
  uint16_t* ring = AdGetRingBufAdrs(&length);
  ASSERT_NE(ring, nullptr);
  EXPECT_EQ(length, 1000u);
  ASSERT_EQ(AdStartIrqRingMode(window.hwnd(), 0), 0);
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 5000));

  std::vector<uint16_t> expected = ExpectedCodes({0}, kCount, 40.0);
  std::vector<int16_t> signedCodes(kCount + 1, -1);
  EXPECT_EQ(VbGetRingBuf(signedCodes.data(), -1, 5), -1);
  EXPECT_EQ(VbGetRingBufConst(signedCodes.data(), 0, -5), -1);
  EXPECT_EQ(VbGetRingBufConst(signedCodes.data(), 1, int32_t(kCount)), int32_t(kCount));
  for (uint32_t i = 0; i < kCount; ++i) ASSERT_EQ(signedCodes[i + 1], int16_t(expected[i])) << i;

  // The ring named by its address as a number: inside it copies, past its end it refuses.
  std::vector<uint16_t> copy(1000);
  EXPECT_EQ(VbMemCopy(copy.data(), intptr_t(ring), 2000), 2000);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), copy.begin()));
  EXPECT_EQ(VbMemCopy(copy.data(), intptr_t(ring), 2002), -1);
  EXPECT_EQ(VbMemCopy(copy.data(), intptr_t(copy.data()), 4), -1);  // not the library's memory
  auto* block = static_cast<uint8_t*>(AdAllocMem(16));
  ASSERT_NE(block, nullptr);
  block[15] = 42;
  uint8_t byte = 0;
  EXPECT_EQ(VbMemCopy(&byte, intptr_t(block + 15), 1), 1);
  EXPECT_EQ(byte, 42);
  EXPECT_EQ(AdFreeMem(block), 0);
  EXPECT_EQ(VbMemCopy(&byte, intptr_t(block + 15), 1), -1);  // released
  EXPECT_EQ(VbPolModeChildThread(window.hwnd(), 0), -1);
}
