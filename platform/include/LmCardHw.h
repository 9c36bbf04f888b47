// The A/D card seam: port access to the card's registers and numbered
// requests to its interrupt driver, as the card library (CardIO32) uses them.
//
// The backend is chosen by the environment variable KR70_CARD when a device
// is opened:
//   unset or "none"         no driver: OpenDevice fails
//   "sim[:key=value,...]"   the in-process simulated card and driver
// Simulator keys (all optional):
//   kind=unipolar|bipolar   card model (default unipolar)
//   slot=0..3               socket holding the card (default 0)
//   base=N                  I/O base, decimal or 0x hex (default 0x300)
//   irq=N                   interrupt number (default 10)
//   tone=HZ                 test-signal tone of channel 0 (default 1000)
//   noise=on|off            noise on the test signal (default on)
//   clicks=on|off           short impulsive clicks every 250 ms (default off)
//   wav=PATH                play a mono 16-bit PCM WAV (looped) instead
//   trigger=MS              external start trigger MS ms after arming
//   stoptrigger=MS          external stop trigger MS ms after conversion starts
//   overrun=N               FIFO overrun after N samples of a run
//   timeout=reset|fifo      that command never completes (data port stays busy)
// This header is Qt-free; the simulator is not part of the system, it stands
// in for hardware that does not exist on this platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lmp::cardhw {

// One card and its driver, as the card library sees them. Port numbers are
// absolute (I/O base + offset). Request answers the way a device-control
// call does: true when the request was carried out; out receives up to
// outBytes bytes, *returned how many were written. Thread-safe.
class Device {
 public:
  virtual ~Device() = default;
  virtual uint8_t InPort(uint16_t port) = 0;
  virtual void OutPort(uint16_t port, uint8_t value) = 0;
  virtual uint16_t wInPort(uint16_t port) = 0;
  virtual void wOutPort(uint16_t port, uint16_t value) = 0;
  virtual bool Request(uint32_t code, const void* in, uint32_t inBytes,
                       void* out, uint32_t outBytes, uint32_t* returned) = 0;
};

// Opens the card driver under devicePath through the backend KR70_CARD names.
// Null when there is no driver; *reason (if given) then says why.
std::unique_ptr<Device> OpenDevice(const char* devicePath, std::string* reason = nullptr);

// ---------------------------------------------------------------------------
// Request records (the library sends *In, the driver answers *Out).
// Pointers and window handles travel as 64-bit numbers.

// 101: driver presence. Out: value, non-zero when the card services run.
struct DriverInfoOut { uint32_t value; };
// 102: socket services. Out: status (0 = fine) and number of sockets.
struct SocketCountOut { uint32_t status; uint32_t sockets; };
// 103: Out: number of the first socket, 0 or 1.
struct FirstSocketOut { uint32_t first; };
// 104: In: socket. Out: state (0 card present; 11, 20, 31 empty).
struct SocketIn { uint32_t socket; };
struct SocketStateOut { uint32_t state; };
// 105: In: socket. Out: status (0 = read) and the card's name tuple.
struct CardNameOut { uint32_t status; char name[64]; };
// 106: In: socket. Out: status, I/O resource, IRQ and the raw tuple data.
struct CardConfigOut { uint32_t status; uint16_t ioBase; uint8_t irq; uint8_t pad; uint8_t resource[32]; };

// 2 / 9: interrupt set-up for driver memory.
struct IrqSetupIn { uint16_t cardType; uint16_t ioBase; uint16_t irq; uint16_t pad; };
// 4: interrupt set-up for the ring buffer, with the sampling period.
struct IrqRingSetupIn { uint16_t cardType; uint16_t ioBase; uint16_t irq; uint16_t pad; uint32_t periodUs; };
// Answer of 2, 3, 4, 7, 8: error word, 0 = fine.
struct ErrorWordOut { uint32_t error; };
// 3: start of the ring-buffer transfer.
struct IrqRingStartIn {
  uint64_t window; uint32_t message; uint32_t zero;
  uint32_t startTrigger; uint32_t capacity; uint32_t stopTrigger;
  uint32_t channelCount; uint32_t divider;
};
// 7 / 10: start of the driver-memory transfer.
struct IrqMemStartIn {
  uint64_t window; uint32_t message; uint32_t startTrigger;
  uint64_t dataMemory; uint32_t stopTrigger; uint32_t capacity;
};
// 6, 13: Out: a sample count.
struct CountOut { uint32_t count; };
// 14: copy from the ring buffer. Out: CountOut (samples copied).
struct RingCopyIn { uint64_t destination; uint32_t count; uint32_t pad; };
// 52, 54, 56, 20: In: byte count. Out: address (0 = refused).
struct SizeIn { uint32_t bytes; };
struct AddressOut { uint64_t address; };
// 53: nothing in. 55, 57, 58: In: an address (57/58: the ring descriptor).
struct AddressIn { uint64_t address; };
// 91: In: milliseconds to wait.
struct WaitIn { uint32_t milliseconds; };

// The ring descriptor in driver memory. The driver keeps it up to date under
// its own lock; the library reads samples only through requests 6 and 14.
struct RingDescriptor {
  uint64_t buffer;       // address of length 16-bit samples
  uint32_t length;       // samples
  uint32_t fill;         // samples waiting
  uint32_t readIndex;    // next sample to copy out
  uint32_t writeIndex;   // next sample the driver writes
  uint8_t flags[2];      // [0] overrun seen, [1] capacity reached
  uint8_t pad[6];
};

// The level-trigger (trigger buffer) descriptor in driver memory, registered
// with request 57 like the ring. The driver writes the samples, then the
// state (with release order); the library reads a capture once the state
// says complete (acquire order) and until the next restart (request 24).
struct TrgDescriptor {
  uint64_t buffer;      // address of length 16-bit samples, circular
  uint32_t length;      // pre-trigger + post-trigger samples
  uint32_t pre;         // samples kept before the trigger scan
  uint32_t writeIndex;  // next sample the driver writes
  uint32_t state;       // kTrgArmed, kTrgTriggered or kTrgComplete
  uint32_t start;       // buffer index of the oldest sample of a complete capture
  uint32_t pad;
};
enum TrgState : uint32_t { kTrgArmed = 0, kTrgTriggered = 1, kTrgComplete = 2 };
// 21: level-trigger set-up; the record of request 4 (card, base, IRQ, period).
// 22: the trigger levels: position of the trigger channel in the scan list,
// and the band of 12-bit codes [lower, upper] outside which it fires.
struct LevelIn { uint32_t position; uint16_t lower; uint16_t upper; };
// 23: start of the level-trigger transfer into the registered trigger buffer.
struct LevelStartIn { uint64_t window; uint32_t message; uint32_t divider; uint32_t channelCount; uint32_t pad; };
// 24: nothing in; re-arms the trigger buffer for the next capture.

// Request numbers.
enum Request : uint32_t {
  kReqIrqMemSetup = 2, kReqIrqRingStart = 3, kReqIrqRingSetup = 4,
  kReqRingAvailable = 6, kReqIrqMemStart = 7, kReqIrqStop = 8,
  kReqPostSetup = 9, kReqPostStart = 10, kReqPostStop = 11,
  kReqAcquired = 13, kReqRingCopy = 14,
  kReqAllocDataMem = 52, kReqFreeDataMem = 53, kReqAllocMem = 54, kReqFreeMem = 55,
  kReqAllocRingDesc = 56, kReqRegisterRing = 57, kReqUnregisterRing = 58,
  kReqAllocTrgDesc = 20, kReqLevelSetup = 21, kReqLevelSet = 22, kReqLevelStart = 23,
  kReqLevelRestart = 24, kReqWait = 91,
  kReqDriverInfo = 101, kReqSocketCount = 102, kReqFirstSocket = 103,
  kReqSocketState = 104, kReqCardName = 105, kReqCardConfig = 106,
};

// ---------------------------------------------------------------------------
// Control of the simulator of this process (tests, and the workstation's
// demonstration set-up). Every function is thread-safe and does nothing
// (answers false/empty) when the active backend is not the simulator.
namespace sim {

struct PortAccess {
  uint16_t port;   // absolute port
  uint16_t value;
  bool word;       // 16-bit access
  bool write;
};

struct RequestRecord {
  uint32_t code;
  std::vector<uint8_t> in;  // the record the library sent
};

enum class RegisterTimeout { kNone, kReset, kFifoClear };

// True while a simulated device is open in this process.
bool Active();
// Applies options of the KR70_CARD syntax (the part after "sim:"), on top of
// the current settings. False (with *error) for an unknown key or bad value.
bool Configure(const std::string& options, std::string* error = nullptr);
// Back to the settings KR70_CARD gave when the device was opened.
void ResetSettings();

// The external start trigger fires delayMs after this call (or, for a run
// that is not armed yet, as soon as it is armed and the delay is over).
void FireStartTrigger(uint32_t delayMs);
// The external stop trigger fires delayMs after this call.
void FireStopTrigger(uint32_t delayMs);
// The running (or next) acquisition overruns after this many samples.
void InjectOverrun(uint32_t afterSamples);
void SetRegisterTimeout(RegisterTimeout which);
// Makes the driver refuse (fail) every request with this number, or stop.
void FailRequest(uint32_t code, bool fail);

// Every port access since the last clear (reads of the status register and
// data-port polls included).
std::vector<PortAccess> PortLog();
std::vector<RequestRecord> RequestLog();
void ClearLogs();

// The 12-bit code the card converts for channel code `channel` at scan
// `scan` of a run with the given sampling period (the test signal or WAV).
uint16_t ExpectedCode(unsigned channel, uint64_t scan, double periodUs);
// True while the clock thread of an interrupt transfer runs.
bool ClockRunning();
// Samples the driver has delivered in the current (or last) transfer.
uint32_t SamplesDelivered();
// Sampling period in µs that the current (or last) transfer ran at.
double PeriodUs();

}  // namespace sim
}  // namespace lmp::cardhw
