// Card detection, the configuration record and the configuration sequence.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "CardState.h"

using namespace lmp::cardhw;

namespace cardio {
namespace {

constexpr const char* kUnipolarName = "KVX7731U Unipolar A/D PC Card";
constexpr const char* kBipolarName = "KVX7731B Bipolar A/D PC Card";
constexpr uint32_t kHardwareWaitMs = 1000;

// Fills the card table from requests 101 to 106.
int EnumerateCards() {
  CardState& card = Card();
  for (CardSlot& slot : card.table) slot = CardSlot{};
  DriverInfoOut info{};
  if (!RequestOut(kReqDriverInfo, &info)) return -1;
  if (info.value == 0) return -2;
  SocketCountOut sockets{};
  if (!RequestOut(kReqSocketCount, &sockets) || sockets.status != 0) return -3;
  FirstSocketOut first{};
  if (!RequestOut(kReqFirstSocket, &first)) return -3;
  for (uint32_t i = 0; i < sockets.sockets && i < 4; ++i) {
    SocketIn socket{first.first + i};
    SocketStateOut state{};
    if (!Request(kReqSocketState, socket, &state)) return -4;
    if (state.state == 11 || state.state == 20 || state.state == 31) continue;
    if (state.state != 0) return -4;
    CardNameOut name{};
    if (!Request(kReqCardName, socket, &name) || name.status != 0) return -5;
    CardConfigOut config{};
    if (!Request(kReqCardConfig, socket, &config) || config.status != 0) return -6;
    CardSlot& slot = card.table[i];
    slot.present = true;
    std::memcpy(slot.name, name.name, sizeof slot.name);
    slot.name[sizeof slot.name - 1] = 0;
    slot.ioBase = config.ioBase;
    slot.irq = config.irq;
    std::memcpy(slot.resource, config.resource, sizeof slot.resource);
  }
  return 0;
}

// Polls the data port for 0, at most kHardwareWaitMs.
bool WaitDataPortZero() {
  CardState& card = Card();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHardwareWaitMs);
  for (;;) {
    if (In16(card.dataPort) == 0) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    lmp::Sleep(1);
  }
}

void WriteCommand(uint8_t command, uint16_t data) {
  CardState& card = Card();
  Out8(card.commandPort, command);
  Out16(card.dataPort, data);
}

int ResetCard() {
  WriteCommand(8, 2);
  if (!WaitDataPortZero()) return -1;
  Out8(Card().controlPort, 8);
  return 0;
}

// Divisors of the 10 MHz clock for a sampling value and unit; false when the
// value cannot be programmed.
bool DivisorsFor(uint16_t value, uint16_t unit, uint16_t channelCount, uint16_t* mode, uint16_t* d1,
                 uint16_t* d2) {
  if (value == 0) return false;
  switch (unit) {
    case 0:
      if (uint32_t(value) * 1000 > 0xFFFF) return false;
      *mode = 1, *d1 = 10000, *d2 = uint16_t(value * 1000);
      return true;
    case 1:
      if (value == 1) *mode = 0, *d1 = 10000, *d2 = 0;
      else *mode = 1, *d1 = 10000, *d2 = value;
      return true;
    case 2:
      if (value < 10u * channelCount || uint32_t(value) * 10 > 0xFFFF) return false;
      *mode = 0, *d1 = uint16_t(value * 10), *d2 = 0;
      return true;
    default:
      return false;
  }
}

int CardChannels() { return Card().cardType == 2 ? 4 : 8; }

}  // namespace

void ComputeRegisterMap() {
  CardState& card = Card();
  const uint16_t base = card.ioBase;
  card.commandPort = base;
  card.modePort = uint16_t(base + 1);
  card.controlPort = uint16_t(base + (card.cardType == 2 ? 3 : 2));
  card.timerPort = uint16_t(base + (card.cardType == 2 ? 2 : 3));
  card.statusPort = uint16_t(base + 4);
  card.dataPort = uint16_t(base + 6);
}

uint8_t ControlValue(bool startBit) {
  CardState& card = Card();
  return uint8_t(0x88 | (startBit ? 0x10 : 0) | (card.stopTrigger ? 0x20 : 0) | (card.startTrigger ? 0x40 : 0));
}

void StopCardRegisters() {
  CardState& card = Card();
  Out8(card.controlPort, 0);
  WriteCommand(8, 2);
}

int RunConfiguration() {
  CardState& card = Card();
  if (!card.device) return -1;
  if (int rc = ResetCard()) return rc;
  WriteCommand(8, 12);  // clear the FIFO
  if (!WaitDataPortZero()) return -2;

  for (uint16_t i = 0; i < card.channelCount; ++i) {
    uint16_t entry = uint16_t(card.rangeCode * 4096 + (i == 0 ? 256 : 0)) | uint16_t(card.channels[i] * 4);
    if (card.transferMode == 1 && i == 0) entry |= 2;
    if (i + 1 == card.channelCount) entry |= 1;
    const uint16_t bank = 0;
    WriteCommand(8, uint16_t(bank * 256));
    WriteCommand(uint8_t(i), entry);
  }
  uint16_t perInterrupt = card.transferMode == 1 ? uint16_t(card.dataCount) : card.divider;
  WriteCommand(9, uint16_t(perInterrupt * 2048) | 4);
  if (int rc = ResetCard()) return rc;

  if (card.clockMode > 2) return -3;
  Out8(card.controlPort, 3);
  Out8(card.timerPort, 0x34);  // counter 0: rate generator, low then high byte
  Out8(card.timerPort, 0x74);  // counter 1: rate generator
  Out8(card.timerPort, 0xB2);  // counter 2: one-shot
  Out8(card.controlPort, 0);
  Out8(card.timerPort, uint8_t(card.divisor1 & 0xFF));
  Out8(card.timerPort, uint8_t(card.divisor1 >> 8));
  Out8(card.controlPort, 1);
  Out8(card.timerPort, uint8_t(card.divisor2 & 0xFF));
  Out8(card.timerPort, uint8_t(card.divisor2 >> 8));
  Out8(card.controlPort, 2);
  uint16_t conversions = uint16_t((2 * card.rangeCode + 55) * card.dataCount - 11);
  Out8(card.timerPort, uint8_t(conversions & 0xFF));
  Out8(card.timerPort, uint8_t(conversions >> 8));
  Out8(card.controlPort, 0);

  uint8_t source;
  if (card.clockSource == 1) source = 3;
  else if (card.clockSelect == 0) source = 0;
  else if (card.clockSelect == 1) source = 1;
  else return -4;
  uint8_t mode = uint8_t(source | (card.clockMode == 1 ? 8 : 0) | (card.clockMode == 2 ? 0x10 : 0) |
                         ((card.triggerEnable + 2 * card.clockSet) * 64));
  Out8(card.modePort, mode);
  return 0;
}

uint16_t AutomaticDivider() {
  CardState& card = Card();
  const uint16_t c = card.channelCount;
  switch (card.unit) {
    case 0: return c == 1 ? 2 : c;
    case 1:
      if (card.samplingValue < 100) return c == 1 ? 8 : (c <= 4 ? uint16_t(2 * c) : c);
      return c == 1 ? 2 : c;
    case 2:
      if (c == 1 || c == 2 || c == 4) return 8;
      if (c == 3) return 9;
      if (c == 5) return 10;
      return c;
    default: return card.samplingValue;
  }
}

uint32_t SamplingPeriodUs() {
  CardState& card = Card();
  switch (card.unit) {
    case 0: return uint32_t(card.samplingValue) * 1000000u;
    case 1: return uint32_t(card.samplingValue) * 1000u;
    default: return card.samplingValue;
  }
}

}  // namespace cardio

using cardio::Card;
using cardio::CardState;

CARDIO32_API int AdGetCardResource(lmp::HWND, uint16_t slot, uint16_t* cardType, uint16_t* ioBase,
                                   uint16_t* irq) {
  if (int rc = cardio::EnumerateCards()) return rc;
  if (slot > 3 || !Card().table[slot].present) return -8;
  const cardio::CardSlot& entry = Card().table[slot];
  uint16_t type;
  if (std::strncmp(entry.name, cardio::kUnipolarName, 29) == 0) type = 1;
  else if (std::strncmp(entry.name, cardio::kBipolarName, 28) == 0) type = 2;
  else return -9;
  if (cardType) *cardType = type;
  if (ioBase) *ioBase = entry.ioBase;
  if (irq) *irq = entry.irq;
  return 0;
}

CARDIO32_API int AdGetCardNameInfo(lmp::HWND, uint16_t slot, char* text, uint16_t size) {
  if (int rc = cardio::EnumerateCards()) return rc;
  if (slot > 3 || !Card().table[slot].present) return -8;
  const char* name = Card().table[slot].name;
  size_t length = std::strlen(name);
  if (text == nullptr || length > size) return -8;
  std::memcpy(text, name, length);
  return 0;
}

CARDIO32_API int AdSetParamAuto(lmp::HWND window, uint16_t transferMode) {
  if (transferMode > 3) return -2;
  CardState& card = Card();
  card.transferMode = uint8_t(transferMode);
  for (uint16_t slot = 0; slot < 4; ++slot) {
    uint16_t type, base, irq;
    if (AdGetCardResource(window, slot, &type, &base, &irq) == 0) {
      card.cardType = type;
      card.ioBase = base;
      card.irq = irq;
      card.startTrigger = 0;
      card.stopTrigger = 0;
      cardio::ComputeRegisterMap();
      return 0;
    }
  }
  return -1;
}

CARDIO32_API int AdSetParam(lmp::HWND, uint16_t cardType, uint16_t transferMode, uint16_t ioBase, uint16_t irq) {
  if (cardType != 1 && cardType != 2) return -1;
  if (transferMode > 3) return -2;
  CardState& card = Card();
  card.cardType = cardType;
  card.transferMode = uint8_t(transferMode);
  card.ioBase = ioBase;
  if (transferMode >= 2) card.irq = irq;
  card.startTrigger = 0;
  card.stopTrigger = 0;
  cardio::ComputeRegisterMap();
  return 0;
}

CARDIO32_API int AdSetOneParam(lmp::HWND window, uint16_t cardType, uint16_t ioBase) {
  if (int rc = AdSetParam(window, cardType, 1, ioBase, 255)) return rc;
  const uint16_t all[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  const uint16_t count = cardType == 2 ? 4 : 8;
  if (AdSetChannel(count, all) != count) return -3;
  if (AdSetFreq(window, cardType == 2 ? 60 : 120, 2) != 0) return -3;
  AdSetDataCount(1);
  return 0;
}

CARDIO32_API int AdSetChannel(uint16_t count, const uint16_t* channelCodes) {
  const int limit = cardio::CardChannels();
  if (count == 0 || count > limit || channelCodes == nullptr) return -1;
  uint16_t sorted[8];
  for (uint16_t i = 0; i < count; ++i) {
    // A code beyond the card's channels would spill into other scan-list bits.
    if (channelCodes[i] >= limit) return -1;
    sorted[i] = channelCodes[i];
  }
  std::sort(sorted, sorted + count);
  uint16_t* end = std::unique(sorted, sorted + count);
  CardState& card = Card();
  card.channelCount = uint16_t(end - sorted);
  std::copy(sorted, end, card.channels);
  if (card.transferMode == 1) {
    card.dataCount = 1;
    card.capacity = card.channelCount;
  }
  return card.channelCount;
}

CARDIO32_API int AdSetFreq(lmp::HWND, uint16_t value, uint16_t unit) {
  CardState& card = Card();
  if (card.channelCount == 0) return -2;
  uint16_t mode, d1, d2;
  if (!cardio::DivisorsFor(value, unit, card.channelCount, &mode, &d1, &d2)) return -1;
  card.samplingValue = value;
  card.unit = unit;
  card.clockSource = 0;
  card.clockSelect = 0;
  card.clockMode = mode;
  card.divisor1 = d1;
  card.divisor2 = d2;
  return 0;
}

CARDIO32_API int AdSetInternalClock(uint16_t clockSelect, uint16_t divisor1, uint16_t divisor2) {
  if (divisor1 < 2) return -1;
  if (clockSelect > 1) return -2;
  CardState& card = Card();
  card.clockSet = 1;
  card.clockSource = 0;
  card.clockSelect = clockSelect;
  card.divisor1 = divisor1;
  card.divisor2 = divisor2;
  card.clockMode = divisor2 == 0 ? 0 : 1;
  return 0;
}

CARDIO32_API int64_t AdSetExternalClock(uint16_t mode, uint16_t divisor1, uint16_t divisor2) {
  auto code = [](int value) { return int64_t(uint32_t(value)); };
  if (mode > 1) return code(-2);
  if (mode == 1 && divisor1 < 2) return code(-1);
  CardState& card = Card();
  card.clockSet = 1;
  card.clockSource = 1;
  if (mode == 0) {
    card.clockMode = 2;
  } else {
    card.divisor1 = divisor1;
    card.divisor2 = divisor2;
    card.clockMode = divisor2 == 0 ? 0 : 1;
  }
  return 0;
}

CARDIO32_API int AdSetTrigger(uint16_t kind, uint16_t enable) {
  CardState& card = Card();
  card.startTrigger = (kind == 1 || kind == 3) ? 1 : 0;
  card.stopTrigger = (kind == 2 || kind == 3) ? 1 : 0;
  card.triggerEnable = enable != 0 ? 1 : 0;
  return enable != 0 ? 1 : 0;
}

CARDIO32_API uint32_t AdSetDataCount(uint32_t samplesPerChannel) {
  CardState& card = Card();
  if (card.channelCount == 0) return 0;
  card.dataCount = samplesPerChannel;
  card.capacity = samplesPerChannel * card.channelCount;
  return card.capacity;
}

CARDIO32_API uint16_t* AdGetParam(uint16_t* cardType, uint16_t* ioBase, uint16_t* irq, uint16_t* samplingValue,
                                  uint16_t* unit, uint16_t* channelCount, uint32_t* dataCount,
                                  uint16_t** dataMemory) {
  CardState& card = Card();
  if (cardType) *cardType = card.cardType;
  if (ioBase) *ioBase = card.ioBase;
  if (irq) *irq = card.irq;
  if (samplingValue) *samplingValue = card.samplingValue;
  if (unit) *unit = card.unit;
  if (channelCount) *channelCount = card.channelCount;
  if (dataCount) *dataCount = card.dataCount;
  if (dataMemory) *dataMemory = card.dataMemory;
  return card.dataMemory;
}

CARDIO32_API double HexToValU(uint16_t code) {
  return int16_t(uint16_t(code * 8)) * 0.0000762939453125;
}

CARDIO32_API double HexToValB(uint16_t code) {
  return int16_t(uint16_t(code * 8)) * 0.00030517578125 - 5.0;
}

CARDIO32_API double HexToVal(uint16_t code) {
  switch (Card().cardType) {
    case 1: return HexToValU(code);
    case 2: return HexToValB(code);
    default: return -99.0;
  }
}
