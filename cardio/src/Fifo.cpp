// The FIFO read protocol of the polling and one-shot modes.
#include <algorithm>
#include <functional>
#include <chrono>
#include <thread>
#include <system_error>

#include "CardState.h"

using cardio::Card;
using cardio::CardState;

namespace cardio {
namespace {

constexpr uint32_t kFifoOverrunFill = 30;
constexpr uint32_t kMaxReadPerPass = 10;

AdStatusTextSink statusSink = nullptr;
thread_local std::function<void(const char*)> threadRoute;

enum class FifoForm { kDirect, kThread };

enum class FifoEnd { kComplete, kStopTrigger, kOverrun, kStopped };

// Reads `total` samples into buffer. The card is configured already.
FifoEnd ReadFifo(lmp::HWND window, uint16_t* buffer, uint32_t total, FifoForm form, uint32_t* acquired,
                 const std::function<bool()>& keepGoing) {
  CardState& card = Card();
  Out8(card.commandPort, 8);
  Out16(card.dataPort, 1);
  Out8(card.controlPort, ControlValue(false));
  bool triggerAnnounced = false;
  const uint32_t channels = std::max<uint16_t>(card.channelCount, 1);
  *acquired = 0;
  FifoEnd end = FifoEnd::kComplete;
  while (*acquired < total) {
    if (keepGoing && !keepGoing()) {
      end = FifoEnd::kStopped;
      break;
    }
    uint8_t status = In8(card.statusPort);
    if ((status & 0xC0) == 0) {
      if (card.startTrigger && (status & 0x08) == 0 && !triggerAnnounced) {
        triggerAnnounced = true;
        if (form == FifoForm::kThread) PostCardMessage(window, kCardStartTrigger, 0);
        else StatusText("POST Trigger Start");
      }
      if (card.stopTrigger && (status & 0x04) == 0) {
        if (form == FifoForm::kDirect) StatusText("PRE Trigger Stop");
        end = FifoEnd::kStopTrigger;
        break;
      }
    } else {
      bool stopped = false;
      while (status & 0x40) {
        status = In8(card.statusPort);
        if (card.stopTrigger && (status & 0x04) == 0) {
          stopped = true;
          break;
        }
      }
      if (stopped) {
        if (form == FifoForm::kDirect) StatusText("PRI Trigger Stop");
        end = FifoEnd::kStopTrigger;
        break;
      }
    }
    Out8(card.commandPort, 10);
    uint32_t fill = In16(card.dataPort) >> 11;
    if (fill < channels) {
      // Nothing to read yet: a short nap keeps the CPU free and is far below
      // the time the 31-sample FIFO takes to fill at the shortest period.
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      continue;
    }
    if (fill > kFifoOverrunFill) {
      end = FifoEnd::kOverrun;
      break;
    }
    // Whole scans only, at most ten samples per pass, never past the total.
    uint32_t n = std::min({fill, kMaxReadPerPass, total - *acquired});
    if (n >= channels) n -= n % channels;
    Out8(card.commandPort, 12);
    for (uint32_t i = 0; i < n; ++i) buffer[(*acquired)++] = In16(card.dataPort);
  }
  StopCardRegisters();
  return end;
}

}  // namespace

void StatusText(const char* text) {
  if (threadRoute) threadRoute(text);
  else if (AdStatusTextSink sink = statusSink) sink(text);
}

void SetThreadStatusRoute(std::function<void(const char*)> fn) { threadRoute = std::move(fn); }

int PollWithStop(lmp::HWND window, uint16_t* buffer, const std::function<bool()>& keepGoing, uint32_t* acquired,
                 bool* configured) {
  *acquired = 0;
  if (configured) *configured = false;
  if (buffer == nullptr) return -1;
  if (int rc = RunConfiguration()) return rc;
  if (configured) *configured = true;
  StatusText("Polling ADC Start");
  FifoEnd end = ReadFifo(window, buffer, Card().capacity, FifoForm::kDirect, acquired, keepGoing);
  if (end == FifoEnd::kOverrun) return -1;
  return end == FifoEnd::kStopped ? -98 : 0;
}

}  // namespace cardio

CARDIO32_API void AdSetStatusTextSink(AdStatusTextSink sink) { cardio::statusSink = sink; }

CARDIO32_API int AdOneShot(uint16_t* buffer) {
  CardState& card = Card();
  if (buffer == nullptr || card.channelCount == 0) return -1;
  if (!card.configured) {
    if (int rc = cardio::RunConfiguration()) return rc;
    card.configured = 1;
  }
  uint32_t acquired = 0;
  cardio::FifoEnd end =
      cardio::ReadFifo(nullptr, buffer, card.channelCount, cardio::FifoForm::kDirect, &acquired, {});
  return end == cardio::FifoEnd::kOverrun ? -1 : 0;
}

CARDIO32_API int AdStartPolMode(lmp::HWND window, uint16_t* buffer) {
  uint32_t acquired = 0;
  return cardio::PollWithStop(window, buffer, {}, &acquired);
}

CARDIO32_API int AdStartPolModeThread(lmp::HWND window, uint16_t* buffer) {
  CardState& card = Card();
  if (buffer == nullptr) return -1;
  card.pollRunning = false;
  if (card.pollThread.joinable()) card.pollThread.join();
  card.pollRunning = true;
  try {
    card.pollThread = std::thread([window, buffer] {
      cardio::MarkLibraryThread();
      CardState& state = Card();
      if (cardio::RunConfiguration() != 0) {
        cardio::PostCardMessage(window, kCardPollConfigFailed, 0);
        state.pollRunning = false;
        return;
      }
      uint32_t acquired = 0;
      cardio::FifoEnd end = cardio::ReadFifo(window, buffer, state.capacity, cardio::FifoForm::kThread,
                                             &acquired, [&state] { return state.pollRunning.load(); });
      if (end == cardio::FifoEnd::kOverrun) cardio::PostCardMessage(window, kCardOverrun, intptr_t(acquired));
      else if (end == cardio::FifoEnd::kComplete) cardio::PostCardMessage(window, kCardCapacityReached, intptr_t(acquired));
      else if (end == cardio::FifoEnd::kStopTrigger) cardio::PostCardMessage(window, kCardStopTrigger, intptr_t(acquired));
      state.pollRunning = false;
    });
  } catch (const std::system_error&) {
    card.pollRunning = false;
    return -1;
  }
  return 0;
}
