// The library's dialogs, run through a recording port in place of a window.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CardTestSupport.h"

namespace {

struct Recorder {
  std::vector<std::string> log;  // "open 1004 CardIO32", "text 1001/1312 ...", "close 1004"
  std::vector<std::vector<double>> traces;
  AdPlotGraph graph{};
  std::function<bool()> keepRunning;
  std::vector<AdRunSettings> answers;  // one per editSettings call; none left = Cancel

  AdDialogPort Port() {
    AdDialogPort port{};
    port.context = this;
    port.open = [](void* c, lmp::HWND, int id, const char* caption) {
      static_cast<Recorder*>(c)->log.push_back("open " + std::to_string(id) + " " + caption);
    };
    port.itemText = [](void* c, int id, int item, const char* text) {
      static_cast<Recorder*>(c)->log.push_back("text " + std::to_string(id) + "/" + std::to_string(item) + " " + text);
    };
    port.plot = [](void* c, int, const AdPlotGraph* g) {
      auto* self = static_cast<Recorder*>(c);
      self->graph = *g;
      for (uint16_t t = 0; t < g->channelCount; ++t)
        self->traces.emplace_back(g->volts + size_t(t) * g->points, g->volts + size_t(t + 1) * g->points);
    };
    port.keepRunning = [](void* c, int) {
      auto* self = static_cast<Recorder*>(c);
      return !self->keepRunning || self->keepRunning();
    };
    port.editSettings = [](void* c, int, AdRunSettings* s) {
      auto* self = static_cast<Recorder*>(c);
      if (self->answers.empty()) return false;
      *s = self->answers.front();
      self->answers.erase(self->answers.begin());
      return true;
    };
    port.close = [](void* c, int id) { static_cast<Recorder*>(c)->log.push_back("close " + std::to_string(id)); };
    return port;
  }
  bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }
};

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetCard();
    port_ = recorder_.Port();
    AdSetDialogPort(&port_);
  }
  void TearDown() override {
    AdSetDialogPort(nullptr);
    ResetCard();
  }
  Recorder recorder_;
  AdDialogPort port_{};
};

}  // namespace

TEST_F(Dialogs, VersionAndCardInformation) {
  EXPECT_EQ(AdGetVersion(nullptr), 0);
  EXPECT_EQ(recorder_.log, (std::vector<std::string>{"open 1004 CardIO32", "text 1004/1313 CardIO32 Version 1.0.0",
                                                     "close 1004"}));
  recorder_.log.clear();
  EXPECT_EQ(ShowCardUtil(nullptr), 0);
  ASSERT_EQ(recorder_.log.size(), 3u);
  EXPECT_EQ(recorder_.log[1],
            "text 1602/1313 Slot 0: empty\nSlot 1: KVX7731U Unipolar A/D PC Card, I/O 0x340, IRQ 11\n"
            "Slot 2: empty\nSlot 3: empty\n");
  AdSetDialogPort(nullptr);
  EXPECT_EQ(AdGetVersion(nullptr), kAdNoDialogPort);
  EXPECT_EQ(ShowCardUtil(nullptr), kAdNoDialogPort);
}

TEST_F(Dialogs, PlotSplitsTheScansIntoTracesInVolts) {
  SetUpCard({0, 2}, 20);
  const uint16_t codes[5] = {0, 4095, 2048, 0, 4095};  // two whole scans and a part scan
  EXPECT_EQ(AdPlot(nullptr, codes, 0), -1);
  ASSERT_EQ(AdPlot(nullptr, codes, 5), 0);
  EXPECT_EQ(recorder_.graph.channelCount, 2);
  EXPECT_EQ(recorder_.graph.channels[1], 2);
  EXPECT_EQ(recorder_.graph.points, 2u);
  EXPECT_DOUBLE_EQ(recorder_.graph.timeStepSeconds, 20e-6);
  EXPECT_DOUBLE_EQ(recorder_.graph.maxVolts, 2.5);
  ASSERT_EQ(recorder_.traces.size(), 2u);
  EXPECT_EQ(recorder_.traces[0], (std::vector<double>{0.0, HexToValU(2048)}));
  EXPECT_EQ(recorder_.traces[1], (std::vector<double>{HexToValU(4095), 0.0}));
}

TEST_F(Dialogs, PollingDialogShowsItsStatusAndStopsOnRequest) {
  // A slow rate: the 31-sample FIFO then outlasts any pause of a busy machine.
  SetUpCard({0}, 1000);
  AdSetDataCount(300);
  std::vector<uint16_t> buffer(300);
  ASSERT_EQ(AdStartPol(nullptr, buffer.data()), 0);
  EXPECT_EQ(buffer, ExpectedCodes({0}, 300, 1000.0));
  EXPECT_TRUE(recorder_.Logged("text 1001/1312 Polling ADC Start"));
  EXPECT_TRUE(recorder_.Logged("text 1001/1312 Complete: 300 samples"));
  EXPECT_EQ(recorder_.log.back(), "close 1001");

  // Waiting for a start trigger that never comes, until the operator stops.
  AdSetTrigger(1, 1);
  int polls = 0;
  recorder_.keepRunning = [&polls] { return ++polls < 3; };
  EXPECT_EQ(AdStartPol(nullptr, buffer.data()), -98);
  EXPECT_TRUE(recorder_.Logged("text 1001/1312 Stopped: 0 samples"));
}

TEST_F(Dialogs, InterruptDialogReturnsTheSamplesAndReleasesItsMemory) {
  SetUpCard({0, 1}, 20);
  AdSetDataCount(1000);
  std::vector<uint16_t> buffer(2000);
  uint32_t acquired = 0;
  ASSERT_EQ(AdStartIrq(nullptr, buffer.data(), &acquired), 0);
  EXPECT_EQ(acquired, 2000u);
  EXPECT_EQ(buffer, ExpectedCodes({0, 1}, 2000, 20.0));
  EXPECT_EQ(recorder_.log, (std::vector<std::string>{"open 1005 Interrupt ADC", "text 1005/1312 Interrupt ADC Start",
                                                     "text 1005/1312 Complete: 2000 samples", "close 1005"}));
  EXPECT_EQ(AdGetParam(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Dialogs, SetAndStartReopensOnARefusalThenRunsWithTheAcceptedSettings) {
  SetUpCard({0}, 20);
  AdSetDataCount(100);
  std::vector<uint16_t> buffer(400);
  uint32_t acquired = 0;
  EXPECT_EQ(AdSetAndStart(nullptr, buffer.data(), 400, &acquired), -11);  // Cancel
  uint32_t dataCount = 0;
  AdGetParam(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &dataCount, nullptr);
  EXPECT_EQ(dataCount, 100u);

  AdRunSettings tooMany{2, {2, 3}, 40, 2, 300, 0};  // 600 samples for a buffer of 400
  AdRunSettings good{2, {2, 3}, 40, 2, 200, 0};
  recorder_.answers = {tooMany, good};
  recorder_.log.clear();
  ASSERT_EQ(AdSetAndStart(nullptr, buffer.data(), 400, &acquired), 0);
  EXPECT_TRUE(recorder_.Logged("text 1003/1312 Data count refused (at most 400 samples)"));
  EXPECT_EQ(acquired, 400u);
  EXPECT_EQ(buffer, ExpectedCodes({2, 3}, 400, 40.0));
  AdGetParam(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &dataCount, nullptr);
  EXPECT_EQ(dataCount, 200u);

  AdSetDialogPort(nullptr);
  EXPECT_EQ(AdSetAndStart(nullptr, buffer.data(), 400, &acquired), kAdNoDialogPort);
}
