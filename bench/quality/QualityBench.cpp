// The data-quality guard on a 10-minute recording at 48 kHz (28.8 M samples):
// a clean 16-bit tone with noise (the common case, nothing fires), the same
// hard-clipped so that full-scale runs start and end every few samples (the
// most bookkeeping), and an 8-bit recording (the grid pass runs to the end).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "DataQuality.h"
#include "LmCmAnlz.h"

namespace {

constexpr uint32_t kRate = 48000;
constexpr uint32_t kPoints = 10 * 60 * kRate;

// volts of a 1 kHz tone with noise, read back through 16-bit (or 8-bit) codes.
const WAData& Recording(double toneVolts, bool eightBit) {
    static WAData recordings[3];
    WAData& data = recordings[eightBit ? 2 : toneVolts > 5.0 ? 1 : 0];
    if (data.GetSize() == 0) {
        std::vector<double> volts(kPoints);
        std::mt19937 random(5);
        std::normal_distribution<double> noise(0.0, 0.05);
        for (uint32_t i = 0; i < kPoints; ++i) {
            const double v = toneVolts * std::sin(2.0 * std::numbers::pi * 1000.0 * i / kRate) + noise(random);
            volts[i] = eightBit ? std::clamp(std::round((v + 5.0) * 25.6), 0.0, 255.0) * 0.0390625 - 5.0
                                : std::clamp(std::round(v * 6553.4), -32768.0, 32767.0) * 10.0 / 65534.0;
        }
        data.SetData(volts.data(), kPoints, kRate);
    }
    return data;
}

void Run(benchmark::State& state, const WAData& data) {
    const kr70::QualityLimits limits;
    const kr70::QualityChain chain{1, 2, 256};
    for (auto _ : state) {
        kr70::QualityReport report = kr70::CheckQuality(data, limits, chain);
        benchmark::DoNotOptimize(report);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(data.GetSize()));
}

void BM_CleanSixteenBit(benchmark::State& state) { Run(state, Recording(1.0, false)); }
void BM_ClippedSixteenBit(benchmark::State& state) { Run(state, Recording(8.0, false)); }
void BM_CleanEightBit(benchmark::State& state) { Run(state, Recording(1.0, true)); }

BENCHMARK(BM_CleanSixteenBit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClippedSixteenBit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CleanEightBit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
