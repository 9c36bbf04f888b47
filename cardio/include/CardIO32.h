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
// The ring buffer's samples in driver memory (null without a ring); *length
// (optional) receives its length in samples (0 without a ring). The driver
// writes there while a transfer runs; clients normally copy with AdGetRingBuf.
CARDIO32_API uint16_t* AdGetRingBufAdrs(uint32_t* length);

// --- acquisition ----------------------------------------------------------

// divider 0 = automatic: 0; -5 divider 1; a configuration code; -4 start failed.
// With the start trigger, the ring mode returns only after the trigger.
CARDIO32_API int AdStartIrqRingMode(lmp::HWND window, uint16_t divider);
// As the ring mode into the data memory; never blocks for the trigger.
// -6 when the start-trigger thread cannot be created.
CARDIO32_API int AdStartIrqVxdMode(lmp::HWND window, uint16_t divider);
// The driver-memory transfer in posted-message form: the driver is set up,
// started and stopped with its posted-message requests (9, 10, 11) instead of
// 2, 7 and 8, and reports only by posting message 6078 to the window (1 or 4
// at the start, 128 with the samples at the capacity, 2 on overrun, 64 from
// the stop-trigger watcher). Everything else is as AdStartIrqVxdMode: the
// samples land in the data memory of AdAllocDataMem; AdStopIrqMode ends it.
CARDIO32_API int AdStartIrqPostMsgMode(lmp::HWND window, uint16_t divider);
// Stops the card, the transfer and the library's threads; frees the ring.
CARDIO32_API int AdStopIrqMode();
// 1 when the card's stop-trigger input has fired (status bit 2 low), else 0.
// For clients that poll a run instead of relying on the stop-trigger watcher.
CARDIO32_API int AdCheckStopTrig();
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

// --- level trigger ----------------------------------------------------------
// The driver converts the scan list continuously into a circular trigger
// buffer. Once the pre-trigger scans are there, the first scan whose sample
// of the trigger channel lies outside [lower, upper] fires: message 4. After
// the post-trigger scans the capture is complete: message 128 with the
// capture's length in samples; the card then waits for a restart. Message 1
// follows every start and restart; 2 is an overrun. External triggers are not
// used in this mode. AdStopLimitTrgMode or AdStopIrqMode ends it.

// Trigger channel (card channel code) and band of 12-bit codes:
// 0; -1 channel beyond the card; -2 a level above 4095 or lower > upper.
CARDIO32_API int AdSetLimitTrg(uint16_t channel, uint16_t lower, uint16_t upper);
// Trigger buffer of (preScans + postScans) × channel count samples for the
// current channel list: 0; -3 a buffer exists; -4 no channels set; -2 no
// post-trigger scan, too large, or memory refused; -1 descriptor refused.
CARDIO32_API int AdAllocTrgBuf(lmp::HWND window, uint32_t preScans, uint32_t postScans);
// Stops a running level mode and releases the buffer: 0 (also without one); -1 driver failure.
CARDIO32_API int AdFreeTrgBuf();
// divider 0 = automatic: 0; -7 no trigger buffer; -8 no levels, the trigger
// channel not in the scan list, or the channel list changed since
// AdAllocTrgBuf; -5 divider 1; a configuration code; -4 the driver refused.
CARDIO32_API int AdStartLimitTrgMode(lmp::HWND window, uint16_t divider);
// Discards the capture and arms for the next trigger: 0; -7 not running; -4 refused.
CARDIO32_API int AdRestartLimitTrgMode();
// 0, or the AdStopIrqMode result; without a running mode only stops the card.
CARDIO32_API int AdStopLimitTrgMode();
// Copies the complete capture, oldest sample first, at most count samples:
// the samples copied; 0 while no capture is complete; -1 no trigger buffer or
// null destination. *triggerIndex (optional) is the index in the copy of the
// first sample of the scan that fired (the pre-trigger samples come before).
CARDIO32_API int32_t AdGetTrgData(uint16_t* destination, uint32_t count, uint32_t* triggerIndex);

// --- helpers for clients without pointers or unsigned types ----------------
// As AdGetRingBuf / AdGetRingBufConst into a signed 16-bit array (a 12-bit
// code keeps its value); -1 for a null array or a negative index or count.
CARDIO32_API int32_t VbGetRingBuf(int16_t* destination, int32_t index, int32_t count);
CARDIO32_API int32_t VbGetRingBufConst(int16_t* destination, int32_t index, int32_t count);
// Copies bytes from driver memory named by its address as a number (from
// AdAllocMem, AdAllocDataMem, AdGetRingBufAdrs or the trigger buffer) into
// destination: the bytes copied; -1 when the range is not inside one block
// the library handed out, or for null or negative arguments.
CARDIO32_API int32_t VbMemCopy(void* destination, intptr_t sourceAddress, int32_t bytes);
// AdStartPolModeThread with the buffer given as an address number; -1 for 0.
CARDIO32_API int VbPolModeChildThread(lmp::HWND window, intptr_t bufferAddress);

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

// --- the library's own dialogs ---------------------------------------------
// The library decides what each of its dialogs shows and does, and draws
// nothing itself: this layer has no window toolkit. The host registers an
// AdDialogPort that only presents: it opens a dialog, shows item texts and the
// graph, answers whether the operator still wants a run to go on, lets the
// operator edit the set-and-start settings, and returns from close when the
// operator has closed the dialog. A window front end, a terminal front end or
// a test's recording can each be the port. All calls come on the thread that
// called the dialog function. Any member may be null: that step is skipped
// (keepRunning null: a run goes on until its end or its time bound).
// Without a port the display dialogs (AdGetVersion, ShowCardUtil, AdPlot,
// AdSetAndStart) show nothing and return kAdNoDialogPort; the run dialogs
// (AdStartPol, AdStartIrq) still acquire, without display.

#define CARDIO32_VERSION "1.0.0"

constexpr int kAdNoDialogPort = -10;
// Dialogs (resource ids) and their items.
constexpr int kAdPolDialog = 1001;          // polling run
constexpr int kAdPlotDialog = 1002;         // graph
constexpr int kAdSetAndStartDialog = 1003;  // settings, then an interrupt run
constexpr int kAdVersionDialog = 1004;
constexpr int kAdIrqDialog = 1005;          // interrupt run
constexpr int kAdCardUtilDialog = 1602;     // card information
constexpr int kAdItemStatus = 1312;         // status line of the run dialogs
constexpr int kAdItemText = 1313;           // text of the version and card-information dialogs

// The graph of AdPlot: one trace per channel of the scan list, in volts.
struct AdPlotGraph {
  uint16_t cardType;          // 1 unipolar, 2 bipolar
  uint16_t channelCount;
  uint16_t channels[8];       // card channel code of each trace
  uint32_t points;            // per trace
  const double* volts;        // trace c: volts[c * points] ... volts[(c + 1) * points - 1]
  double timeStepSeconds;     // between two points of a trace (0 when no period is set)
  double minVolts, maxVolts;  // vertical axis: the card's input range
};

// The settings AdSetAndStart lets the operator edit (in: the current ones).
struct AdRunSettings {
  uint16_t channelCount;
  uint16_t channels[8];    // card channel codes
  uint16_t samplingValue;
  uint16_t unit;           // 0 s, 1 ms, 2 µs
  uint32_t dataCount;      // samples per channel
  uint16_t triggerKind;    // 0 none, 1 start, 2 stop, 3 both (external trigger)
};

struct AdDialogPort {
  void* context;
  void (*open)(void* context, lmp::HWND owner, int dialogId, const char* caption);
  void (*itemText)(void* context, int dialogId, int itemId, const char* text);
  void (*plot)(void* context, int dialogId, const AdPlotGraph* graph);
  // Polled during a run (about every 20 ms); false = the operator pressed Stop.
  bool (*keepRunning)(void* context, int dialogId);
  // true = OK with *settings edited; false = Cancel.
  bool (*editSettings)(void* context, int dialogId, AdRunSettings* settings);
  void (*close)(void* context, int dialogId);
};
// The port is copied; null removes it.
CARDIO32_API void AdSetDialogPort(const AdDialogPort* port);

// Version dialog 1004: caption "CardIO32", text "CardIO32 Version " CARDIO32_VERSION.
// 0; kAdNoDialogPort.
CARDIO32_API int AdGetVersion(lmp::HWND parent);
// Card-information dialog 1602: one line per slot 0..3, "Slot n: <card
// name>, I/O 0x340, IRQ 11", "Slot n: empty" or "Slot n: <name> (not
// supported)"; when the card services fail, "Card services not available
// (code)" alone. 0, the enumeration code, or kAdNoDialogPort.
CARDIO32_API int ShowCardUtil(lmp::HWND parent);
// Graph dialog 1002 of count codes of the current scan list (interleaved by
// channel; a trailing part scan is left out), converted to volts for the
// current card type: 0; -1 no codes; -2 no card type or no channels set;
// kAdNoDialogPort.
CARDIO32_API int AdPlot(lmp::HWND parent, const uint16_t* codes, uint32_t count);
// Polling dialog 1001: AdStartPolMode with its status texts on the status
// line, and a Stop through keepRunning. buffer holds the capacity. Without
// keepRunning the run gives up 60 s plus the run's length after the start.
// 0; -1 overrun or no buffer; a configuration code; -98 stopped; -9 gave up.
CARDIO32_API int AdStartPol(lmp::HWND parent, uint16_t* buffer);
// Interrupt dialog 1005: a driver-memory interrupt run (AdAllocDataMem,
// AdStartIrqVxdMode with the automatic divider) on a window of the library
// that the call pumps; status texts for start, trigger and end. The samples
// (at most the capacity) are copied to buffer and *acquired (optional) says
// how many. The data memory is released at the end. The wait for a start
// trigger lasts while keepRunning says so (without it, at most 60 s); once
// converting, the run gives up 5 s after its expected end.
// 0 complete (or ended by the stop trigger); -1 overrun; -2 no channels or
// data count set, or no buffer; -3 a data memory block exists or is refused;
// a start code of AdStartIrqVxdMode; -98 stopped; -9 gave up.
CARDIO32_API int AdStartIrq(lmp::HWND parent, uint16_t* buffer, uint32_t* acquired);
// Set-and-start dialog 1003: the operator edits the channels, the sampling
// value and unit, the data count and the external trigger; refused values are
// named on the status line and the dialog reopens, at most five times. The
// accepted settings are applied (AdSetChannel, AdSetFreq, AdSetDataCount,
// AdSetTrigger) and an interrupt run follows as in AdStartIrq. On Cancel or
// after five refusals the previous settings stay.
// As AdStartIrq; -11 cancelled; -12 refused five times; kAdNoDialogPort
// without a port or without editSettings.
CARDIO32_API int AdSetAndStart(lmp::HWND parent, uint16_t* buffer, uint32_t bufferSamples, uint32_t* acquired);

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
