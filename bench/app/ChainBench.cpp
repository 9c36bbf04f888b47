// LoadWaveform + chain on a 50 kHz 16-bit mono WAV: pitch 1, the start-up
// yuragi filter (4, 1, 1, 0), a 1024-tap low-pass at 5000 Hz, spectra on
// (two-window average), the peak list and the square-mean measure.
//   bench-app --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
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

}  // namespace

BENCHMARK_MAIN();
