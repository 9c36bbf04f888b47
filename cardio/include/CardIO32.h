// CardIO32: the library that drives the 12-bit PC-card A/D converter
// (unipolar model: up to 8 channels, bipolar model: up to 4) through its
// registers and its interrupt driver.
//
// Every function is exported with C linkage under the name given here, so a
// client may link the library or resolve the functions by name at run time
// (lmp::LoadLibrary("CardIO32") + lmp::GetProcAddress). The Fn types below
// are the pointer types to cast to.
//
// Results: 0 for success, a small negative code for failure, unless stated.
// The configuration is one record per process without a lock: one client
// thread configures and starts the card at a time. Progress is posted to the
// client's window as message 6078 (see CardIoMessage), from library threads
// and from the driver, through lmp::PostMessage.
//
// When no card driver is present (KR70_CARD unset or "none") loading the
// library by name fails, and a linked client gets enumeration failures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "LmPlatform.h"

#define CARDIO32_API extern "C" __attribute__((visibility("default")))

// Message number the card library and its driver post; wParam says why.
constexpr lmp::UINT kCardIoMessage = 6078;
enum CardIoMessage : uint32_t {
  kCardConversionStarted = 1,   // lParam 0; no start trigger awaited
  kCardOverrun = 2,             // lParam samples acquired; aborted
  kCardStartTrigger = 4,        // lParam 0
  kCardPollConfigFailed = 16,   // lParam 0; the polling thread did not start
  kCardStopTrigger = 64,        // lParam samples acquired before the stop trigger
  kCardCapacityReached = 128,   // lParam samples acquired
};

// --- card access and configuration ----------------------------------------

// Card of slot 0..3: 0; -1..-6 enumeration failures; -8 empty slot; -9 another card.
CARDIO32_API int AdGetCardResource(lmp::HWND window, uint16_t slot, uint16_t* cardType,
                                   uint16_t* ioBase, uint16_t* irq);
// Copies the card name of the slot without a terminating zero: 0; -8 when it
// does not fit (or the slot is empty); an enumeration code.
CARDIO32_API int AdGetCardNameInfo(lmp::HWND window, uint16_t slot, char* text, uint16_t size);
// Finds the card in slots 0..3: 0; -2 mode above 3; -1 no card.
CARDIO32_API int AdSetParamAuto(lmp::HWND window, uint16_t transferMode);
// 0; -1 bad card type (1 or 2); -2 bad mode (0..3).
CARDIO32_API int AdSetParam(lmp::HWND window, uint16_t cardType, uint16_t transferMode,
                            uint16_t ioBase, uint16_t irq);
// Mode 1, all channels, 120 µs (unipolar) or 60 µs (bipolar), one scan.
CARDIO32_API int AdSetOneParam(lmp::HWND window, uint16_t cardType, uint16_t ioBase);
// Sorted, without duplicates: the number of channels kept; -1 bad count.
CARDIO32_API int AdSetChannel(uint16_t count, const uint16_t* channelCodes);
// unit 0 s, 1 ms, 2 µs: 0; -1 invalid; -2 no channels set.
CARDIO32_API int AdSetFreq(lmp::HWND window, uint16_t value, uint16_t unit);
CARDIO32_API int AdSetInternalClock(uint16_t clockSelect, uint16_t divisor1, uint16_t divisor2);
// The code is in the low 32 bits of the result (high bits 0).
CARDIO32_API int64_t AdSetExternalClock(uint16_t mode, uint16_t divisor1, uint16_t divisor2);
// kind 1 start, 2 stop, 3 both, else neither: 1 when enable is non-zero, else 0.
CARDIO32_API int AdSetTrigger(uint16_t kind, uint16_t enable);
// Samples per channel: the new capacity, or 0 when no channels are set.
CARDIO32_API uint32_t AdSetDataCount(uint32_t samplesPerChannel);
// Any out pointer may be null. Returns the data memory block (or null).
CARDIO32_API uint16_t* AdGetParam(uint16_t* cardType, uint16_t* ioBase, uint16_t* irq,
                                  uint16_t* samplingValue, uint16_t* unit, uint16_t* channelCount,
                                  uint32_t* dataCount, uint16_t** dataMemory);

CARDIO32_API uint8_t InPort(uint16_t port);
CARDIO32_API void OutPort(uint16_t port, uint8_t value);
CARDIO32_API uint16_t wInPort(uint16_t port);
CARDIO32_API void wOutPort(uint16_t port, uint16_t value);
// Asks the driver to wait: 0; -1 when the request failed.
CARDIO32_API int WaitMilliSeconds(uint32_t milliseconds);

// Volts of a sample code for the current card type (-99.0 with no type set).
CARDIO32_API double HexToVal(uint16_t code);
CARDIO32_API double HexToValU(uint16_t code);
CARDIO32_API double HexToValB(uint16_t code);

// --- buffers --------------------------------------------------------------

// 0 with the capacity in the high 32 bits; -3 a ring exists; -1 descriptor
// not allocated; -2 buffer not allocated (failures have high bits 0).
CARDIO32_API int64_t AdAllocRingBuf(lmp::HWND window, uint32_t ringSize, uint32_t samplesPerChannel);
CARDIO32_API int AdFreeRingBuf();
// Copies count samples to destination[index...] once that many are waiting:
// the samples copied; 0 while fewer are waiting or without a ring; -1 when
// the driver fails. count 0 copies what is there without waiting.
CARDIO32_API int32_t AdGetRingBufConst(uint16_t* destination, uint32_t index, uint32_t count);
// Copies up to count samples without waiting: the samples copied, -1 on failure.
CARDIO32_API int32_t AdGetRingBuf(uint16_t* destination, uint32_t index, uint32_t count);
CARDIO32_API int32_t GetRingBufNum();
// Null without channels or when a block exists. The block belongs to the
// library; AdFreeDataMem releases it.
CARDIO32_API uint16_t* AdAllocDataMem(lmp::HWND window, uint32_t samplesPerChannel);
CARDIO32_API int AdFreeDataMem();
// General driver memory of `bytes` bytes (null when refused); AdFreeMem
// releases it: 0, or -1 when the driver does not know the block.
CARDIO32_API void* AdAllocMem(uint32_t bytes);
CARDIO32_API int AdFreeMem(void* block);

// --- acquisition ----------------------------------------------------------

// divider 0 = automatic: 0; -5 divider 1; a configuration code; -4 start failed.
// With the start trigger, the ring mode returns only after the trigger.
CARDIO32_API int AdStartIrqRingMode(lmp::HWND window, uint16_t divider);
// As the ring mode into the data memory; never blocks for the trigger.
// -6 when the start-trigger thread cannot be created.
CARDIO32_API int AdStartIrqVxdMode(lmp::HWND window, uint16_t divider);
// Stops the card, the transfer and the library's threads; frees the ring.
CARDIO32_API int AdStopIrqMode();
// One scan (one sample per channel) into buffer, by FIFO reads; configures on
// its first call: 0; a configuration code; -1 overrun.
CARDIO32_API int AdOneShot(uint16_t* buffer);
// Reads capacity samples into buffer on the calling thread by FIFO reads:
// 0; a configuration code; -1 overrun. Status texts go to the sink (if set).
CARDIO32_API int AdStartPolMode(lmp::HWND window, uint16_t* buffer);
// The same on a library thread, reporting with messages 4, 16, 2 and 128;
// buffer must hold the capacity until 128, 2 or AdStopIrqMode: 0; -1 thread
// not started.
CARDIO32_API int AdStartPolModeThread(lmp::HWND window, uint16_t* buffer);

// Receives "Polling ADC Start", "POST Trigger Start", "PRE Trigger Stop" and
// "PRI Trigger Stop" from AdStartPolMode. Null removes the sink.
using AdStatusTextSink = void (*)(const char* text);
CARDIO32_API void AdSetStatusTextSink(AdStatusTextSink sink);

// --- data save ------------------------------------------------------------

// The host's save-file chooser: fills path (size bytes) and answers true, or
// answers false for a cancel. filter uses '|' separators; filterIndex is 1-based.
using AdFileChooser = bool (*)(lmp::HWND owner, const char* filter, int filterIndex,
                               const char* initialName, const char* initialDirectory,
                               char* path, size_t size);
// Null removes the chooser; without one every save is cancelled.
CARDIO32_API void AdSetFileChooser(AdFileChooser chooser);
// Raw 16-bit codes, count × 2 bytes: 0; -1 cancelled, not created or write failed.
CARDIO32_API int AdSaveFile(lmp::HWND owner, const uint16_t* codes, uint32_t count);
// One CR LF line per scan: "%e" time, then "%1.6f" volts per channel.
// 0; -1 write failed; -2 bad unit; -3 no channels; -4 cancelled or not
// created; -5 bad card type.
CARDIO32_API int AdSaveCsvFile(lmp::HWND owner, uint16_t cardType, uint16_t channelsPerRow,
                               double timeStep, uint16_t timeUnit, const uint16_t* codes,
                               uint32_t totalSamples);

// Pointer types for clients that resolve the functions by name.
using AdGetCardResourceFn = decltype(&AdGetCardResource);
using AdSetParamAutoFn = decltype(&AdSetParamAuto);
using AdSetChannelFn = decltype(&AdSetChannel);
using AdSetFreqFn = decltype(&AdSetFreq);
using AdSetTriggerFn = decltype(&AdSetTrigger);
using AdAllocRingBufFn = decltype(&AdAllocRingBuf);
using AdFreeRingBufFn = decltype(&AdFreeRingBuf);
using AdGetRingBufConstFn = decltype(&AdGetRingBufConst);
using AdStartIrqRingModeFn = decltype(&AdStartIrqRingMode);
using AdStartIrqVxdModeFn = decltype(&AdStartIrqVxdMode);
using AdStopIrqModeFn = decltype(&AdStopIrqMode);
using AdAllocDataMemFn = decltype(&AdAllocDataMem);
using AdFreeDataMemFn = decltype(&AdFreeDataMem);
