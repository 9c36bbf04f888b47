// The library's own dialogs: what each shows and does. Presentation goes
// through the host's AdDialogPort (see CardIO32.h).
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "CardState.h"

using namespace lmp::cardhw;
using cardio::Card;
using cardio::CardState;

namespace cardio {
namespace {

constexpr lmp::DWORD kTriggerWaitMs = 60000;  // without keepRunning
constexpr lmp::DWORD kEndGraceMs = 5000;
constexpr int kGaveUp = -9;
constexpr int kStopped = -98;
constexpr int kCancelled = -11;
constexpr int kRefused = -12;
constexpr int kAttempts = 5;

std::mutex portMutex;
AdDialogPort thePort{};
bool havePort = false;

// The port as it was when a dialog started; every step checks its member.
class Dialog {
 public:
  Dialog(int id) : id_(id) {
    std::lock_guard<std::mutex> lock(portMutex);
    present_ = havePort;
    port_ = thePort;
  }
  bool present() const { return present_; }
  int id() const { return id_; }
  void Open(lmp::HWND owner, const char* caption) const {
    if (present_ && port_.open) port_.open(port_.context, owner, id_, caption);
  }
  void Text(int item, const std::string& text) const {
    if (present_ && port_.itemText) port_.itemText(port_.context, id_, item, text.c_str());
  }
  void Plot(const AdPlotGraph& graph) const {
    if (present_ && port_.plot) port_.plot(port_.context, id_, &graph);
  }
  bool CanStop() const { return present_ && port_.keepRunning; }
  bool KeepRunning() const { return !CanStop() || port_.keepRunning(port_.context, id_); }
  bool CanEdit() const { return present_ && port_.editSettings; }
  bool Edit(AdRunSettings* settings) const { return port_.editSettings(port_.context, id_, settings); }
  void Close() const {
    if (present_ && port_.close) port_.close(port_.context, id_);
  }

 private:
  int id_;
  bool present_ = false;
  AdDialogPort port_{};
};

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// Length of one run at the programmed rate, in ms.
lmp::DWORD RunLengthMs() {
  const CardState& card = Card();
  return lmp::DWORD(std::min<uint64_t>(uint64_t(card.dataCount) * SamplingPeriodUs() / 1000, 24u * 3600 * 1000));
}

// Throttles the operator's Stop check to one call per 20 ms.
class StopCheck {
 public:
  StopCheck(const Dialog& dialog, lmp::DWORD boundMs) : dialog_(dialog), start_(lmp::GetTickCount()), bound_(boundMs) {}
  // False once the operator stopped or (without a Stop) the bound passed.
  bool Go() {
    lmp::DWORD now = lmp::GetTickCount();
    if (!dialog_.CanStop()) {
      timedOut_ = now - start_ > bound_;
      return !timedOut_;
    }
    if (now - last_ >= 20 || first_) {
      first_ = false;
      last_ = now;
      stopped_ = !dialog_.KeepRunning();
    }
    return !stopped_;
  }
  bool stopped() const { return stopped_; }
  bool timedOut() const { return timedOut_; }

 private:
  const Dialog& dialog_;
  lmp::DWORD start_, last_ = 0;
  lmp::DWORD bound_;
  bool first_ = true, stopped_ = false, timedOut_ = false;
};

// The interrupt run of AdStartIrq and AdSetAndStart, inside an open dialog.
int RunIrq(const Dialog& dialog, uint16_t* buffer, uint32_t* acquired) {
  CardState& card = Card();
  *acquired = 0;
  if (buffer == nullptr || card.channelCount == 0 || card.capacity == 0) return -2;
  if (card.dataMemory != nullptr) return -3;

  struct Progress {
    bool started = false, ended = false;
    uint32_t end = 0;
    intptr_t count = 0;
  } progress;
  lmp::HWND window = lmp::CreateWindowHandle([&](lmp::HWND, lmp::UINT msg, lmp::WPARAM w, lmp::LPARAM l) {
    if (msg != kCardIoMessage) return lmp::LRESULT(0);
    if (w == kCardConversionStarted || w == kCardStartTrigger) {
      progress.started = true;
      dialog.Text(kAdItemStatus, w == kCardStartTrigger ? "Trigger Start" : "Interrupt ADC Start");
    } else if (w == kCardCapacityReached || w == kCardOverrun || w == kCardStopTrigger) {
      progress.ended = true;
      progress.end = uint32_t(w);
      progress.count = l;
    }
    return lmp::LRESULT(0);
  });
  if (AdAllocDataMem(window, card.dataCount) == nullptr) {
    lmp::DestroyWindowHandle(window);
    return -3;
  }
  const uint32_t capacity = card.capacity;
  int rc = AdStartIrqVxdMode(window, 0);
  if (rc != 0) {
    AdStopIrqMode();
    AdFreeDataMem();
    lmp::DestroyWindowHandle(window);
    return rc;
  }

  StopCheck stop(dialog, kTriggerWaitMs + RunLengthMs());
  bool converting = false;
  lmp::DWORD startedAt = 0;
  while (!progress.ended) {
    lmp::PumpMessage(20);
    if (progress.ended) break;
    if (!stop.Go()) break;
    if (progress.started && !converting) {
      converting = true;
      startedAt = lmp::GetTickCount();
    }
    if (converting && lmp::GetTickCount() - startedAt > RunLengthMs() + kEndGraceMs) break;
  }
  uint32_t count = 0;
  if (progress.ended) {
    count = uint32_t(std::max<intptr_t>(progress.count, 0));
  } else {
    CountOut delivered{};
    if (RequestOut(kReqAcquired, &delivered)) count = delivered.count;
  }
  AdStopIrqMode();
  count = std::min(count, capacity);
  if (card.dataMemory) std::copy(card.dataMemory, card.dataMemory + count, buffer);
  *acquired = count;
  AdFreeDataMem();
  lmp::DestroyWindowHandle(window);

  if (progress.end == kCardCapacityReached) rc = 0;
  else if (progress.end == kCardStopTrigger) rc = 0;
  else if (progress.end == kCardOverrun) rc = -1;
  else if (stop.stopped()) rc = kStopped;
  else rc = kGaveUp;
  const char* how = rc == 0 ? (progress.end == kCardStopTrigger ? "Stop Trigger" : "Complete")
                    : rc == -1 ? "Overrun"
                    : rc == kStopped ? "Stopped"
                                     : "No data";
  dialog.Text(kAdItemStatus, Format("%s: %u samples", how, count));
  return rc;
}

// The settings a failed or cancelled set-and-start puts back.
struct Settings {
  uint16_t channelCount, channels[8], samplingValue, unit, clockMode, divisor1, divisor2;
  uint8_t clockSource;
  uint16_t clockSelect;
  uint32_t dataCount, capacity;
  uint8_t startTrigger, stopTrigger, triggerEnable;

  static Settings Take() {
    const CardState& c = Card();
    Settings s{c.channelCount, {}, c.samplingValue, c.unit, c.clockMode, c.divisor1, c.divisor2,
               c.clockSource, c.clockSelect, c.dataCount, c.capacity, c.startTrigger, c.stopTrigger,
               c.triggerEnable};
    std::copy(c.channels, c.channels + 8, s.channels);
    return s;
  }
  void Restore() const {
    CardState& c = Card();
    c.channelCount = channelCount;
    std::copy(channels, channels + 8, c.channels);
    c.samplingValue = samplingValue, c.unit = unit, c.clockMode = clockMode;
    c.divisor1 = divisor1, c.divisor2 = divisor2, c.clockSource = clockSource, c.clockSelect = clockSelect;
    c.dataCount = dataCount, c.capacity = capacity;
    c.startTrigger = startTrigger, c.stopTrigger = stopTrigger, c.triggerEnable = triggerEnable;
  }
};

// Applies edited settings: "" when accepted, else what was refused.
std::string Apply(lmp::HWND parent, const AdRunSettings& s, uint32_t bufferSamples) {
  if (s.channelCount == 0 || s.channelCount > 8 || AdSetChannel(s.channelCount, s.channels) < 1)
    return "Channels refused";
  if (AdSetFreq(parent, s.samplingValue, s.unit) != 0) return "Sampling time refused";
  uint64_t samples = uint64_t(s.dataCount) * Card().channelCount;
  if (s.dataCount == 0 || samples > bufferSamples) return Format("Data count refused (at most %u samples)", bufferSamples);
  if (s.triggerKind > 3) return "Trigger refused";
  AdSetDataCount(s.dataCount);
  AdSetTrigger(s.triggerKind, s.triggerKind != 0);
  return "";
}

}  // namespace
}  // namespace cardio

using cardio::Dialog;

CARDIO32_API void AdSetDialogPort(const AdDialogPort* port) {
  std::lock_guard<std::mutex> lock(cardio::portMutex);
  cardio::havePort = port != nullptr;
  cardio::thePort = port ? *port : AdDialogPort{};
}

CARDIO32_API int AdGetVersion(lmp::HWND parent) {
  Dialog dialog(kAdVersionDialog);
  if (!dialog.present()) return kAdNoDialogPort;
  dialog.Open(parent, "CardIO32");
  dialog.Text(kAdItemText, "CardIO32 Version " CARDIO32_VERSION);
  dialog.Close();
  return 0;
}

CARDIO32_API int ShowCardUtil(lmp::HWND parent) {
  Dialog dialog(kAdCardUtilDialog);
  if (!dialog.present()) return kAdNoDialogPort;
  std::string text;
  int result = 0;
  for (uint16_t slot = 0; slot < 4 && result == 0; ++slot) {
    uint16_t type = 0, base = 0, irq = 0;
    int rc = AdGetCardResource(parent, slot, &type, &base, &irq);
    if (rc == -8) {
      text += cardio::Format("Slot %u: empty\n", unsigned(slot));
    } else if (rc == 0 || rc == -9) {
      // The table is filled: the name is the slot's, without the 64-byte bound.
      std::string name = Card().table[slot].name;
      if (rc == 0) text += cardio::Format("Slot %u: %s, I/O 0x%X, IRQ %u\n", unsigned(slot), name.c_str(), base, irq);
      else text += cardio::Format("Slot %u: %s (not supported)\n", unsigned(slot), name.c_str());
    } else {
      text = cardio::Format("Card services not available (%d)\n", rc);
      result = rc;
    }
  }
  dialog.Open(parent, "Card Information");
  dialog.Text(kAdItemText, text);
  dialog.Close();
  return result;
}

CARDIO32_API int AdPlot(lmp::HWND parent, const uint16_t* codes, uint32_t count) {
  Dialog dialog(kAdPlotDialog);
  const CardState& card = Card();
  if (codes == nullptr || count == 0) return -1;
  if ((card.cardType != 1 && card.cardType != 2) || card.channelCount == 0) return -2;
  if (!dialog.present()) return kAdNoDialogPort;
  AdPlotGraph graph{};
  graph.cardType = card.cardType;
  graph.channelCount = card.channelCount;
  std::copy(card.channels, card.channels + card.channelCount, graph.channels);
  graph.points = count / card.channelCount;
  std::vector<double> volts(size_t(graph.points) * card.channelCount);
  for (uint32_t p = 0; p < graph.points; ++p)
    for (uint16_t c = 0; c < card.channelCount; ++c)
      volts[size_t(c) * graph.points + p] = HexToVal(codes[size_t(p) * card.channelCount + c]);
  graph.volts = volts.data();
  graph.timeStepSeconds = cardio::SamplingPeriodUs() * 1e-6;
  graph.minVolts = card.cardType == 1 ? 0.0 : -5.0;
  graph.maxVolts = card.cardType == 1 ? 2.5 : 5.0;
  dialog.Open(parent, "ADC Plot");
  dialog.Plot(graph);
  dialog.Close();
  return 0;
}

CARDIO32_API int AdStartPol(lmp::HWND parent, uint16_t* buffer) {
  if (buffer == nullptr) return -1;
  Dialog dialog(kAdPolDialog);
  dialog.Open(parent, "Polling ADC");
  cardio::SetThreadStatusRoute([&dialog](const char* text) { dialog.Text(kAdItemStatus, text); });
  cardio::StopCheck stop(dialog, cardio::kTriggerWaitMs + cardio::RunLengthMs());
  uint32_t acquired = 0;
  bool configured = false;
  int rc = cardio::PollWithStop(parent, buffer, [&stop] { return stop.Go(); }, &acquired, &configured);
  cardio::SetThreadStatusRoute({});
  if (rc == cardio::kStopped && stop.timedOut()) rc = cardio::kGaveUp;
  const char* how = !configured ? "Configuration failed" : rc == 0 ? "Complete" : rc == -1 ? "Overrun"
                    : rc == cardio::kStopped ? "Stopped" : "No data";
  dialog.Text(kAdItemStatus, cardio::Format("%s: %u samples", how, acquired));
  dialog.Close();
  return rc;
}

CARDIO32_API int AdStartIrq(lmp::HWND parent, uint16_t* buffer, uint32_t* acquired) {
  Dialog dialog(kAdIrqDialog);
  uint32_t count = 0;
  dialog.Open(parent, "Interrupt ADC");
  int rc = cardio::RunIrq(dialog, buffer, &count);
  dialog.Close();
  if (acquired) *acquired = count;
  return rc;
}

CARDIO32_API int AdSetAndStart(lmp::HWND parent, uint16_t* buffer, uint32_t bufferSamples, uint32_t* acquired) {
  Dialog dialog(kAdSetAndStartDialog);
  if (acquired) *acquired = 0;
  if (!dialog.CanEdit()) return kAdNoDialogPort;
  const CardState& card = Card();
  const cardio::Settings previous = cardio::Settings::Take();
  AdRunSettings settings{};
  settings.channelCount = card.channelCount;
  std::copy(card.channels, card.channels + 8, settings.channels);
  settings.samplingValue = card.samplingValue;
  settings.unit = card.unit;
  settings.dataCount = card.dataCount;
  settings.triggerKind = uint16_t((card.startTrigger ? 1 : 0) | (card.stopTrigger ? 2 : 0));

  dialog.Open(parent, "Set and Start");
  int rc = cardio::kRefused;
  for (int attempt = 0; attempt < cardio::kAttempts; ++attempt) {
    if (!dialog.Edit(&settings)) {
      rc = cardio::kCancelled;
      break;
    }
    std::string refusal = cardio::Apply(parent, settings, bufferSamples);
    if (refusal.empty()) {
      rc = 0;
      break;
    }
    previous.Restore();
    dialog.Text(kAdItemStatus, refusal);
  }
  if (rc != 0) {
    previous.Restore();
    dialog.Close();
    return rc;
  }
  uint32_t count = 0;
  rc = cardio::RunIrq(dialog, buffer, &count);
  dialog.Close();
  if (acquired) *acquired = count;
  return rc;
}
