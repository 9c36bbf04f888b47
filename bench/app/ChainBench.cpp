// LoadWaveform + chain on a 50 kHz 16-bit mono WAV: pitch 1, the start-up
// yuragi filter (4, 1, 1, 0), a 1024-tap low-pass at 5000 Hz, spectra on
// (two-window average), the peak list and the square-mean measure.
//
// LongRecording/S/R: what kr70-analyse does with a recording of S seconds at
// R Hz (start-up settings, spectra on), each run in a child process of its
// own, as a fresh program would: the time is the child's load + chain, and
// maxRSS_MB the child's peak resident memory (getrusage).
//   bench-app --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <random>
#include <string>

#include "AnalysisState.h"
#include "DemoSignals.h"
#include "LmCmAnlz.h"

namespace {

constexpr uint32_t kRate = 50000;

// A tone with noise, written once per length into the temporary directory.
std::string Recording(int seconds) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("kr70-bench-" + std::to_string(getpid()) + "-" + std::to_string(seconds) + "s.wav"))
                                 .string();
    if (!std::filesystem::exists(path)) {
        std::vector<double> volts(static_cast<size_t>(seconds) * kRate);
        std::mt19937 generator(1);
        std::normal_distribution<double> noise(0.0, 0.05);
        for (size_t i = 0; i < volts.size(); ++i) {
            volts[i] = std::sin(2.0 * std::numbers::pi * 1000.0 * i / kRate) + noise(generator);
        }
        kr70::WriteWav16(path, volts, kRate);
    }
    return path;
}

void LoadAndChain(benchmark::State& bench) {
    const int seconds = static_cast<int>(bench.range(0));
    const std::string path = Recording(seconds);
    StartFilterSystem();
    {
        kr70::NullUiPort port;
        kr70::AnalysisState state(port);
        state.InitializeParameters("");
        kr70::AnalysisSettings& s = state.Settings();
        s.spectraEnabled = 1;
        s.filterType = s.filterKindSelection = 1;
        s.filterTaps = 1024;
        s.lowerFrequency = 5000;
        for (auto _ : bench) {
            if (state.LoadWaveform(path) != 1 || state.LastChainStatus() != 0) {
                bench.SkipWithError("chain failed");
                break;
            }
            benchmark::DoNotOptimize(state.Measure().exceedingArea);
        }
        bench.counters["samples"] = static_cast<double>(state.RawWaveform().GetSize());
        bench.counters["spectrum"] = static_cast<double>(state.YuragiSpectrum().GetSize());
    }
    StopFilterSystem();
    std::filesystem::remove(path);
}

BENCHMARK(LoadAndChain)->Arg(1)->Arg(10)->Arg(60)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// A tone with noise of the given length, written in blocks (no full-length
// array stays resident in the parent, whose pages a child would inherit).
std::string LongWav(int seconds, uint32_t rate) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("kr70-bench-" + std::to_string(getpid()) + "-" + std::to_string(seconds) + "s-" +
                               std::to_string(rate) + ".wav"))
                                 .string();
    if (std::filesystem::exists(path)) return path;
    const uint64_t count = static_cast<uint64_t>(seconds) * rate;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return {};
    auto le32 = [file](uint32_t v) {
        const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::fwrite(b, 1, 4, file);
    };
    auto le16 = [file](uint16_t v) {
        const unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
        std::fwrite(b, 1, 2, file);
    };
    std::fwrite("RIFF", 1, 4, file);
    le32(static_cast<uint32_t>(36 + 2 * count));
    std::fwrite("WAVEfmt ", 1, 8, file);
    le32(16);
    le16(1);
    le16(1);
    le32(rate);
    le32(2 * rate);
    le16(2);
    le16(16);
    std::fwrite("data", 1, 4, file);
    le32(static_cast<uint32_t>(2 * count));
    std::mt19937 generator(1);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<unsigned char> block;
    for (uint64_t i = 0; i < count; ++i) {
        const double volts = 0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * double(i % rate) / rate) +
                             noise(generator);
        const long sample = std::lround(std::clamp(volts, -5.0, 5.0) * 6553.4);
        block.push_back(uint8_t(sample & 0xff));
        block.push_back(uint8_t((sample >> 8) & 0xff));
        if (block.size() >= (1u << 20)) {
            std::fwrite(block.data(), 1, block.size(), file);
            block.clear();
        }
    }
    std::fwrite(block.data(), 1, block.size(), file);
    std::fclose(file);
    return path;
}

void LongRecording(benchmark::State& bench) {
    const int seconds = static_cast<int>(bench.range(0));
    const uint32_t rate = static_cast<uint32_t>(bench.range(1));
    const std::string path = LongWav(seconds, rate);
    if (path.empty()) {
        bench.SkipWithError("cannot write the recording");
        return;
    }
    double maxRss = 0;
    for (auto _ : bench) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            bench.SkipWithError("pipe");
            break;
        }
        const pid_t child = fork();
        if (child == 0) {
            close(pipeEnds[0]);
            const auto start = std::chrono::steady_clock::now();
            StartFilterSystem();
            double elapsed = -1;
            {
                kr70::NullUiPort port;
                kr70::AnalysisState state(port);
                state.InitializeParameters("");
                state.SetDifferenceDataEnabled(false);  // as kr70-analyse
                state.Settings().spectraEnabled = 1;
                if (state.LoadWaveform(path) == 1 && state.LastChainStatus() == 0) {
                    elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                }
            }
            const ssize_t written = write(pipeEnds[1], &elapsed, sizeof elapsed);
            _exit(written == sizeof elapsed ? 0 : 1);
        }
        close(pipeEnds[1]);
        double elapsed = -1;
        const ssize_t got = read(pipeEnds[0], &elapsed, sizeof elapsed);
        close(pipeEnds[0]);
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        if (got != sizeof elapsed || elapsed < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            bench.SkipWithError("the chain failed in the child");
            break;
        }
        bench.SetIterationTime(elapsed);
        maxRss = std::max(maxRss, usage.ru_maxrss / 1024.0);
    }
    bench.counters["maxRSS_MB"] = maxRss;
    bench.counters["samples"] = static_cast<double>(seconds) * rate;
    std::filesystem::remove(path);
}

// 10 minutes at 48 kHz, 30 minutes at 50 kHz, 60 minutes at 48 kHz.
BENCHMARK(LongRecording)
    ->Args({600, 48000})
    ->Args({1800, 50000})
    ->Args({3600, 48000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
