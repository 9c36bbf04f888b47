// Helpers of the card-library tests: a window that records message 6078 and
// set-up of the simulated card.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CardIO32.h"
#include "LmCardHw.h"
#include "LmPlatform.h"

struct CardMessage {
  uint32_t wParam;
  intptr_t lParam;
  lmp::DWORD tick;  // when it was dispatched
};

class MessageWindow {
 public:
  MessageWindow();
  ~MessageWindow();
  lmp::HWND hwnd() const { return hwnd_; }
  // Pumps until a message with this wParam arrived or timeoutMs passed.
  bool WaitFor(uint32_t wParam, lmp::DWORD timeoutMs);
  // Pumps whatever is queued for up to ms.
  void PumpFor(lmp::DWORD ms);
  bool Saw(uint32_t wParam) const;
  const CardMessage* Find(uint32_t wParam) const;
  std::vector<CardMessage> messages;

 private:
  lmp::HWND hwnd_;
};

// Back to the card of KR70_CARD, no injected faults, empty logs, and the
// library stopped with neutral triggers.
void ResetCard();
// Unipolar card of slot 1 in mode 3, the given channel list, and a period in µs.
void SetUpCard(std::vector<uint16_t> channels, uint16_t periodUs);
// The writes of the port log, as (port, value) pairs.
std::vector<std::pair<uint16_t, uint16_t>> PortWrites();
// The records of one request code, in order.
std::vector<std::vector<uint8_t>> RequestsOf(uint32_t code);
// Threads of this process.
int ThreadCount();
// Codes the card should deliver for a scan list, starting at sample 0.
std::vector<uint16_t> ExpectedCodes(const std::vector<uint16_t>& channels, uint32_t samples, double periodUs);
