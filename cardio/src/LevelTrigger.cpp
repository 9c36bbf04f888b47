// The level-trigger mode: the driver converts continuously into a circular
// trigger buffer and keeps the samples around the first scan whose trigger
// channel leaves the band of AdSetLimitTrg.
#include <algorithm>
#include <cstring>

#include "CardState.h"

using namespace lmp::cardhw;
using cardio::Card;
using cardio::CardState;

namespace cardio {
namespace {

lmp::HWND levelWindow = nullptr;

TrgDescriptor* Descriptor() { return reinterpret_cast<TrgDescriptor*>(uintptr_t(Card().trgDescriptor)); }

void FreeBlock(uint64_t address) {
  ErrorWordOut answer{};
  if (address) Request(kReqFreeMem, AddressIn{address}, &answer);
}

// Lets the card convert again after a stop of the conversion: command 8,
// data 1, control 0x10, then the control value with the start bit and
// without the external triggers.
void StartConversion() {
  CardState& card = Card();
  Out8(card.commandPort, 8);
  Out16(card.dataPort, 1);
  Out8(card.controlPort, 0x10);
  Out8(card.controlPort, 0x88 | 0x10);
}

}  // namespace
}  // namespace cardio

CARDIO32_API int AdSetLimitTrg(uint16_t channel, uint16_t lower, uint16_t upper) {
  if (channel >= (Card().cardType == 2 ? 4 : 8)) return -1;
  if (lower > 4095 || upper > 4095 || lower > upper) return -2;
  CardState& card = Card();
  card.limitSet = true;
  card.limitChannel = channel;
  card.limitLower = lower;
  card.limitUpper = upper;
  return 0;
}

CARDIO32_API int AdAllocTrgBuf(lmp::HWND, uint32_t preScans, uint32_t postScans) {
  CardState& card = Card();
  if (card.trgDescriptor) return -3;
  if (card.channelCount == 0) return -4;
  const uint64_t samples = (uint64_t(preScans) + postScans) * card.channelCount;
  if (postScans == 0 || samples > 0x3FFFFFFFu) return -2;
  AddressOut descriptor{};
  if (!cardio::Request(kReqAllocTrgDesc, SizeIn{uint32_t(sizeof(TrgDescriptor))}, &descriptor) ||
      descriptor.address == 0)
    return -1;
  AddressOut buffer{};
  if (!cardio::Request(kReqAllocMem, SizeIn{uint32_t(samples * 2)}, &buffer) || buffer.address == 0) {
    cardio::FreeBlock(descriptor.address);
    return -2;
  }
  auto* trg = reinterpret_cast<TrgDescriptor*>(uintptr_t(descriptor.address));
  *trg = TrgDescriptor{};
  trg->buffer = buffer.address;
  trg->length = uint32_t(samples);
  trg->pre = preScans * card.channelCount;
  ErrorWordOut answer{};
  if (!cardio::Request(kReqRegisterRing, AddressIn{descriptor.address}, &answer) || answer.error != 0) {
    cardio::FreeBlock(buffer.address);
    cardio::FreeBlock(descriptor.address);
    return -1;
  }
  card.trgDescriptor = descriptor.address;
  card.trgBuffer = buffer.address;
  card.trgPreScans = preScans;
  card.trgPostScans = postScans;
  card.trgChannels = card.channelCount;
  return 0;
}

CARDIO32_API int AdFreeTrgBuf() {
  CardState& card = Card();
  if (!card.trgDescriptor) return 0;
  if (card.levelRunning) AdStopLimitTrgMode();
  ErrorWordOut answer{};
  bool ok = cardio::Request(kReqUnregisterRing, AddressIn{card.trgDescriptor}, &answer) && answer.error == 0;
  ok = cardio::Request(kReqFreeMem, AddressIn{card.trgBuffer}, &answer) && ok;
  ok = cardio::Request(kReqFreeMem, AddressIn{card.trgDescriptor}, &answer) && ok;
  card.trgDescriptor = card.trgBuffer = 0;
  card.trgPreScans = card.trgPostScans = 0;
  card.trgChannels = 0;
  return ok ? 0 : -1;
}

CARDIO32_API int AdStartLimitTrgMode(lmp::HWND window, uint16_t divider) {
  CardState& card = Card();
  if (!card.trgDescriptor) return -7;
  const uint16_t* begin = card.channels;
  const uint16_t* end = begin + card.channelCount;
  const uint16_t* position = std::find(begin, end, card.limitChannel);
  if (!card.limitSet || position == end || card.channelCount != card.trgChannels) return -8;
  if (card.levelRunning || card.irqRunning) AdStopIrqMode();
  if (divider == 1) return -5;
  card.divider = divider == 0 ? cardio::AutomaticDivider() : divider;
  if (card.divider == 0) card.divider = 1;
  if (int rc = cardio::RunConfiguration()) return rc;

  ErrorWordOut answer{};
  IrqRingSetupIn setup{card.cardType, card.ioBase, card.irq, 0, cardio::SamplingPeriodUs()};
  if (!cardio::Request(kReqLevelSetup, setup, &answer) || answer.error != 0) return -4;
  LevelIn levels{uint32_t(position - begin), card.limitLower, card.limitUpper};
  LevelStartIn start{uint64_t(uintptr_t(window)), kCardIoMessage, card.divider, card.channelCount, 0};
  if (!cardio::Request(kReqLevelSet, levels, &answer) || answer.error != 0 ||
      !cardio::Request(kReqLevelStart, start, &answer) || answer.error != 0) {
    cardio::RequestOut(kReqIrqStop, &answer);
    return -4;
  }
  card.irqStopRequest = kReqIrqStop;
  card.irqRunning = true;
  card.levelRunning = true;
  cardio::levelWindow = window;
  cardio::StartConversion();
  cardio::PostCardMessage(window, kCardConversionStarted, 0);
  return 0;
}

CARDIO32_API int AdRestartLimitTrgMode() {
  CardState& card = Card();
  if (!card.levelRunning) return -7;
  cardio::Out8(card.controlPort, 0);  // ends the conversion, keeps the transfer
  ErrorWordOut answer{};
  if (!cardio::RequestOut(kReqLevelRestart, &answer) || answer.error != 0) return -4;
  cardio::StartConversion();
  cardio::PostCardMessage(cardio::levelWindow, kCardConversionStarted, 0);
  return 0;
}

CARDIO32_API int AdStopLimitTrgMode() {
  CardState& card = Card();
  if (!card.levelRunning) {
    cardio::StopCardRegisters();
    return 0;
  }
  return AdStopIrqMode();
}

CARDIO32_API int32_t AdGetTrgData(uint16_t* destination, uint32_t count, uint32_t* triggerIndex) {
  TrgDescriptor* trg = cardio::Descriptor();
  if (trg == nullptr || destination == nullptr) return -1;
  if (__atomic_load_n(&trg->state, __ATOMIC_ACQUIRE) != kTrgComplete) return 0;
  const auto* buffer = reinterpret_cast<const uint16_t*>(uintptr_t(trg->buffer));
  const uint32_t n = std::min(count, trg->length);
  for (uint32_t i = 0; i < n; ++i) destination[i] = buffer[(trg->start + i) % trg->length];
  if (triggerIndex) *triggerIndex = trg->pre;
  return int32_t(n);
}
