// Buffers in driver memory, the interrupt modes, the trigger watchers and the stop.
#include <chrono>
#include <system_error>

#include "CardState.h"

using namespace lmp::cardhw;
using cardio::Card;
using cardio::CardState;

namespace cardio {

constexpr uint8_t kStopTriggerLow = 0x04;

namespace {

constexpr uint8_t kStartTriggerLow = 0x08;

// Sleeps up to ms, returning early once the flag is cleared.
void NapWhile(const std::atomic<bool>& flag, uint32_t ms) {
  for (uint32_t waited = 0; waited < ms && flag; waited += 5) lmp::Sleep(5);
}

// Polls the status register until the start trigger shows (true), or until
// keepWaiting turns false.
template <typename KeepWaiting>
bool WaitForStartTrigger(KeepWaiting keepWaiting) {
  CardState& card = Card();
  while (keepWaiting()) {
    if ((In8(card.statusPort) & kStartTriggerLow) == 0) return true;
    lmp::Sleep(1);
  }
  return false;
}

void StopWatcher(lmp::HWND window) {
  MarkLibraryThread();
  CardState& card = Card();
  while (card.stopWatcherRunning) {
    NapWhile(card.stopWatcherRunning, 100);
    if (!card.stopWatcherRunning) break;
    if ((In8(card.statusPort) & kStopTriggerLow) != 0) continue;
    CountOut acquired{};
    RequestOut(kReqAcquired, &acquired);
    bool early = acquired.count < card.capacity;
    if (early && card.stopWatcherRunning) PostCardMessage(window, kCardStopTrigger, intptr_t(acquired.count));
    AdStopIrqMode();
    if (early) break;
  }
}

// Starts the stop-trigger watcher, ending a previous one first.
int StartStopWatcher(lmp::HWND window) {
  CardState& card = Card();
  card.stopWatcherRunning = false;
  if (card.stopWatcher.joinable()) card.stopWatcher.join();
  card.stopWatcherRunning = true;
  try {
    card.stopWatcher = std::thread(StopWatcher, window);
  } catch (const std::system_error&) {
    card.stopWatcherRunning = false;
    return -1;
  }
  return 0;
}

int ResolveDivider(uint16_t divider) {
  if (divider == 1) return -5;
  Card().divider = divider == 0 ? AutomaticDivider() : divider;
  if (Card().divider == 0) Card().divider = 1;
  return 0;
}

void SendStop() {
  ErrorWordOut answer{};
  RequestOut(kReqIrqStop, &answer);
}

// Hands the transfer to the driver (set-up request, then start request) and
// prepares the card: 0, or -4 when the driver refused. The driver transfer is
// ended by AdStopIrqMode in both interrupt modes.
template <typename SetupIn, typename StartIn>
int ArmTransfer(uint32_t setupCode, const SetupIn& setup, uint32_t startCode, const StartIn& start) {
  CardState& card = Card();
  ErrorWordOut answer{};
  if (!Request(setupCode, setup, &answer)) {
    SendStop();
    return -4;
  }
  if (answer.error != 0) return -4;
  if (!Request(startCode, start, &answer) || answer.error != 0) {
    SendStop();
    return -4;
  }
  card.irqRunning = true;
  Out8(card.commandPort, 8);
  Out16(card.dataPort, 1);
  Out8(card.controlPort, 0x10);
  return 0;
}

}  // namespace
}  // namespace cardio

CARDIO32_API int64_t AdAllocRingBuf(lmp::HWND, uint32_t ringSize, uint32_t samplesPerChannel) {
  CardState& card = Card();
  if (card.ringPresent) return int64_t(uint32_t(-3));
  AddressOut descriptor{};
  if (!cardio::Request(kReqAllocRingDesc, SizeIn{uint32_t(sizeof(RingDescriptor))}, &descriptor) ||
      descriptor.address == 0)
    return int64_t(uint32_t(-1));
  AddressOut buffer{};
  ErrorWordOut answer{};
  if (ringSize == 0 || ringSize > 0x7FFFFFFFu ||
      !cardio::Request(kReqAllocMem, SizeIn{ringSize * 2}, &buffer) || buffer.address == 0) {
    cardio::Request(kReqFreeMem, AddressIn{descriptor.address}, &answer);
    return int64_t(uint32_t(-2));
  }
  auto* ring = reinterpret_cast<RingDescriptor*>(uintptr_t(descriptor.address));
  *ring = RingDescriptor{};
  ring->buffer = buffer.address;
  ring->length = ringSize;
  if (!cardio::Request(kReqRegisterRing, AddressIn{descriptor.address}, &answer) || answer.error != 0) {
    cardio::Request(kReqFreeMem, AddressIn{buffer.address}, &answer);
    cardio::Request(kReqFreeMem, AddressIn{descriptor.address}, &answer);
    return int64_t(uint32_t(-1));
  }
  card.ringPresent = true;
  card.ringDescriptor = descriptor.address;
  card.ringBuffer = buffer.address;
  card.ringLength = ringSize;
  card.dataCount = samplesPerChannel;
  card.capacity = samplesPerChannel * card.channelCount;
  return int64_t(uint64_t(card.capacity) << 32);
}

CARDIO32_API int AdFreeRingBuf() {
  CardState& card = Card();
  if (!card.ringPresent) return 0;
  ErrorWordOut answer{};
  bool ok = cardio::Request(kReqUnregisterRing, AddressIn{card.ringDescriptor}, &answer) && answer.error == 0;
  ok = cardio::Request(kReqFreeMem, AddressIn{card.ringBuffer}, &answer) && ok;
  ok = cardio::Request(kReqFreeMem, AddressIn{card.ringDescriptor}, &answer) && ok;
  card.ringPresent = false;
  card.ringDescriptor = card.ringBuffer = 0;
  card.ringLength = 0;
  return ok ? 0 : -1;
}

CARDIO32_API int32_t GetRingBufNum() {
  if (!Card().ringPresent) return 0;
  CountOut available{};
  if (!cardio::RequestOut(kReqRingAvailable, &available)) return -1;
  return int32_t(available.count);
}

CARDIO32_API int32_t AdGetRingBuf(uint16_t* destination, uint32_t index, uint32_t count) {
  if (!Card().ringPresent) return 0;
  if (destination == nullptr) return -1;
  CountOut copied{};
  RingCopyIn copy{uint64_t(uintptr_t(destination + index)), count, 0};
  if (!cardio::Request(kReqRingCopy, copy, &copied)) return -1;
  return int32_t(copied.count);
}

CARDIO32_API int32_t AdGetRingBufConst(uint16_t* destination, uint32_t index, uint32_t count) {
  if (!Card().ringPresent) return 0;
  int32_t available = GetRingBufNum();
  if (available < 0) return -1;
  if (count != 0 && uint32_t(available) < count) return 0;
  return AdGetRingBuf(destination, index, count == 0 ? uint32_t(available) : count);
}

CARDIO32_API uint16_t* AdAllocDataMem(lmp::HWND, uint32_t samplesPerChannel) {
  CardState& card = Card();
  if (card.channelCount == 0 || card.dataMemory != nullptr) return nullptr;
  uint64_t bytes = uint64_t(samplesPerChannel) * card.channelCount * 2 + 64;
  if (bytes > 0xFFFFFFFFu) return nullptr;
  AddressOut block{};
  if (!cardio::Request(kReqAllocDataMem, SizeIn{uint32_t(bytes)}, &block) || block.address == 0) return nullptr;
  card.dataMemory = reinterpret_cast<uint16_t*>(uintptr_t(block.address));
  card.dataMemoryBytes = uint32_t(bytes);
  card.dataCount = samplesPerChannel;
  card.capacity = samplesPerChannel * card.channelCount;
  return card.dataMemory;
}

CARDIO32_API int AdFreeDataMem() {
  ErrorWordOut answer{};
  bool ok = cardio::RequestOut(kReqFreeDataMem, &answer) && answer.error == 0;
  Card().dataMemory = nullptr;
  Card().dataMemoryBytes = 0;
  return ok ? 0 : -1;
}

CARDIO32_API void* AdAllocMem(uint32_t bytes) {
  AddressOut block{};
  if (bytes == 0 || !cardio::Request(kReqAllocMem, SizeIn{bytes}, &block) || block.address == 0) return nullptr;
  Card().memBlocks[uintptr_t(block.address)] = bytes;
  return reinterpret_cast<void*>(uintptr_t(block.address));
}

CARDIO32_API int AdFreeMem(void* block) {
  ErrorWordOut answer{};
  if (block == nullptr) return -1;
  if (!cardio::Request(kReqFreeMem, AddressIn{uint64_t(uintptr_t(block))}, &answer) || answer.error != 0) return -1;
  Card().memBlocks.erase(uintptr_t(block));
  return 0;
}

CARDIO32_API int AdStartIrqRingMode(lmp::HWND window, uint16_t divider) {
  CardState& card = Card();
  if (int rc = cardio::ResolveDivider(divider)) return rc;
  if (int rc = cardio::RunConfiguration()) return rc;

  IrqRingSetupIn setup{card.cardType, card.ioBase, card.irq, 0, cardio::SamplingPeriodUs()};
  IrqRingStartIn start{uint64_t(uintptr_t(window)), kCardIoMessage, 0, card.startTrigger, card.capacity,
                       card.stopTrigger, card.channelCount, card.divider};
  card.irqStopRequest = kReqIrqStop;
  if (int rc = cardio::ArmTransfer(kReqIrqRingSetup, setup, kReqIrqRingStart, start)) return rc;
  cardio::Out8(card.controlPort, cardio::ControlValue(true));
  if (card.startTrigger) {
    if (cardio::WaitForStartTrigger([&] { return card.startTrigger != 0; }))
      cardio::PostCardMessage(window, kCardStartTrigger, 0);
  } else {
    cardio::PostCardMessage(window, kCardConversionStarted, 0);
  }
  if (card.stopTrigger && cardio::StartStopWatcher(window) != 0) return -4;
  return 0;
}

namespace cardio {
namespace {

// The driver-memory interrupt transfer, with the driver requests of the
// driver-memory mode (2, 7, stop 8) or of the posted-message mode (9, 10, stop 11).
int StartMemoryMode(lmp::HWND window, uint16_t divider, uint32_t setupCode, uint32_t startCode,
                    uint32_t stopCode) {
  CardState& card = Card();
  if (int rc = cardio::ResolveDivider(divider)) return rc;
  if (int rc = cardio::RunConfiguration()) return rc;

  IrqSetupIn setup{card.cardType, card.ioBase, card.irq, 0};
  IrqMemStartIn start{uint64_t(uintptr_t(window)), kCardIoMessage, card.startTrigger,
                      uint64_t(uintptr_t(card.dataMemory)), card.stopTrigger, card.capacity};
  card.irqStopRequest = stopCode;
  if (int rc = cardio::ArmTransfer(setupCode, setup, startCode, start)) return rc;
  if (card.startTrigger) {
    card.startWatcherRunning = false;
    if (card.startWatcher.joinable()) card.startWatcher.join();
    card.startWatcherRunning = true;
    try {
      card.startWatcher = std::thread([window] {
        cardio::MarkLibraryThread();
        CardState& state = Card();
        cardio::Out8(state.controlPort, cardio::ControlValue(true));
        if (cardio::WaitForStartTrigger([&] { return state.startWatcherRunning && state.startTrigger; }))
          cardio::PostCardMessage(window, kCardStartTrigger, 0);
        state.startWatcherRunning = false;
      });
    } catch (const std::system_error&) {
      card.startWatcherRunning = false;
      return -6;
    }
  } else {
    cardio::PostCardMessage(window, kCardConversionStarted, 0);
    cardio::Out8(card.controlPort, cardio::ControlValue(true));
  }
  if (card.stopTrigger && cardio::StartStopWatcher(window) != 0) return -4;
  return 0;
}

}  // namespace
}  // namespace cardio

CARDIO32_API int AdStartIrqVxdMode(lmp::HWND window, uint16_t divider) {
  return cardio::StartMemoryMode(window, divider, kReqIrqMemSetup, kReqIrqMemStart, kReqIrqStop);
}

CARDIO32_API int AdStartIrqPostMsgMode(lmp::HWND window, uint16_t divider) {
  return cardio::StartMemoryMode(window, divider, kReqPostSetup, kReqPostStart, kReqPostStop);
}

CARDIO32_API int AdStopIrqMode() {
  CardState& card = Card();
  {
    std::lock_guard<std::mutex> lock(card.stopMutex);
    cardio::StopCardRegisters();
    int result = 0;
    if (card.irqRunning) {
      ErrorWordOut answer{};
      result = cardio::RequestOut(card.irqStopRequest, &answer) && answer.error == 0 ? 0 : -1;
      card.irqRunning = false;
      card.irqStopRequest = kReqIrqStop;
    }
    card.levelRunning = false;
    if (card.ringPresent) AdFreeRingBuf();
    card.startWatcherRunning = false;
    card.stopWatcherRunning = false;
    card.pollRunning = false;
    card.lastStopResult = result;
  }
  cardio::JoinThreads();
  return card.lastStopResult;
}

CARDIO32_API int AdCheckStopTrig() {
  return (cardio::In8(Card().statusPort) & cardio::kStopTriggerLow) == 0 ? 1 : 0;
}

CARDIO32_API uint16_t* AdGetRingBufAdrs(uint32_t* length) {
  CardState& card = Card();
  if (length) *length = card.ringPresent ? card.ringLength : 0;
  return card.ringPresent ? reinterpret_cast<uint16_t*>(uintptr_t(card.ringBuffer)) : nullptr;
}

bool cardio::InsideLibraryBlock(uintptr_t address, uint32_t bytes) {
  CardState& card = Card();
  auto inside = [&](uintptr_t base, uint64_t size) {
    return base != 0 && address >= base && uint64_t(address - base) + bytes <= size;
  };
  if (card.ringPresent && inside(uintptr_t(card.ringBuffer), uint64_t(card.ringLength) * 2)) return true;
  if (card.dataMemory && inside(uintptr_t(card.dataMemory), card.dataMemoryBytes)) return true;
  if (card.trgBuffer &&
      inside(uintptr_t(card.trgBuffer), uint64_t(card.trgPreScans + card.trgPostScans) * card.trgChannels * 2))
    return true;
  auto it = card.memBlocks.upper_bound(address);
  if (it == card.memBlocks.begin()) return false;
  --it;
  return inside(it->first, it->second);
}
