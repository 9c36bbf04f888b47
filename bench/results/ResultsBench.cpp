// bench-results: what the results store costs on SQLite.
//   StoreVerdict      one Insert (one transaction) into a store of a few
//                     thousand rows; the median of the timed inserts is
//                     reported as median_ms
//   QueryOneDay       rows of one day (1,000 of 1,000,000) by time range
//   ScanSummaries     every row's lean columns (what threshold proposals read)
//   ScanJudgements    every row's serial, judgement, area and path (what
//                     re-judging reads, from its covering index)
// The million-row store is built once in /tmp (about a minute) and kept as
// /tmp/kr70-bench-results-1M.sqlite for later runs.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "ResultSql.h"
#include "ResultStore.h"
#include "SqlConnection.h"

namespace {

using namespace kr70;

constexpr int64_t kMillion = 1000000;
constexpr int64_t kRowsPerDay = 1000;

ResultRecord Verdict(int64_t i) {
    ResultRecord r;
    r.station = i % 3 == 0 ? "bench-1" : "bench-2";
    r.recordingPath = "/data/line/part-" + std::to_string(i) + ".wav";
    r.recordingName = "part-" + std::to_string(i) + ".wav";
    r.recordingSha256 = std::string(64, 'c');
    r.recordingSize = 88244;
    r.samplingFrequency = 22050;
    r.sampleCount = 44100;
    r.parameterPath = "/data/line/part.ini";
    r.parameterSha256 = std::string(64, 'd');
    r.totalArea = 1000.0 + static_cast<double>(i % 977);
    r.exceedingArea = static_cast<double>(i % 101) * 0.37;
    r.passThreshold = 20.0;
    r.judgement = *r.exceedingArea >= 20.0 ? 2 : 1;
    for (auto& peak : r.peaksHz) {
        peak = 1000.0;
    }
    r.programVersion = "0.1";
    return r;
}

// Day d, row k of that day, as a fixed-width UTC time.
std::string TimeOf(int64_t i) {
    const int64_t day = i / kRowsPerDay;
    const int64_t second = (i % kRowsPerDay) * 86;
    char text[64];
    // 1000 days from 2024-01-01 counted as 28-day months of 12 "months"
    // keep the text sortable; only the order matters here.
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.000Z",
                  static_cast<long long>(2024 + day / 336), static_cast<long long>(day % 336 / 28 + 1),
                  static_cast<long long>(day % 28 + 1), static_cast<long long>(second / 3600),
                  static_cast<long long>(second / 60 % 60), static_cast<long long>(second % 60));
    return text;
}

const std::string& MillionStore() {
    static const std::string path = [] {
        const std::string file = "/tmp/kr70-bench-results-1M.sqlite";
        std::unique_ptr<ResultStore> store = OpenResultStore(file, nullptr, nullptr);
        int64_t rows = 0;
        ResultFilter filter;
        if (store) {  // null for a file of another schema version: rebuilt
            store->QuerySummaries(filter, [&](const ResultSummary&) {
                ++rows;
                return true;
            });
        }
        store.reset();
        if (rows != kMillion) {
            std::filesystem::remove(file);
            std::string error;
            auto connection = OpenSqliteConnection(file, error);
            MigrateSchema(*connection, error);
            connection->Run("BEGIN");
            for (int64_t i = 0; i < kMillion; ++i) {
                ResultRecord record = Verdict(i);
                record.recordedAtUtc = TimeOf(i);
                InsertRecord(*connection, record);
            }
            connection->Run("COMMIT");
        }
        return file;
    }();
    return path;
}

void StoreVerdict(benchmark::State& state) {
    const std::string file = "/tmp/kr70-bench-insert-" + std::to_string(getpid()) + ".sqlite";
    std::unique_ptr<ResultStore> store = OpenResultStore(file, nullptr, nullptr);
    std::vector<double> milliseconds;
    int64_t i = 0;
    for (auto _ : state) {
        ResultRecord record = Verdict(i++);
        const auto start = std::chrono::steady_clock::now();
        if (store->Insert(record) != kStoreOk) {
            state.SkipWithError("insert failed");
            break;
        }
        milliseconds.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    if (!milliseconds.empty()) {
        state.counters["median_ms"] = milliseconds[milliseconds.size() / 2];
    }
    store.reset();
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(file + suffix);
    }
}
BENCHMARK(StoreVerdict)->Iterations(1000)->Unit(benchmark::kMillisecond);

void QueryOneDay(benchmark::State& state) {
    std::unique_ptr<ResultStore> store = OpenResultStore(MillionStore(), nullptr, nullptr);
    ResultFilter filter;
    filter.fromUtc = TimeOf(500 * kRowsPerDay).substr(0, 10);
    filter.toUtc = TimeOf(501 * kRowsPerDay).substr(0, 10);
    int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        store->Query(filter, [&](const ResultRecord&) {
            ++rows;
            return true;
        });
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(QueryOneDay)->Unit(benchmark::kMillisecond);

void ScanSummaries(benchmark::State& state) {
    std::unique_ptr<ResultStore> store = OpenResultStore(MillionStore(), nullptr, nullptr);
    int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        store->QuerySummaries({}, [&](const ResultSummary&) {
            ++rows;
            return true;
        });
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(ScanSummaries)->Unit(benchmark::kMillisecond)->Iterations(3);

void ScanJudgements(benchmark::State& state) {
    std::unique_ptr<ResultStore> store = OpenResultStore(MillionStore(), nullptr, nullptr);
    int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        store->QueryJudgements({}, [&](const ResultJudgement&) {
            ++rows;
            return true;
        });
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(ScanJudgements)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
