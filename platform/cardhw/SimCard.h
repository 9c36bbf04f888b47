// The simulated A/D card and its interrupt driver (internal).
//
// Register model: command register (+0), clock/trigger mode register (+1),
// control register and interval-timer port (+2/+3, swapped on the bipolar
// card), status register (+4) and the 16-bit data port (+6). The card converts
// the scan list written to register bank 0 at the period the interval timer
// and the mode register give. Conversion for FIFO reads is computed when the
// registers are read; an interrupt transfer runs on a clock thread that wakes
// every few milliseconds and hands out whole interrupts (divider samples),
// paced by the real-time clock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "LmCardHw.h"
#include "LmPlatform.h"
#include "SimSettings.h"

namespace lmp::cardhw {

class SimCard : public Device {
 public:
  using Clock = std::chrono::steady_clock;

  SimCard(const SimSettings& settings, SignalSource source);
  ~SimCard() override;

  uint8_t InPort(uint16_t port) override;
  void OutPort(uint16_t port, uint8_t value) override;
  uint16_t wInPort(uint16_t port) override;
  void wOutPort(uint16_t port, uint16_t value) override;
  bool Request(uint32_t code, const void* in, uint32_t inBytes, void* out, uint32_t outBytes,
               uint32_t* returned) override;

  // Control (see lmp::cardhw::sim).
  bool Configure(const std::string& options, std::string* error);
  void ResetSettings();
  void FireStartTrigger(uint32_t delayMs);
  void FireStopTrigger(uint32_t delayMs);
  void InjectOverrun(uint32_t afterSamples);
  void SetRegisterTimeout(sim::RegisterTimeout which);
  void FailRequest(uint32_t code, bool fail);
  std::vector<sim::PortAccess> PortLog();
  std::vector<sim::RequestRecord> RequestLog();
  void ClearLogs();
  uint16_t ExpectedCode(unsigned channel, uint64_t scan, double periodUs);
  bool ClockRunning();
  uint32_t SamplesDelivered();
  double PeriodUs();

 private:
  enum class DataPort { kIdle, kBusy, kStuck, kFifoStatus, kFifoData };
  enum class Transfer { kNone, kRing, kMemory, kLevel };
  struct Post {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };

  // All below run with mutex_ held.
  uint16_t Offset(uint16_t port) const { return uint16_t(port - settings_.ioBase); }
  bool IsControlPort(uint16_t offset) const;
  bool IsTimerPort(uint16_t offset) const;
  void Log(uint16_t port, uint16_t value, bool word, bool write);
  void WriteCommandData(uint16_t value, bool* stopClock);
  void WriteControl(uint8_t value, bool* stopClock, bool* startClock);
  void WriteTimer(uint8_t value);
  void StopCard(bool* stopClock);
  uint8_t Status(Clock::time_point now);
  bool StartTriggerSeen(Clock::time_point now);
  bool StopTriggerSeen(Clock::time_point now);
  double TimerPeriodUs() const;
  std::vector<uint16_t> ScanList() const;
  void UpdateFifo(Clock::time_point now);
  uint16_t NextCode(uint64_t sampleIndex);
  bool DeliverDue(Clock::time_point now, std::vector<Post>* posts);
  bool DeliverLevel(Clock::time_point now, std::vector<Post>* posts);
  bool Answer(uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out, uint32_t outBytes,
              uint32_t* returned, bool* stopClock);
  void* AllocateDriverMemory(size_t bytes);
  bool FreeDriverMemory(uint64_t address);

  // Clock thread, entered without the lock.
  void StartClock();
  void StopClock();
  void ClockLoop();

  std::mutex mutex_;
  std::condition_variable clockWake_;
  SimSettings initialSettings_;
  SimSettings settings_;
  SignalSource source_;

  // Registers.
  uint8_t command_ = 0;
  uint8_t modeRegister_ = 0;
  uint8_t control_ = 0;
  uint8_t timerSelect_ = 0;
  uint16_t counters_[3] = {0, 0, 0};
  bool highByteNext_[3] = {false, false, false};
  uint16_t scanList_[16] = {};
  uint16_t register9_ = 0;
  uint16_t bank_ = 0;
  DataPort dataPort_ = DataPort::kIdle;
  bool armed_ = false;  // command 8 data 1 seen since the last stop

  // Conversion.
  bool converting_ = false;
  Clock::time_point conversionStart_;
  bool startTriggered_ = false;
  bool stopTriggered_ = false;
  std::optional<Clock::time_point> startTriggerAt_;
  std::optional<Clock::time_point> stopTriggerAt_;
  int64_t overrunAfter_ = -1;
  std::deque<uint16_t> fifo_;
  uint64_t fifoProduced_ = 0;  // samples converted for FIFO reads
  bool fifoOverrun_ = false;
  double periodUs_ = 0;

  // Interrupt transfer.
  Transfer transfer_ = Transfer::kNone;
  uint64_t window_ = 0;
  uint32_t message_ = 0;
  uint32_t capacity_ = 0;
  uint32_t divider_ = 1;
  uint32_t requestedPeriodUs_ = 0;
  uint16_t* dataMemory_ = nullptr;
  uint32_t dataMemorySamples_ = 0;
  RingDescriptor* ring_ = nullptr;
  uint32_t delivered_ = 0;

  // Level trigger: the registered trigger buffer, the levels and the sample
  // index of the scan that fired.
  TrgDescriptor* trg_ = nullptr;
  std::set<uint64_t> trgDescriptors_;  // blocks handed out by request 20
  LevelIn level_{0, 0, 0xFFFF};
  uint64_t triggerScan_ = 0;

  std::map<void*, size_t> driverMemory_;
  std::set<uint32_t> failing_;
  std::vector<sim::PortAccess> portLog_;
  std::vector<sim::RequestRecord> requestLog_;

  std::thread clock_;
  bool clockStop_ = false;
  bool clockRunning_ = false;
};

}  // namespace lmp::cardhw
