// The per-process configuration record of the card library (internal).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "CardIO32.h"
#include "LmCardHw.h"

namespace cardio {

struct CardSlot {
  bool present = false;
  char name[64] = {};
  uint16_t ioBase = 0;
  uint8_t irq = 0;
  uint8_t resource[32] = {};
};

struct CardState {
  std::unique_ptr<lmp::cardhw::Device> device;

  uint16_t cardType = 0;  // 1 unipolar, 2 bipolar, 0 not set
  uint16_t ioBase = 0;
  uint16_t irq = 0;
  uint8_t transferMode = 0;
  uint16_t channelCount = 0;
  uint16_t channels[8] = {};
  uint16_t samplingValue = 0;
  uint16_t unit = 0;
  uint32_t dataCount = 0;
  uint32_t capacity = 0;
  uint8_t clockSource = 0;   // 0 internal, 1 external
  uint16_t clockSelect = 0;  // 0 = 10 MHz, 1 = 8.192 MHz
  uint16_t clockMode = 0;    // 0 one counter, 1 cascade, 2 external direct
  uint16_t divisor1 = 0;
  uint16_t divisor2 = 0;
  uint8_t clockSet = 0;
  uint8_t triggerEnable = 0;
  std::atomic<uint8_t> startTrigger{0};
  std::atomic<uint8_t> stopTrigger{0};
  uint16_t divider = 1;
  uint16_t rangeCode = 8;
  uint8_t configured = 0;
  CardSlot table[4];

  // Register map, absolute ports.
  uint16_t commandPort = 0, modePort = 1, controlPort = 2, timerPort = 3, statusPort = 4, dataPort = 6;

  // Buffers in driver memory.
  bool ringPresent = false;
  uint64_t ringDescriptor = 0;
  uint64_t ringBuffer = 0;
  uint32_t ringLength = 0;  // samples
  uint16_t* dataMemory = nullptr;
  uint32_t dataMemoryBytes = 0;
  std::map<uintptr_t, uint32_t> memBlocks;  // AdAllocMem blocks and their sizes

  // Level trigger: the trigger buffer and its descriptor in driver memory,
  // its size in scans, and the levels of AdSetLimitTrg.
  uint64_t trgDescriptor = 0;
  uint64_t trgBuffer = 0;
  uint32_t trgPreScans = 0, trgPostScans = 0;
  uint16_t trgChannels = 0;  // channel count the buffer was sized for
  bool limitSet = false;
  uint16_t limitChannel = 0, limitLower = 0, limitUpper = 0;
  bool levelRunning = false;

  // Run flags; threads end when their flag is cleared.
  std::atomic<bool> irqRunning{false};
  uint32_t irqStopRequest = 8;  // the stop request of the running transfer (8, or 11 in posted-message mode)
  std::atomic<bool> startWatcherRunning{false};
  std::atomic<bool> stopWatcherRunning{false};
  std::atomic<bool> pollRunning{false};
  std::thread startWatcher;
  std::thread stopWatcher;
  std::thread pollThread;
  std::mutex stopMutex;  // AdStopIrqMode from a watcher and from the client
  int lastStopResult = 0;
};

CardState& Card();

// Driver requests: true when the request was carried out and the answer
// record came back whole.
bool Request(uint32_t code, const void* in, uint32_t inBytes, void* out, uint32_t outBytes);
template <typename In, typename Out>
bool Request(uint32_t code, const In& in, Out* out) {
  return Request(code, &in, sizeof(In), out, sizeof(Out));
}
template <typename Out>
bool RequestOut(uint32_t code, Out* out) {
  return Request(code, nullptr, 0, out, sizeof(Out));
}

// Port access through the card seam (no device: reads all ones).
uint8_t In8(uint16_t port);
void Out8(uint16_t port, uint8_t value);
uint16_t In16(uint16_t port);
void Out16(uint16_t port, uint16_t value);

void ComputeRegisterMap();
// The configuration sequence every acquisition mode runs first: 0, -1 reset
// timeout, -2 FIFO-clear timeout, -3 bad clock mode, -4 bad clock select.
int RunConfiguration();
// Control register value with or without the start bit.
uint8_t ControlValue(bool startBit);
uint16_t AutomaticDivider();
uint32_t SamplingPeriodUs();
// Card stop: control 0, command 8, data 2.
void StopCardRegisters();
void PostCardMessage(lmp::HWND window, uint32_t wParam, intptr_t lParam);
// Ends the library's threads (other than the calling one) and waits for them.
void JoinThreads();
// Called first on every library thread.
void MarkLibraryThread();

// The status texts of the FIFO protocol: to the dialog run of the calling
// thread when there is one, else to the client's sink.
void StatusText(const char* text);
// Routes the calling thread's status texts to fn (empty: back to the sink).
void SetThreadStatusRoute(std::function<void(const char*)> fn);
// AdStartPolMode with a stop check polled between FIFO reads: as
// AdStartPolMode, or -98 when keepGoing answered false. *configured says
// whether the configuration sequence succeeded (a failure returns its code).
int PollWithStop(lmp::HWND window, uint16_t* buffer, const std::function<bool()>& keepGoing,
                 uint32_t* acquired, bool* configured = nullptr);
// True when [address, address + bytes) lies inside one block of driver memory
// the library handed out (ring, data memory, trigger buffer, AdAllocMem).
bool InsideLibraryBlock(uintptr_t address, uint32_t bytes);

}  // namespace cardio
