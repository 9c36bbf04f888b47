// Raw-data file writing and reading and the square-mean measure on long
// recordings. Compare the file figures with numpy_rawdata.py run on the same
// machine at the same time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "LmWACore.h"
#include "LmWaIon.h"

namespace {

constexpr uint32_t kSamples = 1000000;
constexpr uint32_t kSampFreq = 50000;

// The waveform numpy_rawdata.py builds too: two sines of a few volts.
const WAData& Waveform()
{
    static WAData data;
    if (data.GetSize() == 0) {
        std::vector<double> values(kSamples);
        for (uint32_t i = 0; i < kSamples; ++i) {
            values[i] = 2.5 * std::sin(i * 0.01) + 0.5 * std::sin(i * 0.37 + 1.0);
        }
        data.SetData(values.data(), kSamples, kSampFreq);
    }
    return data;
}

std::string ScratchFile()
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/bench-procedures-" +
           std::to_string(getpid()) + ".rdt";
}

void BM_SaveRawData(benchmark::State& state)
{
    const WAData& data = Waveform();
    const std::string path = ScratchFile();
    for (auto _ : state) {
        if (SaveRawData(path.c_str(), data) != 0) {
            state.SkipWithError("SaveRawData failed");
            break;
        }
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(BM_SaveRawData)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadRawData(benchmark::State& state)
{
    const std::string path = ScratchFile();
    if (SaveRawData(path.c_str(), Waveform()) != 0) {
        state.SkipWithError("SaveRawData failed");
        return;
    }
    WAData target;
    for (auto _ : state) {
        if (LoadRawData(path.c_str(), target) != 0) {
            state.SkipWithError("LoadRawData failed");
            break;
        }
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(BM_LoadRawData)->Unit(benchmark::kMillisecond)->UseRealTime();

// Pitch 1 and the smoothing length as the argument: the time must not grow
// with it.
void BM_DoSquare(benchmark::State& state)
{
    const WAData& data = Waveform();
    WAData output;
    const auto smooth = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        if (DoSquare(data, 1, smooth, output) != 0) {
            state.SkipWithError("DoSquare failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(BM_DoSquare)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
