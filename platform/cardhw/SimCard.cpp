#include "SimCard.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace lmp::cardhw {
namespace {

constexpr uint16_t kStatusIdle = 0x0C;   // bits 2 and 3 high: no trigger present
constexpr size_t kLogLimit = 200000;     // entries kept per log
constexpr uint32_t kFifoSize = 31;
constexpr double kExternalClockHz = 1e6;  // the external clock input of the bench

template <typename T>
bool ReadRecord(const uint8_t* in, uint32_t inBytes, T* record) {
  if (in == nullptr || inBytes < sizeof(T)) return false;
  std::memcpy(record, in, sizeof(T));
  return true;
}

template <typename T>
bool WriteRecord(const T& record, uint8_t* out, uint32_t outBytes, uint32_t* returned) {
  if (out == nullptr || outBytes < sizeof(T)) return false;
  std::memcpy(out, &record, sizeof(T));
  if (returned) *returned = sizeof(T);
  return true;
}

}  // namespace

SimCard::SimCard(const SimSettings& settings, SignalSource source)
    : initialSettings_(settings), settings_(settings), source_(std::move(source)) {
  overrunAfter_ = settings.overrunAfter;
}

SimCard::~SimCard() {
  StopClock();
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [block, size] : driverMemory_) std::free(block);
  driverMemory_.clear();
}

bool SimCard::IsControlPort(uint16_t offset) const {
  return offset == (settings_.kind == SimSettings::Kind::kBipolar ? 3 : 2);
}

bool SimCard::IsTimerPort(uint16_t offset) const {
  return offset == (settings_.kind == SimSettings::Kind::kBipolar ? 2 : 3);
}

void SimCard::Log(uint16_t port, uint16_t value, bool word, bool write) {
  if (portLog_.size() < kLogLimit) portLog_.push_back(sim::PortAccess{port, value, word, write});
}

// ---------------------------------------------------------------------------
// Port access

uint8_t SimCard::InPort(uint16_t port) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint16_t offset = Offset(port);
  uint8_t value = 0xFF;
  if (offset == 4) value = Status(Clock::now());
  else if (offset == 0) value = command_;
  else if (offset == 1) value = modeRegister_;
  else if (IsControlPort(offset)) value = control_;
  Log(port, value, false, false);
  return value;
}

void SimCard::OutPort(uint16_t port, uint8_t value) {
  bool stopClock = false, startClock = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Log(port, value, false, true);
    uint16_t offset = Offset(port);
    if (offset == 0) {
      command_ = value;
      if (value == 10) {
        UpdateFifo(Clock::now());
        dataPort_ = DataPort::kFifoStatus;
      } else if (value == 12) {
        UpdateFifo(Clock::now());
        dataPort_ = DataPort::kFifoData;
      }
    } else if (offset == 1) {
      modeRegister_ = value;
    } else if (IsControlPort(offset)) {
      WriteControl(value, &stopClock, &startClock);
    } else if (IsTimerPort(offset)) {
      WriteTimer(value);
    }
  }
  if (stopClock) StopClock();
  if (startClock) StartClock();
}

uint16_t SimCard::wInPort(uint16_t port) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint16_t value = 0xFFFF;
  if (Offset(port) == 6) {
    switch (dataPort_) {
      case DataPort::kIdle: value = 0; break;
      case DataPort::kBusy:  // a command completes after one busy read
        value = 1;
        dataPort_ = DataPort::kIdle;
        break;
      case DataPort::kStuck: value = 1; break;
      case DataPort::kFifoStatus:
        UpdateFifo(Clock::now());
        value = uint16_t((fifoOverrun_ ? kFifoSize : std::min<size_t>(fifo_.size(), kFifoSize)) << 11);
        break;
      case DataPort::kFifoData:
        if (fifo_.empty()) {
          value = 0;
        } else {
          value = fifo_.front();
          fifo_.pop_front();
        }
        break;
    }
  }
  Log(port, value, true, false);
  return value;
}

void SimCard::wOutPort(uint16_t port, uint16_t value) {
  bool stopClock = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Log(port, value, true, true);
    if (Offset(port) != 6) return;
    if (command_ == 8) {
      WriteCommandData(value, &stopClock);
    } else if (command_ < 8) {
      scanList_[(bank_ & 1) * 8 + command_] = value;
    } else if (command_ == 9) {
      register9_ = value;
    }
  }
  if (stopClock) StopClock();
}

void SimCard::WriteCommandData(uint16_t value, bool* stopClock) {
  using sim::RegisterTimeout;
  if (value == 2) {  // reset
    StopCard(stopClock);
    fifo_.clear();
    fifoOverrun_ = false;
    dataPort_ = settings_.timeout == RegisterTimeout::kReset ? DataPort::kStuck : DataPort::kBusy;
  } else if (value == 12) {  // clear the FIFO
    fifo_.clear();
    fifoOverrun_ = false;
    dataPort_ = settings_.timeout == RegisterTimeout::kFifoClear ? DataPort::kStuck : DataPort::kBusy;
  } else if (value == 1) {
    armed_ = true;
  } else if ((value & 0xFF) == 0) {
    bank_ = uint16_t(value >> 8);
  }
}

// Control register: 0..3 select a timer register, 0x10 alone prepares the
// interrupt start, 0x88 | bits enables conversion (0x10 start bit,
// 0x20 stop trigger, 0x40 start trigger); 0 stops the card.
void SimCard::WriteControl(uint8_t value, bool* stopClock, bool* startClock) {
  control_ = value;
  if (value == 0) {  // stops the card and selects timer counter 0
    StopCard(stopClock);
    timerSelect_ = 0;
    highByteNext_[0] = false;
    return;
  }
  if (value <= 3) {
    timerSelect_ = value;
    if (value < 3) highByteNext_[value] = false;
    return;
  }
  if ((value & 0x80) == 0 || !armed_ || converting_) return;
  bool interrupt = transfer_ != Transfer::kNone;
  if (interrupt && (value & 0x10) == 0) return;  // waits for the start bit
  converting_ = true;
  startTriggered_ = false;
  stopTriggered_ = false;
  periodUs_ = TimerPeriodUs();
  if (periodUs_ <= 0) periodUs_ = requestedPeriodUs_ ? requestedPeriodUs_ : 1000.0;
  auto now = Clock::now();
  if ((value & 0x40) && settings_.startTriggerMs >= 0 && !startTriggerAt_)
    startTriggerAt_ = now + std::chrono::milliseconds(settings_.startTriggerMs);
  conversionStart_ = now;
  if (!(value & 0x40) && settings_.stopTriggerMs >= 0 && !stopTriggerAt_)
    stopTriggerAt_ = now + std::chrono::milliseconds(settings_.stopTriggerMs);
  fifo_.clear();
  fifoProduced_ = 0;
  fifoOverrun_ = false;
  delivered_ = 0;
  if (transfer_ == Transfer::kLevel && trg_) {
    trg_->writeIndex = 0;
    __atomic_store_n(&trg_->state, uint32_t(kTrgArmed), __ATOMIC_RELEASE);
  }
  if (interrupt) *startClock = true;
}

void SimCard::WriteTimer(uint8_t value) {
  if (timerSelect_ == 3) {
    unsigned counter = value >> 6;  // 8254 control word: counter in bits 6-7
    if (counter < 3) highByteNext_[counter] = false;
    return;
  }
  // Counters load low byte, then high byte.
  unsigned counter = timerSelect_;
  if (highByteNext_[counter]) counters_[counter] = uint16_t((counters_[counter] & 0xFF) | value << 8);
  else counters_[counter] = value;
  highByteNext_[counter] = !highByteNext_[counter];
}

void SimCard::StopCard(bool* stopClock) {
  // Also collects a clock thread that ended by itself.
  if (transfer_ != Transfer::kNone || clock_.joinable()) *stopClock = true;
  converting_ = false;
  armed_ = false;
  startTriggered_ = false;
  stopTriggered_ = false;
}

// ---------------------------------------------------------------------------
// Conversion

double SimCard::TimerPeriodUs() const {
  unsigned source = modeRegister_ & 3;
  double clockHz = source == 3 ? kExternalClockHz : source == 1 ? 8.192e6 : 10e6;
  if (modeRegister_ & 0x10) return 1e6 / kExternalClockHz;  // external clock direct
  double ticks = counters_[0];
  if (modeRegister_ & 0x08) ticks *= counters_[1];
  if (ticks <= 0) return 0;
  return ticks * 1e6 / clockHz;
}

std::vector<uint16_t> SimCard::ScanList() const {
  std::vector<uint16_t> channels;
  for (unsigned i = 0; i < 8; ++i) {
    channels.push_back(uint16_t((scanList_[i] >> 2) & 7));
    if (scanList_[i] & 1) break;  // last entry
  }
  return channels;
}

uint16_t SimCard::NextCode(uint64_t sampleIndex) {
  std::vector<uint16_t> channels = ScanList();
  size_t count = channels.size();
  return source_.Code(channels[sampleIndex % count], sampleIndex / count, periodUs_);
}

bool SimCard::StartTriggerSeen(Clock::time_point now) {
  if (!startTriggered_ && startTriggerAt_ && now >= *startTriggerAt_ && converting_) {
    startTriggered_ = true;
    conversionStart_ = *startTriggerAt_;
    startTriggerAt_.reset();
    if (settings_.stopTriggerMs >= 0 && !stopTriggerAt_)
      stopTriggerAt_ = conversionStart_ + std::chrono::milliseconds(settings_.stopTriggerMs);
  }
  return startTriggered_;
}

bool SimCard::StopTriggerSeen(Clock::time_point now) {
  if (!stopTriggered_ && stopTriggerAt_ && now >= *stopTriggerAt_ && converting_) {
    stopTriggered_ = true;
    stopTriggerAt_.reset();
  }
  return stopTriggered_;
}

uint8_t SimCard::Status(Clock::time_point now) {
  uint8_t status = kStatusIdle;
  if ((control_ & 0x40) && StartTriggerSeen(now)) status &= uint8_t(~0x08);
  if ((control_ & 0x20) && StopTriggerSeen(now)) status &= uint8_t(~0x04);
  if (transfer_ == Transfer::kNone) {
    UpdateFifo(now);
    if (!fifo_.empty()) status |= 0x80;
  }
  return status;
}

// Converts for FIFO reads everything that is due by `now`.
void SimCard::UpdateFifo(Clock::time_point now) {
  if (!converting_ || transfer_ != Transfer::kNone) return;
  bool waitsForTrigger = (control_ & 0x40) != 0;
  if (waitsForTrigger && !StartTriggerSeen(now)) return;
  Clock::time_point until = now;
  if ((control_ & 0x20) && StopTriggerSeen(now)) return;
  double elapsedUs = std::chrono::duration<double, std::micro>(until - conversionStart_).count();
  if (elapsedUs < 0) return;
  uint64_t channels = ScanList().size();
  uint64_t due = uint64_t(elapsedUs / periodUs_) * channels;
  while (fifoProduced_ < due) {
    if (overrunAfter_ >= 0 && fifoProduced_ >= uint64_t(overrunAfter_)) {
      fifoOverrun_ = true;
      overrunAfter_ = -1;
    }
    if (fifo_.size() >= kFifoSize) {
      fifoOverrun_ = true;  // the converter found the FIFO full
      fifoProduced_ = due;
      break;
    }
    fifo_.push_back(NextCode(fifoProduced_++));
  }
}

// Hands out the whole interrupts that are due; false when the transfer ended.
bool SimCard::DeliverDue(Clock::time_point now, std::vector<Post>* posts) {
  HWND window = reinterpret_cast<HWND>(uintptr_t(window_));
  if (!converting_ || transfer_ == Transfer::kNone) return false;
  if (transfer_ == Transfer::kLevel) return DeliverLevel(now, posts);
  if ((control_ & 0x40) && !StartTriggerSeen(now)) return true;  // armed, waiting
  Clock::time_point until = now;
  bool stopped = (control_ & 0x20) && StopTriggerSeen(now);
  double elapsedUs = std::chrono::duration<double, std::micro>(until - conversionStart_).count();
  if (elapsedUs < 0) return true;
  uint64_t channels = ScanList().size();
  uint64_t due = uint64_t(elapsedUs / periodUs_) * channels;
  due -= due % divider_;  // the driver reads the FIFO once per interrupt
  due = std::min<uint64_t>(due, capacity_);
  while (delivered_ < due) {
    if (overrunAfter_ >= 0 && delivered_ >= uint64_t(overrunAfter_)) {
      overrunAfter_ = -1;
      if (ring_) ring_->flags[0] = 1;
      posts->push_back(Post{window, message_, 2, LPARAM(delivered_)});
      converting_ = false;
      return false;
    }
    uint16_t code = NextCode(delivered_);
    if (transfer_ == Transfer::kRing) {
      auto* buffer = reinterpret_cast<uint16_t*>(uintptr_t(ring_->buffer));
      if (ring_->fill >= ring_->length) {  // the client did not drain in time
        ring_->flags[0] = 1;
        posts->push_back(Post{window, message_, 2, LPARAM(delivered_)});
        converting_ = false;
        return false;
      }
      buffer[ring_->writeIndex] = code;
      ring_->writeIndex = (ring_->writeIndex + 1) % ring_->length;
      ++ring_->fill;
    } else {
      dataMemory_[delivered_] = code;
    }
    ++delivered_;
  }
  if (delivered_ >= capacity_) {
    if (ring_) ring_->flags[1] = 1;
    posts->push_back(Post{window, message_, 128, LPARAM(delivered_)});
    converting_ = false;
    return false;
  }
  if (stopped) return false;  // the card stopped on the stop trigger; no message from the driver
  return true;
}

// Level trigger: converts continuously into the circular trigger buffer. Once
// the pre-trigger samples are there, the first scan whose trigger-channel code
// lies outside [lower, upper] fires (message 4); after the post-trigger
// samples the capture is complete (message 128 with the capture's length) and
// the card waits for a restart.
bool SimCard::DeliverLevel(Clock::time_point now, std::vector<Post>* posts) {
  HWND window = reinterpret_cast<HWND>(uintptr_t(window_));
  if (trg_ == nullptr || trg_->length == 0) return false;
  double elapsedUs = std::chrono::duration<double, std::micro>(now - conversionStart_).count();
  if (elapsedUs < 0) return true;
  uint64_t channels = ScanList().size();
  uint64_t due = uint64_t(elapsedUs / periodUs_) * channels;
  due -= due % divider_;
  auto* buffer = reinterpret_cast<uint16_t*>(uintptr_t(trg_->buffer));
  const uint32_t length = trg_->length;
  const uint32_t post = length - std::min(trg_->pre, length);
  while (delivered_ < due) {
    if (overrunAfter_ >= 0 && delivered_ >= uint64_t(overrunAfter_)) {
      overrunAfter_ = -1;
      posts->push_back(Post{window, message_, 2, LPARAM(delivered_)});
      converting_ = false;
      return false;
    }
    uint16_t code = NextCode(delivered_);
    buffer[trg_->writeIndex] = code;
    trg_->writeIndex = (trg_->writeIndex + 1) % length;
    uint64_t i = delivered_++;
    if (trg_->state == kTrgArmed) {
      uint64_t position = i % channels;
      uint64_t scanStart = i - position;
      if (position == level_.position && scanStart >= trg_->pre && (code < level_.lower || code > level_.upper)) {
        triggerScan_ = scanStart;
        __atomic_store_n(&trg_->state, uint32_t(kTrgTriggered), __ATOMIC_RELEASE);
        posts->push_back(Post{window, message_, 4, 0});
      }
    }
    if (trg_->state == kTrgTriggered && delivered_ >= triggerScan_ + post) {
      trg_->start = uint32_t((triggerScan_ - trg_->pre) % length);
      __atomic_store_n(&trg_->state, uint32_t(kTrgComplete), __ATOMIC_RELEASE);
      posts->push_back(Post{window, message_, 128, LPARAM(length)});
      converting_ = false;
      return false;
    }
  }
  return true;
}

void SimCard::StartClock() {
  StopClock();
  std::lock_guard<std::mutex> lock(mutex_);
  if (!converting_) return;
  clockStop_ = false;
  clockRunning_ = true;
  clock_ = std::thread([this] { ClockLoop(); });
}

void SimCard::StopClock() {
  std::thread finished;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    clockStop_ = true;
    clockWake_.notify_all();
    finished = std::move(clock_);
  }
  if (finished.joinable() && finished.get_id() != std::this_thread::get_id()) finished.join();
  else if (finished.joinable()) finished.detach();
}

void SimCard::ClockLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  // Wake often enough for short runs, rarely enough not to burden the CPU.
  const auto tick = std::chrono::microseconds(
      std::clamp<int64_t>(int64_t(periodUs_ * divider_), 2000, 10000));
  for (;;) {
    std::vector<Post> posts;
    bool more = DeliverDue(Clock::now(), &posts);
    if (!posts.empty()) {
      lock.unlock();
      for (const Post& p : posts) lmp::PostMessage(p.window, p.message, p.wParam, p.lParam);
      lock.lock();
    }
    if (!more || clockStop_) break;
    clockWake_.wait_for(lock, tick, [this] { return clockStop_; });
    if (clockStop_) break;
  }
  clockRunning_ = false;
}

// ---------------------------------------------------------------------------
// Driver requests

void* SimCard::AllocateDriverMemory(size_t bytes) {
  if (bytes == 0) return nullptr;
  void* block = std::calloc(1, bytes);
  if (block) driverMemory_[block] = bytes;
  return block;
}

bool SimCard::FreeDriverMemory(uint64_t address) {
  auto it = driverMemory_.find(reinterpret_cast<void*>(uintptr_t(address)));
  if (it == driverMemory_.end()) return false;
  std::free(it->first);
  driverMemory_.erase(it);
  return true;
}

bool SimCard::Request(uint32_t code, const void* in, uint32_t inBytes, void* out, uint32_t outBytes,
                      uint32_t* returned) {
  if (returned) *returned = 0;
  bool stopClock = false, ok;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (requestLog_.size() < kLogLimit) {
      const auto* bytes = static_cast<const uint8_t*>(in);
      requestLog_.push_back(sim::RequestRecord{code, bytes ? std::vector<uint8_t>(bytes, bytes + inBytes)
                                                          : std::vector<uint8_t>()});
    }
    if (failing_.count(code)) return false;
    ok = Answer(code, static_cast<const uint8_t*>(in), inBytes, static_cast<uint8_t*>(out), outBytes,
                returned, &stopClock);
  }
  if (stopClock) StopClock();
  return ok;
}

bool SimCard::Answer(uint32_t code, const uint8_t* in, uint32_t inBytes, uint8_t* out, uint32_t outBytes,
                     uint32_t* returned, bool* stopClock) {
  switch (code) {
    case kReqDriverInfo: return WriteRecord(DriverInfoOut{1}, out, outBytes, returned);
    case kReqSocketCount: return WriteRecord(SocketCountOut{0, 4}, out, outBytes, returned);
    case kReqFirstSocket: return WriteRecord(FirstSocketOut{0}, out, outBytes, returned);
    case kReqSocketState: {
      SocketIn socket;
      if (!ReadRecord(in, inBytes, &socket)) return false;
      return WriteRecord(SocketStateOut{socket.socket == settings_.slot ? 0u : 11u}, out, outBytes, returned);
    }
    case kReqCardName: {
      SocketIn socket;
      if (!ReadRecord(in, inBytes, &socket)) return false;
      CardNameOut name{};
      if (socket.socket != settings_.slot) name.status = 1;
      else std::strncpy(name.name, SimCardName(settings_.kind), sizeof name.name - 1);
      return WriteRecord(name, out, outBytes, returned);
    }
    case kReqCardConfig: {
      SocketIn socket;
      if (!ReadRecord(in, inBytes, &socket)) return false;
      CardConfigOut config{};
      if (socket.socket != settings_.slot) {
        config.status = 1;
      } else {
        config.ioBase = settings_.ioBase;
        config.irq = settings_.irq;
        config.resource[0] = uint8_t(settings_.ioBase);
        config.resource[1] = uint8_t(settings_.ioBase >> 8);
        config.resource[2] = settings_.irq;
      }
      return WriteRecord(config, out, outBytes, returned);
    }
    case kReqIrqRingSetup: {
      IrqRingSetupIn setup;
      if (!ReadRecord(in, inBytes, &setup)) return false;
      requestedPeriodUs_ = setup.periodUs;
      uint32_t error = setup.ioBase == settings_.ioBase ? 0 : 1;
      return WriteRecord(ErrorWordOut{error}, out, outBytes, returned);
    }
    case kReqIrqMemSetup:
    case kReqPostSetup: {
      IrqSetupIn setup;
      if (!ReadRecord(in, inBytes, &setup)) return false;
      uint32_t error = setup.ioBase == settings_.ioBase ? 0 : 1;
      return WriteRecord(ErrorWordOut{error}, out, outBytes, returned);
    }
    case kReqIrqRingStart: {
      IrqRingStartIn start;
      if (!ReadRecord(in, inBytes, &start) || ring_ == nullptr || start.capacity == 0) return false;
      window_ = start.window;
      message_ = start.message;
      capacity_ = start.capacity;
      divider_ = std::max<uint32_t>(1, start.divider);
      transfer_ = Transfer::kRing;
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    }
    case kReqIrqMemStart:
    case kReqPostStart: {
      IrqMemStartIn start;
      if (!ReadRecord(in, inBytes, &start) || start.capacity == 0) return false;
      if (dataMemory_ == nullptr || start.dataMemory != uint64_t(uintptr_t(dataMemory_))) return false;
      window_ = start.window;
      message_ = start.message;
      // Never write beyond the block, whatever capacity the client names.
      capacity_ = std::min(start.capacity, dataMemorySamples_);
      divider_ = std::max<uint32_t>(1, (register9_ >> 11) & 0x1F);
      transfer_ = Transfer::kMemory;
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    }
    case kReqIrqStop:
    case kReqPostStop:
      *stopClock = true;
      converting_ = converting_ && transfer_ == Transfer::kNone;
      transfer_ = Transfer::kNone;
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    case kReqRingAvailable:
      return WriteRecord(CountOut{ring_ ? ring_->fill : 0}, out, outBytes, returned);
    case kReqAcquired: return WriteRecord(CountOut{delivered_}, out, outBytes, returned);
    case kReqRingCopy: {
      RingCopyIn copy;
      if (!ReadRecord(in, inBytes, &copy) || ring_ == nullptr || copy.destination == 0) return false;
      auto* destination = reinterpret_cast<uint16_t*>(uintptr_t(copy.destination));
      auto* buffer = reinterpret_cast<uint16_t*>(uintptr_t(ring_->buffer));
      uint32_t n = std::min(copy.count, ring_->fill);
      for (uint32_t i = 0; i < n; ++i) {
        destination[i] = buffer[ring_->readIndex];
        ring_->readIndex = (ring_->readIndex + 1) % ring_->length;
      }
      ring_->fill -= n;
      return WriteRecord(CountOut{n}, out, outBytes, returned);
    }
    case kReqAllocDataMem:
    case kReqAllocMem:
    case kReqAllocRingDesc:
    case kReqAllocTrgDesc: {
      SizeIn size;
      if (!ReadRecord(in, inBytes, &size)) return false;
      if (code == kReqAllocRingDesc && size.bytes < sizeof(RingDescriptor)) return false;
      if (code == kReqAllocDataMem && dataMemory_ != nullptr) {
        return WriteRecord(AddressOut{0}, out, outBytes, returned);  // one block at a time
      }
      if (code == kReqAllocTrgDesc && size.bytes < sizeof(TrgDescriptor)) return false;
      void* block = AllocateDriverMemory(size.bytes);
      if (code == kReqAllocTrgDesc && block) trgDescriptors_.insert(uint64_t(uintptr_t(block)));
      if (code == kReqAllocDataMem && block) {
        dataMemory_ = static_cast<uint16_t*>(block);
        dataMemorySamples_ = uint32_t(size.bytes / 2);
      }
      return WriteRecord(AddressOut{uint64_t(uintptr_t(block))}, out, outBytes, returned);
    }
    case kReqFreeDataMem: {
      if (dataMemory_ == nullptr) return WriteRecord(ErrorWordOut{1}, out, outBytes, returned);
      if (transfer_ == Transfer::kMemory) {
        if (converting_) *stopClock = true;
        converting_ = false;
        transfer_ = Transfer::kNone;
      }
      FreeDriverMemory(uint64_t(uintptr_t(dataMemory_)));
      dataMemory_ = nullptr;
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    }
    case kReqFreeMem: {
      AddressIn address;
      if (!ReadRecord(in, inBytes, &address)) return false;
      if (trg_ && address.address == uint64_t(uintptr_t(trg_))) return false;  // still registered
      trgDescriptors_.erase(address.address);
      return FreeDriverMemory(address.address) && WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    }
    case kReqRegisterRing: {
      AddressIn address;
      if (!ReadRecord(in, inBytes, &address) ||
          !driverMemory_.count(reinterpret_cast<void*>(uintptr_t(address.address))))
        return false;
      if (trgDescriptors_.count(address.address))
        trg_ = reinterpret_cast<TrgDescriptor*>(uintptr_t(address.address));
      else
        ring_ = reinterpret_cast<RingDescriptor*>(uintptr_t(address.address));
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    }
    case kReqUnregisterRing: {
      AddressIn address{0};
      ReadRecord(in, inBytes, &address);
      bool trigger = trg_ && address.address == uint64_t(uintptr_t(trg_));
      Transfer owner = trigger ? Transfer::kLevel : Transfer::kRing;
      if (transfer_ == owner) {
        if (converting_) *stopClock = true;
        converting_ = false;
        transfer_ = Transfer::kNone;
      }
      if (trigger) trg_ = nullptr;
      else ring_ = nullptr;
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    }
    case kReqLevelSetup: {
      IrqRingSetupIn setup;
      if (!ReadRecord(in, inBytes, &setup)) return false;
      requestedPeriodUs_ = setup.periodUs;
      uint32_t error = setup.ioBase == settings_.ioBase ? 0 : 1;
      return WriteRecord(ErrorWordOut{error}, out, outBytes, returned);
    }
    case kReqLevelSet:
      if (!ReadRecord(in, inBytes, &level_)) return false;
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    case kReqLevelStart: {
      LevelStartIn start;
      if (!ReadRecord(in, inBytes, &start) || trg_ == nullptr || trg_->length == 0) return false;
      window_ = start.window;
      message_ = start.message;
      capacity_ = trg_->length;
      divider_ = std::max<uint32_t>(1, start.divider);
      transfer_ = Transfer::kLevel;
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    }
    case kReqLevelRestart:
      if (transfer_ != Transfer::kLevel || trg_ == nullptr) return false;
      trg_->writeIndex = 0;
      trg_->start = 0;
      __atomic_store_n(&trg_->state, uint32_t(kTrgArmed), __ATOMIC_RELEASE);
      return WriteRecord(ErrorWordOut{0}, out, outBytes, returned);
    case kReqWait: {
      WaitIn wait;
      if (!ReadRecord(in, inBytes, &wait)) return false;
      lmp::Sleep(std::min<uint32_t>(wait.milliseconds, 10000));
      return true;
    }
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// Control

bool SimCard::Configure(const std::string& options, std::string* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimSettings next = settings_;
  if (!ParseSimOptions(options, &next, error)) return false;
  SignalSource source;
  if (!source.Load(next, error)) return false;
  settings_ = next;
  source_ = std::move(source);
  overrunAfter_ = settings_.overrunAfter;
  return true;
}

void SimCard::ResetSettings() {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_ = initialSettings_;
  source_.Load(settings_, nullptr);
  overrunAfter_ = settings_.overrunAfter;
  startTriggerAt_.reset();
  stopTriggerAt_.reset();
  failing_.clear();
}

void SimCard::FireStartTrigger(uint32_t delayMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  startTriggerAt_ = Clock::now() + std::chrono::milliseconds(delayMs);
}

void SimCard::FireStopTrigger(uint32_t delayMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  stopTriggerAt_ = Clock::now() + std::chrono::milliseconds(delayMs);
}

void SimCard::InjectOverrun(uint32_t afterSamples) {
  std::lock_guard<std::mutex> lock(mutex_);
  overrunAfter_ = afterSamples;
}

void SimCard::SetRegisterTimeout(sim::RegisterTimeout which) {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_.timeout = which;
}

void SimCard::FailRequest(uint32_t code, bool fail) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fail) failing_.insert(code);
  else failing_.erase(code);
}

std::vector<sim::PortAccess> SimCard::PortLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  return portLog_;
}

std::vector<sim::RequestRecord> SimCard::RequestLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requestLog_;
}

void SimCard::ClearLogs() {
  std::lock_guard<std::mutex> lock(mutex_);
  portLog_.clear();
  requestLog_.clear();
}

uint16_t SimCard::ExpectedCode(unsigned channel, uint64_t scan, double periodUs) {
  std::lock_guard<std::mutex> lock(mutex_);
  return source_.Code(channel, scan, periodUs);
}

bool SimCard::ClockRunning() {
  std::lock_guard<std::mutex> lock(mutex_);
  return clockRunning_;
}

uint32_t SimCard::SamplesDelivered() {
  std::lock_guard<std::mutex> lock(mutex_);
  return delivered_;
}

double SimCard::PeriodUs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return periodUs_;
}

}  // namespace lmp::cardhw
