#include <gtest/gtest.h>

#include <vector>

#include "CardTestSupport.h"

using namespace lmp::cardhw;

namespace {

class Acquire : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetCard();
    baselineThreads_ = ThreadCount();
  }
  void TearDown() override {
    ResetCard();
    EXPECT_FALSE(sim::ClockRunning());
    EXPECT_EQ(ThreadCount(), baselineThreads_) << "a library or driver thread outlived the run";
  }

  // The recorder's drain loop: pump one message per pass, then ask for the rest.
  uint32_t Drain(MessageWindow& window, std::vector<uint16_t>& raw, uint32_t count, lmp::DWORD timeoutMs) {
    uint32_t acquired = 0;
    lmp::DWORD start = lmp::GetTickCount();
    while (acquired < count && lmp::GetTickCount() - start < timeoutMs) {
      lmp::PumpMessage(1);
      int32_t got = AdGetRingBufConst(raw.data(), acquired, count - acquired);
      EXPECT_GE(got, 0);
      if (got > 0) acquired += uint32_t(got);
    }
    return acquired;
  }

  int baselineThreads_ = 0;
};

}  // namespace

TEST_F(Acquire, RingBufferAllocationAndFree) {
  SetUpCard({0, 1}, 100);
  EXPECT_EQ(AdFreeRingBuf(), 0);  // none yet
  int64_t first = AdAllocRingBuf(nullptr, 232, 100);
  EXPECT_EQ(int32_t(first), 0);
  EXPECT_EQ(first >> 32, 200);  // capacity: 100 per channel × 2 channels
  EXPECT_EQ(int32_t(AdAllocRingBuf(nullptr, 232, 100)), -3);
  EXPECT_EQ(AdFreeRingBuf(), 0);
  EXPECT_EQ(int32_t(AdAllocRingBuf(nullptr, 0, 100)), -2);
  sim::FailRequest(kReqAllocRingDesc, true);
  EXPECT_EQ(int32_t(AdAllocRingBuf(nullptr, 232, 100)), -1);
  sim::FailRequest(kReqAllocRingDesc, false);
  sim::FailRequest(kReqAllocMem, true);
  EXPECT_EQ(int32_t(AdAllocRingBuf(nullptr, 232, 100)), -2);
  sim::FailRequest(kReqAllocMem, false);
  EXPECT_EQ(int32_t(AdAllocRingBuf(nullptr, 232, 100)), 0);
  uint16_t buffer[8];
  EXPECT_EQ(AdGetRingBufConst(buffer, 0, 8), 0);  // nothing converted yet
}

TEST_F(Acquire, GeneralDriverMemory) {
  auto* block = static_cast<uint8_t*>(AdAllocMem(100));
  ASSERT_NE(block, nullptr);
  block[99] = 7;  // the whole block is usable
  EXPECT_EQ(AdFreeMem(block), 0);
  EXPECT_EQ(AdFreeMem(block), -1);  // already released
  EXPECT_EQ(AdAllocMem(0), nullptr);
  sim::FailRequest(kReqAllocMem, true);
  EXPECT_EQ(AdAllocMem(100), nullptr);
}

TEST_F(Acquire, RingModeDeliversTheRequestedCodesAndPosts128) {
  // As the recorder does it: one channel at 20 µs, divider 2.
  constexpr uint32_t kCount = 4000;  // 80 ms of signal
  SetUpCard({2}, 20);
  MessageWindow window;
  ASSERT_EQ(int32_t(AdAllocRingBuf(window.hwnd(), kCount + 32, kCount)), 0);
  ASSERT_EQ(AdStartIrqRingMode(window.hwnd(), 2), 0);
  std::vector<uint16_t> raw(kCount + 32, 0xFFFF);
  // Right after the start far fewer samples are there than asked for.
  EXPECT_EQ(AdGetRingBufConst(raw.data(), 0, kCount), 0);
  EXPECT_EQ(raw[0], 0xFFFF);  // nothing copied
  EXPECT_EQ(Drain(window, raw, kCount, 5000), kCount);
  EXPECT_TRUE(window.WaitFor(kCardCapacityReached, 2000));
  ASSERT_FALSE(window.messages.empty());
  EXPECT_EQ(window.messages.front().wParam, kCardConversionStarted);
  EXPECT_EQ(window.Find(kCardCapacityReached)->lParam, intptr_t(kCount));
  EXPECT_FALSE(window.Saw(kCardOverrun));
  raw.resize(kCount);
  EXPECT_EQ(raw, ExpectedCodes({2}, kCount, 20.0));
  EXPECT_EQ(GetRingBufNum(), 0);
  EXPECT_EQ(sim::SamplesDelivered(), kCount);
  EXPECT_DOUBLE_EQ(sim::PeriodUs(), 20.0);
}

TEST_F(Acquire, RingBufConstWithCountZeroCopiesWhatIsThere) {
  SetUpCard({0}, 100);
  MessageWindow window;
  ASSERT_EQ(int32_t(AdAllocRingBuf(window.hwnd(), 600, 500)), 0);
  ASSERT_EQ(AdStartIrqRingMode(window.hwnd(), 0), 0);
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 3000));
  std::vector<uint16_t> raw(600);
  EXPECT_EQ(AdGetRingBufConst(raw.data(), 10, 0), 500);
  EXPECT_EQ(std::vector<uint16_t>(raw.begin() + 10, raw.begin() + 510), ExpectedCodes({0}, 500, 100.0));
  EXPECT_EQ(AdGetRingBufConst(raw.data(), 0, 0), 0);
}

TEST_F(Acquire, DriverMemoryModeFillsTheBlockAndPosts128) {
  constexpr uint32_t kPerChannel = 1500;
  SetUpCard({0, 3}, 40);
  AdSetTrigger(0, 1);
  MessageWindow window;
  uint16_t* block = AdAllocDataMem(window.hwnd(), kPerChannel);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(AdAllocDataMem(window.hwnd(), kPerChannel), nullptr);  // one block at a time
  uint16_t* reported = nullptr;
  EXPECT_EQ(AdGetParam(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &reported), block);
  EXPECT_EQ(reported, block);
  ASSERT_EQ(AdStartIrqVxdMode(window.hwnd(), 2), 0);
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 5000));
  EXPECT_EQ(window.messages.front().wParam, kCardConversionStarted);
  EXPECT_EQ(window.Find(kCardCapacityReached)->lParam, intptr_t(2 * kPerChannel));
  std::vector<uint16_t> got(block, block + 2 * kPerChannel);
  EXPECT_EQ(got, ExpectedCodes({0, 3}, 2 * kPerChannel, 40.0));
  EXPECT_EQ(block[2 * kPerChannel], 0);  // nothing written past the capacity
  EXPECT_EQ(AdStopIrqMode(), 0);
  EXPECT_EQ(AdFreeDataMem(), 0);
  EXPECT_EQ(AdGetParam(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Acquire, InjectedOverrunPostsTwoAndEndsTheRun) {
  SetUpCard({0}, 20);
  MessageWindow window;
  ASSERT_EQ(int32_t(AdAllocRingBuf(window.hwnd(), 5032, 5000)), 0);
  sim::InjectOverrun(304);
  ASSERT_EQ(AdStartIrqRingMode(window.hwnd(), 0), 0);
  ASSERT_TRUE(window.WaitFor(kCardOverrun, 3000));
  EXPECT_EQ(window.Find(kCardOverrun)->lParam, 304);
  window.PumpFor(150);  // the signal would have run on for 100 ms
  EXPECT_FALSE(window.Saw(kCardCapacityReached));
  EXPECT_EQ(GetRingBufNum(), 304);
}

TEST_F(Acquire, RingModeWithStartTriggerReturnsAfterTheTriggerAndPostsFour) {
  SetUpCard({0}, 20);
  AdSetTrigger(1, 1);
  MessageWindow window;
  ASSERT_EQ(int32_t(AdAllocRingBuf(window.hwnd(), 1032, 1000)), 0);
  lmp::DWORD fired = lmp::GetTickCount();
  sim::FireStartTrigger(80);
  ASSERT_EQ(AdStartIrqRingMode(window.hwnd(), 0), 0);
  EXPECT_GE(lmp::GetTickCount() - fired, 79u);  // the call waits for the trigger
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 3000));
  ASSERT_GE(window.messages.size(), 2u);
  EXPECT_EQ(window.messages[0].wParam, kCardStartTrigger);
  EXPECT_EQ(window.messages[1].wParam, kCardCapacityReached);
  EXPECT_FALSE(window.Saw(kCardConversionStarted));
}

TEST_F(Acquire, DriverMemoryModeWithStartTriggerPostsFourOnlyAfterTheTrigger) {
  SetUpCard({1}, 20);
  AdSetTrigger(1, 1);
  MessageWindow window;
  ASSERT_NE(AdAllocDataMem(window.hwnd(), 1000), nullptr);
  lmp::DWORD fired = lmp::GetTickCount();
  sim::FireStartTrigger(120);
  ASSERT_EQ(AdStartIrqVxdMode(window.hwnd(), 2), 0);
  EXPECT_LT(lmp::GetTickCount() - fired, 100u);  // never blocks for the trigger
  window.PumpFor(60);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(sim::SamplesDelivered(), 0u);  // armed: nothing converted before the trigger
  ASSERT_TRUE(window.WaitFor(kCardStartTrigger, 3000));
  EXPECT_GE(window.Find(kCardStartTrigger)->tick - fired, 119u);
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 3000));
  EXPECT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.messages[0].wParam, kCardStartTrigger);
  uint16_t* block = AdGetParam(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::vector<uint16_t>(block, block + 1000), ExpectedCodes({1}, 1000, 20.0));
}

TEST_F(Acquire, StopTriggerEndsTheRunWithSixtyFour) {
  SetUpCard({0}, 20);
  AdSetTrigger(2, 1);
  MessageWindow window;
  ASSERT_EQ(int32_t(AdAllocRingBuf(window.hwnd(), 50032, 50000)), 0);  // 1 s
  sim::FireStopTrigger(100);
  ASSERT_EQ(AdStartIrqRingMode(window.hwnd(), 0), 0);
  ASSERT_TRUE(window.WaitFor(kCardStopTrigger, 3000));
  intptr_t acquired = window.Find(kCardStopTrigger)->lParam;
  EXPECT_GT(acquired, 0);
  EXPECT_LT(acquired, 50000);
  window.PumpFor(50);
  EXPECT_FALSE(window.Saw(kCardCapacityReached));
  // The watcher stopped the run itself: ring freed, clock ended.
  EXPECT_EQ(AdFreeRingBuf(), 0);
  EXPECT_FALSE(sim::ClockRunning());
}

TEST_F(Acquire, StoppingMidRunEndsEveryThread) {
  SetUpCard({0}, 20);
  AdSetTrigger(2, 1);  // with the stop-trigger watcher running too
  MessageWindow window;
  ASSERT_EQ(int32_t(AdAllocRingBuf(window.hwnd(), 50032, 50000)), 0);
  ASSERT_EQ(AdStartIrqRingMode(window.hwnd(), 0), 0);
  lmp::Sleep(30);
  EXPECT_TRUE(sim::ClockRunning());
  EXPECT_GT(ThreadCount(), baselineThreads_);
  EXPECT_EQ(AdStopIrqMode(), 0);
  EXPECT_FALSE(sim::ClockRunning());
  EXPECT_EQ(ThreadCount(), baselineThreads_);
  uint32_t delivered = sim::SamplesDelivered();
  window.PumpFor(40);
  EXPECT_EQ(sim::SamplesDelivered(), delivered);
  EXPECT_FALSE(window.Saw(kCardCapacityReached));
  EXPECT_EQ(AdFreeRingBuf(), 0);  // AdStopIrqMode freed the ring

  // A driver-memory run still waiting for its start trigger ends as well.
  AdSetTrigger(1, 1);
  ASSERT_NE(AdAllocDataMem(window.hwnd(), 1000), nullptr);
  ASSERT_EQ(AdStartIrqVxdMode(window.hwnd(), 0), 0);
  lmp::Sleep(20);
  EXPECT_EQ(AdStopIrqMode(), 0);
  EXPECT_EQ(ThreadCount(), baselineThreads_);
  EXPECT_EQ(AdFreeDataMem(), 0);
}

TEST_F(Acquire, StopWithoutARunOnlyWritesTheStopRegisters) {
  SetUpCard({0}, 20);
  EXPECT_EQ(AdStopIrqMode(), 0);
  std::vector<std::pair<uint16_t, uint16_t>> expected = {{0x342, 0}, {0x340, 8}, {0x346, 2}};
  EXPECT_EQ(PortWrites(), expected);
  EXPECT_TRUE(RequestsOf(kReqIrqStop).empty());
}

TEST_F(Acquire, FailedStartRequestsGiveMinusFour) {
  SetUpCard({0}, 20);
  ASSERT_EQ(int32_t(AdAllocRingBuf(nullptr, 64, 32)), 0);
  for (uint32_t request : {uint32_t(kReqIrqRingSetup), uint32_t(kReqIrqRingStart)}) {
    sim::ClearLogs();
    sim::FailRequest(request, true);
    EXPECT_EQ(AdStartIrqRingMode(nullptr, 0), -4);
    EXPECT_EQ(RequestsOf(kReqIrqStop).size(), 1u) << "request " << request;
    sim::FailRequest(request, false);
  }
  ASSERT_NE(AdAllocDataMem(nullptr, 32), nullptr);
  sim::FailRequest(kReqIrqMemStart, true);
  EXPECT_EQ(AdStartIrqVxdMode(nullptr, 0), -4);
  sim::FailRequest(kReqIrqMemStart, false);
}

TEST_F(Acquire, PollingThreadReadsTheFifoAndPosts128) {
  // FIFO reads must keep up with the card: at 2 ms per scan the 31-sample
  // FIFO gives the reader 31 ms of slack on a busy machine.
  SetUpCard({0, 1}, 2000);
  ASSERT_EQ(AdSetDataCount(50), 100u);
  MessageWindow window;
  std::vector<uint16_t> buffer(100, 0xFFFF);
  ASSERT_EQ(AdStartPolModeThread(window.hwnd(), buffer.data()), 0);
  ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 3000));
  EXPECT_EQ(window.Find(kCardCapacityReached)->lParam, 100);
  EXPECT_EQ(buffer, ExpectedCodes({0, 1}, 100, 2000.0));
  // FIFO reads take at most ten samples, in whole scans.
  auto log = sim::PortLog();
  int run = 0, longest = 0;
  for (const auto& access : log) {
    if (access.word && !access.write && access.port == 0x346) longest = std::max(longest, ++run);
    else if (access.write) run = 0;
  }
  EXPECT_LE(longest, 10);
}

TEST_F(Acquire, PollingThreadReportsOverrunTriggerAndConfigurationFailure) {
  SetUpCard({0}, 1000);
  AdSetDataCount(100);
  std::vector<uint16_t> buffer(100);
  {
    MessageWindow window;
    sim::InjectOverrun(40);
    ASSERT_EQ(AdStartPolModeThread(window.hwnd(), buffer.data()), 0);
    ASSERT_TRUE(window.WaitFor(kCardOverrun, 3000));
    EXPECT_FALSE(window.Saw(kCardCapacityReached));
    AdStopIrqMode();
  }
  {
    MessageWindow window;
    AdSetTrigger(1, 1);
    lmp::DWORD fired = lmp::GetTickCount();
    sim::FireStartTrigger(50);
    ASSERT_EQ(AdStartPolModeThread(window.hwnd(), buffer.data()), 0);
    ASSERT_TRUE(window.WaitFor(kCardCapacityReached, 3000));
    ASSERT_TRUE(window.Saw(kCardStartTrigger));
    EXPECT_GE(window.Find(kCardStartTrigger)->tick - fired, 49u);
    EXPECT_EQ(window.messages[0].wParam, kCardStartTrigger);
    EXPECT_EQ(buffer, ExpectedCodes({0}, 100, 1000.0));
    AdSetTrigger(0, 0);
  }
  {
    MessageWindow window;
    sim::SetRegisterTimeout(sim::RegisterTimeout::kFifoClear);
    ASSERT_EQ(AdStartPolModeThread(window.hwnd(), buffer.data()), 0);
    ASSERT_TRUE(window.WaitFor(kCardPollConfigFailed, 3000));
    sim::SetRegisterTimeout(sim::RegisterTimeout::kNone);
  }
}

namespace {
std::vector<std::string> statusTexts;
void CollectStatus(const char* text) { statusTexts.push_back(text); }
}  // namespace

TEST_F(Acquire, PollingModeAndOneShotReadOnTheCallingThread) {
  SetUpCard({0, 2, 5}, 3000);
  AdSetDataCount(20);
  statusTexts.clear();
  AdSetStatusTextSink(CollectStatus);
  std::vector<uint16_t> buffer(60);
  EXPECT_EQ(AdStartPolMode(nullptr, buffer.data()), 0);
  EXPECT_EQ(buffer, ExpectedCodes({0, 2, 5}, 60, 3000.0));
  ASSERT_FALSE(statusTexts.empty());
  EXPECT_EQ(statusTexts[0], "Polling ADC Start");

  uint16_t scan[3] = {};
  EXPECT_EQ(AdOneShot(scan), 0);
  EXPECT_EQ(std::vector<uint16_t>(scan, scan + 3), ExpectedCodes({0, 2, 5}, 3, 3000.0));
  sim::ClearLogs();
  EXPECT_EQ(AdOneShot(scan), 0);  // configured once: no reset-and-wait this time
  for (auto [port, value] : PortWrites()) EXPECT_FALSE(port == 0x346 && value == 12);

  AdSetTrigger(2, 1);
  sim::FireStopTrigger(0);
  AdSetDataCount(100000);
  std::vector<uint16_t> large(300000);
  EXPECT_EQ(AdStartPolMode(nullptr, large.data()), 0);
  EXPECT_TRUE(statusTexts.back() == "PRE Trigger Stop" || statusTexts.back() == "PRI Trigger Stop");
  AdSetStatusTextSink(nullptr);
}
