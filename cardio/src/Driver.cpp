// Driver link: opened when the library is loaded, closed when it is unloaded.
#include <cstring>

#include "CardState.h"

namespace cardio {
namespace {

constexpr const char* kDevicePath = "\\\\.\\KVXVPCD.VXD";

struct Library {
  CardState state;
  Library() { state.device = lmp::cardhw::OpenDevice(kDevicePath); }
  ~Library() {
    if (state.irqRunning || state.stopWatcherRunning || state.startWatcherRunning || state.pollRunning)
      AdStopIrqMode();
    JoinThreads();
    if (state.ringPresent) AdFreeRingBuf();
    if (state.trgDescriptor) AdFreeTrgBuf();
    state.device.reset();
  }
};

Library& TheLibrary() {
  static Library library;
  return library;
}

}  // namespace

CardState& Card() { return TheLibrary().state; }

bool Request(uint32_t code, const void* in, uint32_t inBytes, void* out, uint32_t outBytes) {
  CardState& card = Card();
  if (!card.device) return false;
  uint32_t returned = 0;
  if (!card.device->Request(code, in, inBytes, out, outBytes, &returned)) return false;
  return returned == outBytes;
}

uint8_t In8(uint16_t port) {
  CardState& card = Card();
  return card.device ? card.device->InPort(port) : 0xFF;
}

void Out8(uint16_t port, uint8_t value) {
  CardState& card = Card();
  if (card.device) card.device->OutPort(port, value);
}

uint16_t In16(uint16_t port) {
  CardState& card = Card();
  return card.device ? card.device->wInPort(port) : 0xFFFF;
}

void Out16(uint16_t port, uint16_t value) {
  CardState& card = Card();
  if (card.device) card.device->wOutPort(port, value);
}

void PostCardMessage(lmp::HWND window, uint32_t wParam, intptr_t lParam) {
  if (window) lmp::PostMessage(window, kCardIoMessage, wParam, lParam);
}

thread_local bool onLibraryThread = false;

void MarkLibraryThread() { onLibraryThread = true; }

void JoinThreads() {
  // Only client threads wait for the library's threads; a watcher that stops
  // the run itself just ends afterwards.
  if (onLibraryThread) return;
  CardState& card = Card();
  for (std::thread* thread : {&card.startWatcher, &card.stopWatcher, &card.pollThread}) {
    if (thread->joinable() && thread->get_id() != std::this_thread::get_id()) thread->join();
  }
}

}  // namespace cardio

// Without a driver the library refuses to load.
extern "C" __attribute__((visibility("default"))) int LmpDllMain(int reason) {
  if (reason == 1) return cardio::Card().device ? 1 : 0;
  return 1;
}

CARDIO32_API uint8_t InPort(uint16_t port) { return cardio::In8(port); }
CARDIO32_API void OutPort(uint16_t port, uint8_t value) { cardio::Out8(port, value); }
CARDIO32_API uint16_t wInPort(uint16_t port) { return cardio::In16(port); }
CARDIO32_API void wOutPort(uint16_t port, uint16_t value) { cardio::Out16(port, value); }

CARDIO32_API int WaitMilliSeconds(uint32_t milliseconds) {
  lmp::cardhw::WaitIn wait{milliseconds};
  return cardio::Request(lmp::cardhw::kReqWait, &wait, sizeof wait, nullptr, 0) ? 0 : -1;
}
