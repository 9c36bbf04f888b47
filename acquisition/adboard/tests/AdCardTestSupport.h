// Shared pieces of the A/D recorder tests on the simulated card: the value a
// card code must come out as, and a window that records the card's messages.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "CardIO32.h"
#include "LmCardHw.h"
#include "LmPlatform.h"

namespace kr70test {

// The recorder's three scalings, written out from their definitions.
inline double ExpectedVolts(uint16_t code) {
  double v = (code & 0x1FFF) * 8 * 0.00030517578125 - 5.0;
  return v < -4.5 ? -4.5 : v > 4.5 ? 4.5 : v;
}
inline int16_t ExpectedPcm(uint16_t code) {
  return static_cast<int16_t>(std::trunc(ExpectedVolts(code) * 7281.555555555555));
}

// A window on the test thread that keeps the wParam of every 6078 message and
// can act on one (for example call StopRec on an overrun).
struct CardWindow {
  std::vector<uintptr_t> cardMessages;
  int otherMessages = 0;
  std::function<void(uintptr_t wParam)> onCardMessage;
  lmp::HWND hwnd = nullptr;

  CardWindow() {
    hwnd = lmp::CreateWindowHandle([this](lmp::HWND, lmp::UINT msg, lmp::WPARAM w, lmp::LPARAM) {
      if (msg == kCardIoMessage) {
        cardMessages.push_back(w);
        if (onCardMessage) onCardMessage(w);
      } else {
        ++otherMessages;
      }
      return lmp::LRESULT{0};
    });
  }
  ~CardWindow() { lmp::DestroyWindowHandle(hwnd); }
  CardWindow(const CardWindow&) = delete;
  CardWindow& operator=(const CardWindow&) = delete;

  bool Seen(uintptr_t wParam) const {
    for (uintptr_t w : cardMessages)
      if (w == wParam) return true;
    return false;
  }
  // Dispatches this thread's messages until a card message with wParam
  // arrives or the time is up.
  bool PumpUntil(uintptr_t wParam, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!Seen(wParam)) {
      if (std::chrono::steady_clock::now() > end) return false;
      lmp::PumpMessage(10);
    }
    return true;
  }
};

}  // namespace kr70test
