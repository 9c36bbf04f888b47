// The judging part of "rejudge --threshold": 1,000,000 stored verdicts with
// varied areas, each judged with the lamp's rule and compared (the store's
// query is measured by the store's own benchmark).
#include <benchmark/benchmark.h>

#include <random>

#include "Rejudge.h"

namespace {

void BM_RejudgeMillion(benchmark::State& state) {
    std::vector<std::string> paths(1000000);
    std::vector<kr70::ResultJudgement> rows(paths.size());
    std::mt19937 generator(70);
    std::exponential_distribution<double> areas(0.2);
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].serial = static_cast<int64_t>(i + 1);
        paths[i] = "/line/parts/part-" + std::to_string(i) + ".wav";
        rows[i].recordingPath = paths[i];
        rows[i].exceedingArea = areas(generator);
        rows[i].judgement = *rows[i].exceedingArea >= 5.0 ? 2 : 1;
    }
    for (auto _ : state) {
        kr70::ThresholdRejudge rejudge(6.0, false);
        for (const kr70::ResultJudgement& row : rows) rejudge.Take(row);
        benchmark::DoNotOptimize(rejudge.Outcome().passToFail);
    }
}
BENCHMARK(BM_RejudgeMillion)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
