#include <gtest/gtest.h>

#include <cstring>

#include "CardTestSupport.h"

using namespace lmp::cardhw;

namespace {

constexpr uint16_t kBase = 0x340;  // KR70_CARD of this test puts the card here, in slot 1
constexpr uint16_t kCommand = kBase, kMode = kBase + 1, kControl = kBase + 2, kTimer = kBase + 3,
                   kData = kBase + 6;

class Configure : public ::testing::Test {
 protected:
  void SetUp() override { ResetCard(); }
  void TearDown() override { ResetCard(); }
};

template <typename T>
T RecordAs(const std::vector<uint8_t>& bytes) {
  T record{};
  std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof record));
  return record;
}

// Runs a ring-mode start and stop with the given divider argument and
// returns the divider the library sent to the driver (request 3).
uint32_t DividerSent(uint16_t divider) {
  sim::ClearLogs();
  EXPECT_EQ(int32_t(AdAllocRingBuf(nullptr, 64, 32)), 0);
  EXPECT_EQ(AdStartIrqRingMode(nullptr, divider), 0);
  AdStopIrqMode();
  auto records = RequestsOf(kReqIrqRingStart);
  EXPECT_EQ(records.size(), 1u);
  return records.empty() ? 0 : RecordAs<IrqRingStartIn>(records.back()).divider;
}

}  // namespace

TEST_F(Configure, EnumerationFindsTheCardOfItsSlot) {
  uint16_t type = 0, base = 0, irq = 0;
  EXPECT_EQ(AdGetCardResource(nullptr, 1, &type, &base, &irq), 0);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(base, kBase);
  EXPECT_EQ(irq, 11);
  EXPECT_EQ(AdGetCardResource(nullptr, 0, &type, &base, &irq), -8);
  EXPECT_EQ(AdGetCardResource(nullptr, 4, &type, &base, &irq), -8);

  char name[64];
  std::memset(name, '#', sizeof name);
  EXPECT_EQ(AdGetCardNameInfo(nullptr, 1, name, sizeof name), 0);
  EXPECT_EQ(std::string(name, 29), "KVX7731U Unipolar A/D PC Card");
  EXPECT_EQ(name[29], '#');  // no terminating zero
  EXPECT_EQ(AdGetCardNameInfo(nullptr, 1, name, 28), -8);
  EXPECT_EQ(AdGetCardNameInfo(nullptr, 1, name, 29), 0);
}

TEST_F(Configure, EnumerationTellsTheCardKindAndRefusesOtherCards) {
  uint16_t type = 0, base = 0, irq = 0;
  ASSERT_TRUE(sim::Configure("kind=bipolar,slot=3"));
  EXPECT_EQ(AdGetCardResource(nullptr, 3, &type, &base, &irq), 0);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(AdGetCardResource(nullptr, 1, &type, &base, &irq), -8);
  ASSERT_TRUE(sim::Configure("kind=other"));
  EXPECT_EQ(AdGetCardResource(nullptr, 3, &type, &base, &irq), -9);
  EXPECT_EQ(AdSetParamAuto(nullptr, 0), -1);
}

TEST_F(Configure, EnumerationFailuresGiveTheirCodes) {
  const std::pair<uint32_t, int> cases[] = {{101, -1}, {102, -3}, {103, -3}, {104, -4}, {105, -5}, {106, -6}};
  for (auto [request, code] : cases) {
    sim::FailRequest(request, true);
    uint16_t type, base, irq;
    EXPECT_EQ(AdGetCardResource(nullptr, 1, &type, &base, &irq), code) << "request " << request;
    sim::FailRequest(request, false);
  }
  EXPECT_EQ(AdGetCardResource(nullptr, 1, nullptr, nullptr, nullptr), 0);
}

TEST_F(Configure, ParamAutoAndParamValidateAndStore) {
  EXPECT_EQ(AdSetParamAuto(nullptr, 4), -2);
  EXPECT_EQ(AdSetParamAuto(nullptr, 3), 0);
  uint16_t type, base, irq;
  AdGetParam(&type, &base, &irq, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(base, kBase);
  EXPECT_EQ(irq, 11);

  EXPECT_EQ(AdSetParam(nullptr, 3, 0, 0x300, 5), -1);
  EXPECT_EQ(AdSetParam(nullptr, 1, 4, 0x300, 5), -2);
  EXPECT_EQ(AdSetParam(nullptr, 1, 1, 0x300, 5), 0);  // IRQ kept only for modes 2 and 3
  AdGetParam(&type, &base, &irq, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(base, 0x300);
  EXPECT_EQ(irq, 11);
  EXPECT_EQ(AdSetParam(nullptr, 2, 2, 0x320, 5), 0);
  AdGetParam(&type, &base, &irq, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(irq, 5);
}

TEST_F(Configure, SetChannelSortsDropsRepeatsAndKeepsTheLimits) {
  AdSetParamAuto(nullptr, 3);
  const uint16_t list[] = {3, 1, 3, 0};
  EXPECT_EQ(AdSetChannel(4, list), 3);
  uint16_t count = 0;
  AdGetParam(nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr);
  EXPECT_EQ(count, 3);
  const uint16_t eight[] = {7, 6, 5, 4, 3, 2, 1, 0, 0};
  EXPECT_EQ(AdSetChannel(8, eight), 8);
  EXPECT_EQ(AdSetChannel(9, eight), -1);
  EXPECT_EQ(AdSetChannel(0, eight), -1);
  const uint16_t beyond[] = {8};
  EXPECT_EQ(AdSetChannel(1, beyond), -1);

  ASSERT_EQ(AdSetParam(nullptr, 2, 3, kBase, 11), 0);
  const uint16_t five[] = {0, 1, 2, 3, 0};
  EXPECT_EQ(AdSetChannel(5, five), -1);  // bipolar card: four channels
  EXPECT_EQ(AdSetChannel(4, five), 4);
  const uint16_t fourth[] = {4};
  EXPECT_EQ(AdSetChannel(1, fourth), -1);
}

TEST_F(Configure, TransferModeOneMakesOneScan) {
  AdSetParamAuto(nullptr, 1);
  AdSetDataCount(500);
  const uint16_t list[] = {2, 5};
  EXPECT_EQ(AdSetChannel(2, list), 2);
  uint32_t dataCount = 0;
  AdGetParam(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &dataCount, nullptr);
  EXPECT_EQ(dataCount, 1u);
  EXPECT_EQ(AdSetDataCount(10), 20u);
}

TEST_F(Configure, SetFreqDivisorTable) {
  SetUpCard({0}, 20);
  // 20 µs from the 10 MHz clock is divisor 200; one counter.
  ASSERT_EQ(AdSetFreq(nullptr, 20, 2), 0);
  EXPECT_EQ(AdSetFreq(nullptr, 5, 2), -1);  // below 10 µs per channel
  EXPECT_EQ(AdSetFreq(nullptr, 9, 2), -1);
  EXPECT_EQ(AdSetFreq(nullptr, 10, 3), -1);
  uint16_t value, unit;
  AdGetParam(nullptr, nullptr, nullptr, &value, &unit, nullptr, nullptr, nullptr);
  EXPECT_EQ(value, 20);
  EXPECT_EQ(unit, 2);
  const uint16_t three[] = {0, 1, 2};
  AdSetChannel(3, three);
  EXPECT_EQ(AdSetFreq(nullptr, 29, 2), -1);
  EXPECT_EQ(AdSetFreq(nullptr, 30, 2), 0);
  EXPECT_EQ(AdSetFreq(nullptr, 0, 1), -1);
}

// The timer bytes of a configuration give the divisors and the counter mode.
TEST_F(Configure, DivisorsReachTheIntervalTimer) {
  struct Case {
    uint16_t value, unit, divisor1, divisor2;
    uint8_t modeBits;
  };
  const Case cases[] = {{20, 2, 200, 0, 0}, {2, 0, 10000, 2000, 8}, {1, 1, 10000, 0, 0}, {5, 1, 10000, 5, 8}};
  for (const Case& c : cases) {
    SetUpCard({0}, 20);
    ASSERT_EQ(AdSetFreq(nullptr, c.value, c.unit), 0);
    ASSERT_EQ(int32_t(AdAllocRingBuf(nullptr, 64, 32)), 0);
    sim::ClearLogs();
    ASSERT_EQ(AdStartIrqRingMode(nullptr, 4), 0);
    AdStopIrqMode();
    auto writes = PortWrites();
    std::vector<uint16_t> timerAfterSelect[3];
    int selected = -1;
    uint16_t mode = 0xFFFF;
    for (auto [port, value] : writes) {
      if (port == kControl) selected = value <= 2 ? int(value) : -1;
      else if (port == kTimer && selected >= 0) timerAfterSelect[selected].push_back(value);
      else if (port == kMode) mode = value;
    }
    ASSERT_EQ(timerAfterSelect[0].size(), 2u);
    EXPECT_EQ(timerAfterSelect[0][0] | timerAfterSelect[0][1] << 8, c.divisor1) << c.value << "/" << c.unit;
    ASSERT_EQ(timerAfterSelect[1].size(), 2u);
    EXPECT_EQ(timerAfterSelect[1][0] | timerAfterSelect[1][1] << 8, c.divisor2) << c.value << "/" << c.unit;
    EXPECT_EQ(mode, c.modeBits);
  }
}

// The whole write sequence of one configuration and start, port by port.
TEST_F(Configure, ConfigurationWritesTheExactSequence) {
  SetUpCard({3, 1, 0}, 100);
  ASSERT_EQ(int32_t(AdAllocRingBuf(nullptr, 132, 100)), 0);
  sim::ClearLogs();
  ASSERT_EQ(AdStartIrqRingMode(nullptr, 0), 0);
  AdStopIrqMode();
  std::vector<std::pair<uint16_t, uint16_t>> expected = {
      {kCommand, 8}, {kData, 2}, {kControl, 8},           // reset
      {kCommand, 8}, {kData, 12},                         // clear the FIFO
      {kCommand, 8}, {kData, 0}, {kCommand, 0}, {kData, 0x8000 + 256 + 0 * 4},
      {kCommand, 8}, {kData, 0}, {kCommand, 1}, {kData, 0x8000 + 1 * 4},
      {kCommand, 8}, {kData, 0}, {kCommand, 2}, {kData, 0x8000 + 3 * 4 + 1},
      {kCommand, 9}, {kData, 9 * 2048 | 4},               // three channels at µs: 9 per interrupt
      {kCommand, 8}, {kData, 2}, {kControl, 8},           // reset again
      {kControl, 3}, {kTimer, 0x34}, {kTimer, 0x74}, {kTimer, 0xB2},
      {kControl, 0}, {kTimer, 1000 & 0xFF}, {kTimer, 1000 >> 8},
      {kControl, 1}, {kTimer, 0}, {kTimer, 0},
      {kControl, 2}, {kTimer, (71 * 100 - 11) & 0xFF}, {kTimer, (71 * 100 - 11) >> 8},
      {kControl, 0},
      {kMode, 0},
      {kCommand, 8}, {kData, 1}, {kControl, 0x10}, {kControl, 0x98},  // start
      {kControl, 0}, {kCommand, 8}, {kData, 2},                        // stop
  };
  EXPECT_EQ(PortWrites(), expected);
}

TEST_F(Configure, BipolarCardSwapsControlAndTimerPorts) {
  ASSERT_TRUE(sim::Configure("kind=bipolar"));
  ASSERT_EQ(AdSetParamAuto(nullptr, 3), 0);
  const uint16_t one[] = {0};
  AdSetChannel(1, one);
  AdSetFreq(nullptr, 50, 2);
  ASSERT_EQ(int32_t(AdAllocRingBuf(nullptr, 64, 32)), 0);
  sim::ClearLogs();
  ASSERT_EQ(AdStartIrqRingMode(nullptr, 4), 0);
  AdStopIrqMode();
  auto writes = PortWrites();
  ASSERT_GE(writes.size(), 3u);
  EXPECT_EQ(writes[2], std::make_pair(uint16_t(kBase + 3), uint16_t(8)));  // control register at +3
  bool timerAtPlus2 = false;
  for (auto [port, value] : writes) timerAtPlus2 |= port == kBase + 2 && value == 0x34;
  EXPECT_TRUE(timerAtPlus2);
}

TEST_F(Configure, RegisterTimeoutsGiveMinusOneAndMinusTwo) {
  SetUpCard({0}, 20);
  ASSERT_EQ(int32_t(AdAllocRingBuf(nullptr, 64, 32)), 0);
  sim::SetRegisterTimeout(sim::RegisterTimeout::kReset);
  lmp::DWORD start = lmp::GetTickCount();
  EXPECT_EQ(AdStartIrqRingMode(nullptr, 0), -1);
  lmp::DWORD waited = lmp::GetTickCount() - start;
  EXPECT_GE(waited, 990u);  // the hardware wait is bounded at 1000 ms
  EXPECT_LT(waited, 3000u);
  sim::SetRegisterTimeout(sim::RegisterTimeout::kFifoClear);
  EXPECT_EQ(AdStartIrqVxdMode(nullptr, 0), -2);
  sim::SetRegisterTimeout(sim::RegisterTimeout::kNone);
  EXPECT_EQ(AdStartIrqRingMode(nullptr, 0), 0);
}

TEST_F(Configure, AutomaticDividerFollowsUnitAndChannels) {
  struct Case {
    std::vector<uint16_t> channels;
    uint16_t value, unit;
    uint32_t divider;
  };
  const Case cases[] = {
      {{0}, 20, 2, 8},   {{0, 1}, 40, 2, 8},           {{0, 1, 2}, 40, 2, 9},       {{0, 1, 2, 3}, 40, 2, 8},
      {{0, 1, 2, 3, 4}, 60, 2, 10}, {{0, 1, 2, 3, 4, 5}, 60, 2, 6}, {{0}, 50, 1, 8}, {{0, 1, 2}, 50, 1, 6},
      {{0, 1, 2, 3, 4}, 50, 1, 5},  {{0}, 200, 1, 2}, {{0, 1}, 200, 1, 2},        {{0}, 1, 0, 2},
      {{0, 1, 2}, 1, 0, 3},
  };
  for (const Case& c : cases) {
    SetUpCard(c.channels, 100);
    ASSERT_EQ(AdSetFreq(nullptr, c.value, c.unit), 0);
    EXPECT_EQ(DividerSent(0), c.divider) << c.channels.size() << " channels, " << c.value << "/" << c.unit;
  }
}

TEST_F(Configure, OneChannelAtTwentyMicrosecondsInterruptsEveryEightSamples) {
  SetUpCard({0}, 20);
  EXPECT_EQ(DividerSent(0), 8u);
  bool register9 = false;
  auto writes = PortWrites();
  for (size_t i = 0; i + 1 < writes.size(); ++i)
    register9 |= writes[i] == std::make_pair(kCommand, uint16_t(9)) &&
                 writes[i + 1] == std::make_pair(kData, uint16_t(8 * 2048 | 4));
  EXPECT_TRUE(register9);
  EXPECT_EQ(DividerSent(5), 5u);
  EXPECT_EQ(AdStartIrqRingMode(nullptr, 1), -5);
  EXPECT_EQ(AdStartIrqVxdMode(nullptr, 1), -5);
}

TEST_F(Configure, SetOneParamSelectsEveryChannelAndOneScan) {
  EXPECT_EQ(AdSetOneParam(nullptr, 1, kBase), 0);
  uint16_t value, unit, count;
  uint32_t dataCount;
  AdGetParam(nullptr, nullptr, nullptr, &value, &unit, &count, &dataCount, nullptr);
  EXPECT_EQ(count, 8);
  EXPECT_EQ(value, 120);
  EXPECT_EQ(unit, 2);
  EXPECT_EQ(dataCount, 1u);
  EXPECT_EQ(AdSetOneParam(nullptr, 2, kBase), 0);
  AdGetParam(nullptr, nullptr, nullptr, &value, nullptr, &count, nullptr, nullptr);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(value, 60);
  EXPECT_EQ(AdSetOneParam(nullptr, 7, kBase), -1);
}

TEST_F(Configure, HexToValFollowsTheCardType) {
  AdSetParam(nullptr, 1, 0, kBase, 0);
  EXPECT_DOUBLE_EQ(HexToVal(4095), 32760 * 0.0000762939453125);
  EXPECT_DOUBLE_EQ(HexToVal(0), 0.0);
  AdSetParam(nullptr, 2, 0, kBase, 0);
  EXPECT_DOUBLE_EQ(HexToVal(2048), 0.0);
  EXPECT_DOUBLE_EQ(HexToVal(0), -5.0);
  // Codes are multiplied by 8 and read as signed 16 bits.
  EXPECT_DOUBLE_EQ(HexToValU(4096), -2.5);
  EXPECT_DOUBLE_EQ(HexToValB(4095), 32760 * 0.00030517578125 - 5.0);
}

TEST_F(Configure, DriverWaitAndPortAccess) {
  lmp::DWORD start = lmp::GetTickCount();
  EXPECT_EQ(WaitMilliSeconds(20), 0);
  EXPECT_GE(lmp::GetTickCount() - start, 19u);
  sim::ClearLogs();
  OutPort(kCommand, 9);
  wOutPort(kData, 0x1234);
  EXPECT_EQ(InPort(kCommand), 9);
  auto writes = PortWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[1], std::make_pair(kData, uint16_t(0x1234)));
}

// The recorder's way in: load by name, resolve by name.
TEST_F(Configure, LoadsByNameWithADriverAndResolvesTheExports) {
  lmp::HMODULE library = lmp::LoadLibrary("CardIO32.dll");
  ASSERT_NE(library, nullptr) << lmp::LastLoadError();
  auto getResource = reinterpret_cast<AdGetCardResourceFn>(lmp::GetProcAddress(library, "AdGetCardResource"));
  ASSERT_NE(getResource, nullptr);
  uint16_t type = 0, base = 0, irq = 0;
  EXPECT_EQ(getResource(nullptr, 1, &type, &base, &irq), 0);
  EXPECT_EQ(base, kBase);
  for (const char* name : {"AdSetParamAuto", "AdSetChannel", "AdSetFreq", "AdAllocRingBuf", "AdFreeRingBuf",
                           "AdStartIrqRingMode", "AdGetRingBufConst", "AdStopIrqMode", "AdSetTrigger",
                           "AdAllocDataMem", "AdFreeDataMem", "AdStartIrqVxdMode", "HexToVal", "AdSaveCsvFile"})
    EXPECT_NE(lmp::GetProcAddress(library, name), nullptr) << name;
  EXPECT_EQ(lmp::GetProcAddress(library, "RunConfiguration"), nullptr);  // internals stay hidden
  EXPECT_TRUE(lmp::FreeLibrary(library));
}
