// A 10-second 48 kHz recording at real-time pace: a writer thread feeds the
// test PCM's FIFO infile at 48000 samples per second, another thread posts a
// message to the calling thread every 20 ms. Every sample must arrive, the
// messages must be answered during the run, and the threads must not spin.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "AcqTestUtil.h"
#include "AlsaTestPcm.h"
#include "LmSBBd.h"
#include "LmWaveIn.h"

using namespace kr70test;

namespace {

int16_t SampleAt(uint64_t i) { return static_cast<int16_t>((i * 37) & 0xFFFF); }

}  // namespace

TEST(SoundCardRealTime, TenSecondsAt48kHzKeepEverySampleAndThePumpAnswers) {
  constexpr uint32_t kRate = 48000;
  constexpr uint32_t kCount = 10 * kRate;
  AlsaTestPcm pcm;
  ScratchFolder out;
  ASSERT_TRUE(pcm.UseFifo());
  int writer = open(pcm.InfilePath().c_str(), O_RDWR);
  ASSERT_GE(writer, 0);

  // One ALSA read of the device takes one whole write, so the FIFO never
  // hands out a partial chunk.
  std::atomic<bool> stop{false};
  std::thread feeder([&] {
    constexpr uint32_t kFrames = lmp::kWaveInChunkFrames;
    std::vector<unsigned char> chunk(kFrames * 2);
    uint64_t next = 0;
    auto due = std::chrono::steady_clock::now();
    while (!stop) {
      for (uint32_t k = 0; k < kFrames; ++k) {
        uint16_t v = static_cast<uint16_t>(SampleAt(next + k));
        chunk[2 * k] = v & 0xFF;
        chunk[2 * k + 1] = v >> 8;
      }
      if (write(writer, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) break;
      next += kFrames;
      due += std::chrono::microseconds(uint64_t{kFrames} * 1000000 / kRate);
      std::this_thread::sleep_until(due);
    }
  });

  std::atomic<int> answered{0};
  std::atomic<int64_t> worstLatencyUs{0};
  lmp::HWND window = lmp::CreateWindowHandle([&](lmp::HWND, lmp::UINT, lmp::WPARAM, lmp::LPARAM lParam) {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    int64_t latency = std::chrono::duration_cast<std::chrono::microseconds>(now).count() - lParam;
    if (latency > worstLatencyUs) worstLatencyUs = latency;
    ++answered;
    return lmp::LRESULT{0};
  });
  std::atomic<int> posted{0};
  std::atomic<bool> recording{true};
  std::thread poster([&] {
    while (recording) {
      auto now = std::chrono::steady_clock::now().time_since_epoch();
      lmp::PostMessage(window, lmp::WM_USER + 1, 0,
                       std::chrono::duration_cast<std::chrono::microseconds>(now).count());
      ++posted;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });

  AcSoundBlaster sb;
  ASSERT_EQ(sb.Initialize(16, 1, 1, kCount, kRate, 0), 0);
  std::string path = out.File("long.wav");
  double cpu0 = ThreadCpu();
  double proc0 = ProcessCpu();
  auto t0 = std::chrono::steady_clock::now();
  int result = sb.StartRec(path.c_str());
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  double callerCpu = ThreadCpu() - cpu0;
  double processCpu = ProcessCpu() - proc0;
  int answeredDuringRun = answered;
  int postedDuringRun = posted;
  recording = false;
  poster.join();
  stop = true;
  feeder.join();
  close(writer);
  lmp::DestroyWindowHandle(window);

  ASSERT_EQ(result, 0);
  std::vector<unsigned char> file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 44u + 2u * kCount);
  size_t mismatches = 0;
  for (uint32_t i = 0; i < kCount; ++i) {
    uint16_t v = static_cast<uint16_t>(file[44 + 2 * i] | (file[45 + 2 * i] << 8));
    if (static_cast<int16_t>(v) != SampleAt(i)) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0u);

  // The run takes real time, and the caller's messages flowed throughout.
  EXPECT_GT(wall, 9.0);
  EXPECT_GE(answeredDuringRun, postedDuringRun - 5);  // those posted in the last 100 ms may come after the last pump
  EXPECT_GT(answeredDuringRun, 300);
  EXPECT_LT(worstLatencyUs.load(), 500000);  // normally under 10 ms; slack for a loaded machine

  double seconds = kCount / double(kRate);
  double captureCpu = sb.LastCaptureThreadCpuSeconds();
  std::printf("sound card, 10 s at 48 kHz: wall %.2f s; CPU per second of recording: "
              "capture thread %.4f s, waiting caller (pump) %.4f s, whole process %.4f s\n",
              wall, captureCpu / seconds, callerCpu / seconds, processCpu / seconds);
  RecordProperty("capture_thread_cpu_per_s", std::to_string(captureCpu / seconds));
  RecordProperty("caller_cpu_per_s", std::to_string(callerCpu / seconds));
  // A thread polling without sleeping would use about one second per second.
  EXPECT_LT(captureCpu / seconds, 0.05);
  EXPECT_LT(callerCpu / seconds, 0.05);
}
