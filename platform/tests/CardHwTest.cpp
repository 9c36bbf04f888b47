#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "LmCardHw.h"
#include "LmPlatform.h"

using namespace lmp::cardhw;

namespace {

constexpr const char* kPath = "\\\\.\\KVXVPCD.VXD";
constexpr uint16_t kBase = 0x300;

std::unique_ptr<Device> OpenWith(const char* value, std::string* reason = nullptr) {
  if (value) setenv("KR70_CARD", value, 1);
  else unsetenv("KR70_CARD");
  return OpenDevice(kPath, reason);
}

template <typename Out, typename In>
bool Ask(Device& device, uint32_t code, const In& in, Out* out) {
  uint32_t returned = 0;
  return device.Request(code, &in, sizeof in, out, sizeof *out, &returned) && returned == sizeof *out;
}

// Writes a mono 16-bit WAV holding the samples.
std::string WriteWav(const std::vector<int16_t>& samples, int channels = 1) {
  std::string path = "/tmp/cardhw-test-" + std::to_string(getpid()) + ".wav";
  FILE* f = std::fopen(path.c_str(), "wb");
  auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
  uint32_t bytes = uint32_t(samples.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);
  u16(uint16_t(channels));
  u32(8000);
  u32(16000);
  u16(2);
  u16(16);
  std::fwrite("data", 1, 4, f);
  u32(bytes);
  std::fwrite(samples.data(), 2, samples.size(), f);
  EXPECT_EQ(std::fclose(f), 0);
  return path;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Programs one channel, the interval timer for `divisor` ticks of 10 MHz and
// a ring transfer of `capacity` samples, then starts the card.
struct RingRun {
  Device& device;
  RingDescriptor* ring = nullptr;
  explicit RingRun(Device& d) : device(d) {}
  bool Start(lmp::HWND window, uint16_t divisor, uint32_t capacity, uint32_t divider) {
    device.OutPort(kBase, 0);
    device.wOutPort(kBase + 6, 0x8000 | 256 | 1);  // scan list: channel 0 only
    device.OutPort(kBase + 2, 0);                     // timer counter 0
    device.OutPort(kBase + 3, uint8_t(divisor & 0xFF));
    device.OutPort(kBase + 3, uint8_t(divisor >> 8));
    device.OutPort(kBase + 1, 0);                     // 10 MHz, one counter
    AddressOut descriptor{}, buffer{};
    if (!Ask(device, kReqAllocRingDesc, SizeIn{sizeof(RingDescriptor)}, &descriptor)) return false;
    if (!Ask(device, kReqAllocMem, SizeIn{(capacity + 32) * 2}, &buffer)) return false;
    ring = reinterpret_cast<RingDescriptor*>(uintptr_t(descriptor.address));
    *ring = RingDescriptor{};
    ring->buffer = buffer.address;
    ring->length = capacity + 32;
    ErrorWordOut answer{};
    if (!Ask(device, kReqRegisterRing, AddressIn{descriptor.address}, &answer)) return false;
    IrqRingStartIn start{uint64_t(uintptr_t(window)), 6078, 0, 0, capacity, 0, 1, divider};
    if (!Ask(device, kReqIrqRingStart, start, &answer)) return false;
    device.OutPort(kBase, 8);
    device.wOutPort(kBase + 6, 1);
    device.OutPort(kBase + 2, 0x98);
    return true;
  }
};

}  // namespace

TEST(CardHw, BackendFollowsKr70Card) {
  std::string reason;
  EXPECT_EQ(OpenWith(nullptr, &reason), nullptr);
  EXPECT_NE(reason, "");
  EXPECT_EQ(OpenWith("none"), nullptr);
  EXPECT_EQ(OpenWith("hardware"), nullptr);
  EXPECT_EQ(OpenWith("sim:kind=tripolar", &reason), nullptr);
  EXPECT_NE(reason.find("kind"), std::string::npos);
  EXPECT_EQ(OpenWith("sim:colour=red", &reason), nullptr);
  EXPECT_NE(reason.find("colour"), std::string::npos);
  EXPECT_EQ(OpenWith("sim:wav=/nonexistent.wav", &reason), nullptr);
  EXPECT_FALSE(sim::Active());
  auto device = OpenWith("sim");
  ASSERT_NE(device, nullptr);
  EXPECT_TRUE(sim::Active());
  EXPECT_EQ(OpenWith("sim", &reason), nullptr);  // one driver per process
  device.reset();
  EXPECT_FALSE(sim::Active());
  EXPECT_NE(OpenWith("sim:kind=bipolar,slot=2,base=0x320,irq=5,clicks=on,noise=off,tone=440"), nullptr);
}

TEST(CardHw, EnumerationAnswersForTheConfiguredSlot) {
  auto device = OpenWith("sim:kind=bipolar,slot=2,base=0x320,irq=5");
  ASSERT_NE(device, nullptr);
  SocketStateOut state{};
  ASSERT_TRUE(Ask(*device, kReqSocketState, SocketIn{2}, &state));
  EXPECT_EQ(state.state, 0u);
  ASSERT_TRUE(Ask(*device, kReqSocketState, SocketIn{1}, &state));
  EXPECT_EQ(state.state, 11u);
  CardNameOut name{};
  ASSERT_TRUE(Ask(*device, kReqCardName, SocketIn{2}, &name));
  EXPECT_STREQ(name.name, "KVX7731B Bipolar A/D PC Card");
  CardConfigOut config{};
  ASSERT_TRUE(Ask(*device, kReqCardConfig, SocketIn{2}, &config));
  EXPECT_EQ(config.ioBase, 0x320);
  EXPECT_EQ(config.irq, 5);
  sim::FailRequest(kReqCardName, true);
  EXPECT_FALSE(Ask(*device, kReqCardName, SocketIn{2}, &name));
  std::string error;
  EXPECT_FALSE(sim::Configure("slot=9", &error));
  EXPECT_NE(error, "");
}

TEST(CardHw, RegisterProtocolOfResetFifoAndStatus) {
  auto device = OpenWith("sim");
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->InPort(kBase + 4), 0x0C);  // no trigger, no data
  device->OutPort(kBase, 8);
  device->wOutPort(kBase + 6, 2);
  EXPECT_NE(device->wInPort(kBase + 6), 0);  // busy for a moment after a reset
  EXPECT_EQ(device->wInPort(kBase + 6), 0);
  sim::SetRegisterTimeout(sim::RegisterTimeout::kFifoClear);
  device->OutPort(kBase, 8);
  device->wOutPort(kBase + 6, 12);
  for (int i = 0; i < 5; ++i) EXPECT_NE(device->wInPort(kBase + 6), 0);
  sim::SetRegisterTimeout(sim::RegisterTimeout::kNone);

  // FIFO conversion: one channel at 100 µs, started without an interrupt transfer.
  device->OutPort(kBase, 0);
  device->wOutPort(kBase + 6, 0x8000 | 256 | 1);
  device->OutPort(kBase + 2, 0);
  device->OutPort(kBase + 3, 1000 & 0xFF);
  device->OutPort(kBase + 3, 1000 >> 8);
  device->OutPort(kBase + 1, 0);
  device->OutPort(kBase, 8);
  device->wOutPort(kBase + 6, 1);
  device->OutPort(kBase + 2, 0x88);
  lmp::Sleep(2);
  EXPECT_EQ(device->InPort(kBase + 4) & 0x80, 0x80);  // data waiting
  device->OutPort(kBase, 10);
  unsigned fill = device->wInPort(kBase + 6) >> 11;
  EXPECT_GE(fill, 1u);
  device->OutPort(kBase, 12);
  EXPECT_EQ(device->wInPort(kBase + 6), sim::ExpectedCode(0, 0, 100.0));
  EXPECT_EQ(device->wInPort(kBase + 6), sim::ExpectedCode(0, 1, 100.0));
  lmp::Sleep(10);  // 100 conversions due: the FIFO overflows
  device->OutPort(kBase, 10);
  EXPECT_EQ(device->wInPort(kBase + 6) >> 11, 31u);
  device->OutPort(kBase + 2, 0);  // stop, then reset: the FIFO empties
  device->OutPort(kBase, 8);
  device->wOutPort(kBase + 6, 2);
  EXPECT_EQ(device->InPort(kBase + 4), 0x0C);
}

TEST(CardHw, StartTriggerShowsInTheStatusRegister) {
  auto device = OpenWith("sim:trigger=30");
  ASSERT_NE(device, nullptr);
  device->OutPort(kBase, 8);
  device->wOutPort(kBase + 6, 1);
  device->OutPort(kBase + 2, 0xC8);  // converting, waiting for the start trigger
  EXPECT_EQ(device->InPort(kBase + 4) & 0x08, 0x08);
  lmp::Sleep(40);
  EXPECT_EQ(device->InPort(kBase + 4) & 0x08, 0);
  device->OutPort(kBase + 2, 0);
}

TEST(CardHw, StopTriggerOptionFiresAfterTheConversionStarts) {
  auto device = OpenWith("sim:stoptrigger=30");
  ASSERT_NE(device, nullptr);
  device->OutPort(kBase, 8);
  device->wOutPort(kBase + 6, 1);
  device->OutPort(kBase + 2, 0xA8);  // converting, stop trigger enabled
  EXPECT_EQ(device->InPort(kBase + 4) & 0x04, 0x04);
  lmp::Sleep(40);
  EXPECT_EQ(device->InPort(kBase + 4) & 0x04, 0);
  device->OutPort(kBase + 2, 0);
}

TEST(CardHw, WavSourceIsPlayedLoopedAsTwelveBitCodes) {
  std::string path = WriteWav({0, 16000, -16000, 32767, -32768});
  auto device = OpenWith(("sim:wav=" + path).c_str());
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(sim::ExpectedCode(0, 0, 20), 2048);
  EXPECT_EQ(sim::ExpectedCode(0, 1, 20), 2048 + 1000);
  EXPECT_EQ(sim::ExpectedCode(3, 2, 20), 2048 - 1000);
  EXPECT_EQ(sim::ExpectedCode(0, 3, 20), 4095);  // 2048 + 2047.9 rounds and clamps
  EXPECT_EQ(sim::ExpectedCode(0, 4, 20), 0);
  EXPECT_EQ(sim::ExpectedCode(0, 6, 20), 2048 + 1000);  // looped
  std::string stereo = WriteWav({1, 2, 3, 4}, 2);
  std::string error;
  EXPECT_FALSE(sim::Configure("wav=" + stereo, &error));
  EXPECT_NE(error.find("mono"), std::string::npos);
  std::remove(path.c_str());
}

TEST(CardHw, BuiltInSignalToneAndClicks) {
  auto device = OpenWith("sim:noise=off,tone=1000");
  ASSERT_NE(device, nullptr);
  // 1 kHz at 25 µs: a quarter period is 10 scans, the peak 600 codes up.
  EXPECT_EQ(sim::ExpectedCode(0, 0, 25), 2048);
  EXPECT_EQ(sim::ExpectedCode(0, 10, 25), 2648);
  EXPECT_EQ(sim::ExpectedCode(0, 30, 25), 1448);
  ASSERT_TRUE(sim::Configure("tone=0,clicks=on"));
  EXPECT_GT(std::abs(int(sim::ExpectedCode(0, 0, 25)) - 2048), 1000);  // a click at 0 ms
  EXPECT_EQ(sim::ExpectedCode(0, 4000, 25), 2048);                     // quiet at 100 ms
  EXPECT_GT(std::abs(int(sim::ExpectedCode(0, 10000, 25)) - 2048), 1000);  // next click at 250 ms
}

TEST(CardHw, InterruptTransferIsPacedAndTheClockSleeps) {
  auto device = OpenWith("sim");
  ASSERT_NE(device, nullptr);
  std::vector<lmp::MSG> got;
  lmp::HWND window = lmp::CreateWindowHandle([&](lmp::HWND h, lmp::UINT m, lmp::WPARAM w, lmp::LPARAM l) {
    got.push_back(lmp::MSG{h, m, w, l});
    return lmp::LRESULT(0);
  });
  RingRun run(*device);
  double cpuBefore = CpuSeconds();
  lmp::DWORD start = lmp::GetTickCount();
  ASSERT_TRUE(run.Start(window, 200, 15000, 8));  // 20 µs × 15000 = 300 ms
  lmp::Sleep(100);
  EXPECT_TRUE(sim::ClockRunning());
  uint32_t early = sim::SamplesDelivered();
  EXPECT_GT(early, 3000u);   // real-time pacing: about 5000 by now
  EXPECT_LT(early, 10000u);
  EXPECT_EQ(early % 8, 0u);  // whole interrupts of eight samples
  while (got.empty() && lmp::GetTickCount() - start < 3000) lmp::PumpMessage(50);
  EXPECT_GE(lmp::GetTickCount() - start, 295u);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, 6078u);
  EXPECT_EQ(got[0].wParam, 128u);
  EXPECT_EQ(got[0].lParam, 15000);
  EXPECT_EQ(run.ring->fill, 15000u);
  // The clock thread woke a few hundred times, it did not spin.
  EXPECT_LT(CpuSeconds() - cpuBefore, 0.1);
  device->OutPort(kBase + 2, 0);
  EXPECT_FALSE(sim::ClockRunning());
  lmp::DestroyWindowHandle(window);
}
