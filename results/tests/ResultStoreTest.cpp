// The store on both engines: a record comes back whole, filters select the
// right rows, labels, migrations; on SQLite a writer killed inside its
// transaction; on PostgreSQL the queue while the server is down.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "PgTestServer.h"
#include "ResultStore.h"
#include "ResultWriter.h"
#include "../src/ResultSql.h"
#include "../src/SqlConnection.h"

namespace kr70 {
namespace {

// Scratch folder per test.
class Scratch {
public:
    Scratch() {
        char pattern[] = "/tmp/kr70results-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
    }
    ~Scratch() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

test::PgTestServer* Server() { return test::PgTestServer::Shared(); }

ResultRecord Sample(const std::string& name, int32_t judgement, double area) {
    ResultRecord r;
    r.station = "bench-1";
    r.recordingPath = "/data/line/" + name;
    r.recordingName = name;
    r.recordingSha256 = std::string(64, 'a');
    r.recordingSize = 44144;
    r.samplingFrequency = 22050;
    r.sampleCount = 22050;
    r.parameterPath = "/data/line/part.ini";
    r.parameterSha256 = std::string(64, 'b');
    r.samplingPitch = 2;
    r.effectiveSamplingFrequency = 11025;
    r.yuragiParameter[0] = 4;
    r.yuragiParameter[1] = 3;
    r.yuragiParameter[2] = 2;
    r.yuragiParameter[3] = -1;
    r.filterType = 3;
    r.filterTaps = 128;
    r.lowerFrequency = 100;
    r.upperFrequency = 5000;
    r.fftStart = 10;
    r.fftLength = 4096;
    r.spectraEnabled = 1;
    r.squareMeanPitch = 4;
    r.smoothingLength = 8;
    r.areaLevel = 0.125;
    r.passThreshold = 1.5;
    r.inverted = 0;
    r.status = 0;
    r.totalArea = area * 3;
    r.exceedingArea = area;
    r.judgement = judgement;
    r.peaksHz[0] = 1000.0;
    r.peaksHz[1] = 0.1 + 0.2;  // not exact in binary: must come back bit for bit
    r.programVersion = "0.1";
    return r;
}

struct Engine {
    const char* name;
    bool server;
};

class StoreTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        if (GetParam().server) {
            if (!Server()) {
                GTEST_SKIP() << "PostgreSQL tests skipped: " << test::PgTestServer::Why();
            }
            static int databases = 0;
            const std::string database = "results" + std::to_string(++databases);
            ASSERT_TRUE(Server()->CreateDatabase(database));
            location_ = Server()->Url(database);
        } else {
            location_ = scratch_.File("results.sqlite");
        }
        store_ = Open();
        ASSERT_NE(store_, nullptr);
    }

    std::unique_ptr<ResultStore> Open() {
        int32_t status = 0;
        std::string error;
        auto store = OpenResultStore(location_, &status, &error, scratch_.File("queue.sqlite"), true);
        EXPECT_EQ(status, kStoreOk) << error;
        return store;
    }

    std::vector<int64_t> Serials(const ResultFilter& filter) {
        std::vector<int64_t> serials;
        EXPECT_EQ(store_->QuerySummaries(filter, [&](const ResultSummary& s) {
            serials.push_back(s.serial);
            return true;
        }), kStoreOk) << store_->LastError();
        return serials;
    }

    Scratch scratch_;
    std::string location_;
    std::unique_ptr<ResultStore> store_;
};

TEST_P(StoreTest, RecordComesBackWhole) {
    ResultRecord record = Sample("part-0001.wav", 2, 2.75);
    record.recordingPath = "/data/it's \"quoted\"\x1f/part-0001.wav";
    ASSERT_EQ(store_->Insert(record), kStoreOk) << store_->LastError();
    EXPECT_GT(record.serial, 0);
    EXPECT_EQ(record.uid.size(), 32u);
    EXPECT_EQ(record.recordedAtUtc.size(), 24u);  // 2026-12-09T18:40:28.123Z

    std::vector<ResultRecord> rows;
    ASSERT_EQ(store_->Query({}, [&](const ResultRecord& r) {
        rows.push_back(r);
        return true;
    }), kStoreOk);
    ASSERT_EQ(rows.size(), 1u);
    const ResultRecord& back = rows[0];
    EXPECT_EQ(back.serial, record.serial);
    EXPECT_EQ(back.uid, record.uid);
    EXPECT_EQ(back.recordedAtUtc, record.recordedAtUtc);
    EXPECT_EQ(back.recordingPath, record.recordingPath);
    EXPECT_EQ(back.recordingSize, 44144);
    EXPECT_EQ(back.yuragiParameter[3], -1);
    EXPECT_EQ(back.upperFrequency, 5000u);
    EXPECT_EQ(back.fftLength, 4096u);
    EXPECT_EQ(back.smoothingLength, 8);
    EXPECT_EQ(back.areaLevel, 0.125);
    EXPECT_EQ(back.passThreshold, 1.5);
    EXPECT_EQ(back.totalArea, 8.25);
    EXPECT_EQ(back.exceedingArea, 2.75);
    EXPECT_EQ(back.judgement, 2);
    EXPECT_EQ(back.peaksHz[1], 0.1 + 0.2);
    EXPECT_FALSE(back.peaksHz[2].has_value());
    EXPECT_EQ(back.programVersion, "0.1");
    EXPECT_EQ(back.label, "");

    // The same uid again (a resend) adds nothing.
    ResultRecord again = record;
    EXPECT_EQ(store_->Insert(again), kStoreOk);
    EXPECT_EQ(Serials({}).size(), 1u);
}

TEST_P(StoreTest, FiltersSelectRows) {
    const struct {
        const char* time;
        const char* station;
        const char* name;
        int32_t judgement;
    } rows[] = {
        {"2026-12-01T08:00:00.000Z", "bench-1", "A100.wav", 1},
        {"2026-12-01T09:00:00.000Z", "bench-2", "A101.WAV", 2},
        {"2026-12-02T08:00:00.000Z", "bench-1", "B100.rdt", 2},
        {"2026-12-03T08:00:00.000Z", "bench-2", "A_1.wav", 1},
    };
    std::vector<int64_t> serials;
    for (const auto& row : rows) {
        ResultRecord record = Sample(row.name, row.judgement, 1.0);
        record.recordedAtUtc = row.time;
        record.station = row.station;
        ASSERT_EQ(store_->Insert(record), kStoreOk) << store_->LastError();
        serials.push_back(record.serial);
    }
    ResultFilter day;
    day.fromUtc = "2026-12-01";
    day.toUtc = "2026-12-02";
    EXPECT_EQ(Serials(day), (std::vector<int64_t>{serials[0], serials[1]}));
    ResultFilter station;
    station.station = "bench-2";
    station.judgement = 2;
    EXPECT_EQ(Serials(station), (std::vector<int64_t>{serials[1]}));
    // Case-blind wildcards; "_" is a literal character, not LIKE's.
    ResultFilter names;
    names.namePattern = "a1??.wav";
    EXPECT_EQ(Serials(names), (std::vector<int64_t>{serials[0], serials[1]}));
    names.namePattern = "A_*";
    EXPECT_EQ(Serials(names), (std::vector<int64_t>{serials[3]}));
    ResultFilter limited;
    limited.limit = 3;
    EXPECT_EQ(Serials(limited).size(), 3u);
}

TEST_P(StoreTest, LabelsBySerialAndFile) {
    ResultRecord first = Sample("P7.wav", 1, 0.5);
    ResultRecord second = Sample("P7.wav", 1, 0.6);  // the same part analysed twice
    ResultRecord other = Sample("P8.wav", 2, 4.0);
    for (ResultRecord* record : {&first, &second, &other}) {
        ASSERT_EQ(store_->Insert(*record), kStoreOk);
    }
    int64_t changed = 0;
    EXPECT_EQ(store_->SetLabelByFile("P7.wav", "good", &changed), kStoreOk);
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(store_->SetLabelBySerial(other.serial, "bad", &changed), kStoreOk);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(store_->SetLabelByFile("/data/line/P8.wav", "", &changed), kStoreOk);  // cleared by path
    EXPECT_EQ(store_->SetLabelBySerial(other.serial + 100, "bad", &changed), kStoreNotFound);
    EXPECT_EQ(store_->SetLabelBySerial(other.serial, "fine", &changed), kStoreBadArgument);
    ResultFilter good;
    good.label = "good";
    EXPECT_EQ(Serials(good), (std::vector<int64_t>{first.serial, second.serial}));
    good.label = "none";
    EXPECT_EQ(Serials(good), (std::vector<int64_t>{other.serial}));
}

TEST_P(StoreTest, ReopenKeepsRowsAndRefusesNewerSchema) {
    ResultRecord record = Sample("R.wav", 1, 0.1);
    ASSERT_EQ(store_->Insert(record), kStoreOk);
    store_ = Open();  // migrating again is a no-op
    ASSERT_NE(store_, nullptr);
    EXPECT_EQ(Serials({}), (std::vector<int64_t>{record.serial}));
    store_.reset();

    std::string error;
    auto connection = GetParam().server ? OpenPostgresConnection(location_, error)
                                        : OpenSqliteConnection(location_, error);
    ASSERT_NE(connection, nullptr) << error;
    ASSERT_EQ(connection->Run("UPDATE schema_version SET version = version + 1"), kStoreOk);
    int32_t status = 0;
    EXPECT_EQ(OpenResultStore(location_, &status, &error, scratch_.File("queue.sqlite"), true), nullptr);
    EXPECT_EQ(status, kStoreNewerSchema);
}

// Re-judging's narrow rows carry the stored values, also in a store of the
// previous schema version (upgraded on open), and on SQLite come from the
// covering index alone.
TEST_P(StoreTest, JudgementRowsAfterAnUpgrade) {
    ResultRecord judged = Sample("it's.wav", 2, 2.75);
    ResultRecord failed = Sample("failed.wav", 0, 0.0);
    failed.exceedingArea.reset();
    ASSERT_EQ(store_->Insert(judged), kStoreOk);
    ASSERT_EQ(store_->Insert(failed), kStoreOk);
    store_.reset();
    std::string error;
    auto connection = GetParam().server ? OpenPostgresConnection(location_, error)
                                        : OpenSqliteConnection(location_, error);
    ASSERT_NE(connection, nullptr) << error;
    ASSERT_EQ(connection->Run("DROP INDEX results_judgement"), kStoreOk) << connection->Error();
    ASSERT_EQ(connection->Run("UPDATE schema_version SET version = 1"), kStoreOk);
    store_ = Open();
    ASSERT_NE(store_, nullptr);

    std::vector<std::tuple<int64_t, int32_t, std::optional<double>, std::string>> rows;
    ResultFilter filter;
    const auto collect = [&](const ResultJudgement& j) {
        rows.emplace_back(j.serial, j.judgement, j.exceedingArea, std::string(j.recordingPath));
        return true;
    };
    ASSERT_EQ(store_->QueryJudgements(filter, collect), kStoreOk) << store_->LastError();
    EXPECT_EQ(rows, (decltype(rows){{judged.serial, 2, 2.75, "/data/line/it's.wav"},
                                    {failed.serial, 0, std::nullopt, "/data/line/failed.wav"}}));
    rows.clear();
    filter.judgement = 2;
    ASSERT_EQ(store_->QueryJudgements(filter, collect), kStoreOk);
    EXPECT_EQ(rows.size(), 1u);

    if (!GetParam().server) {
        connection = OpenSqliteConnection(location_, error);  // sees the new index
        std::string plan;
        ASSERT_EQ(connection->Run(std::string("EXPLAIN QUERY PLAN ") + JudgementSelectSql() + " ORDER BY id", {},
                                  [&](const SqlRow& row) { return plan += row.Text(3), true; }),
                  kStoreOk);
        EXPECT_NE(plan.find("COVERING INDEX results_judgement"), std::string::npos) << plan;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, StoreTest,
                         ::testing::Values(Engine{"SQLite", false}, Engine{"PostgreSQL", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A writer killed inside its transaction: the rows it had not committed are
// gone, the committed ones stay, and the file is sound.
TEST(SqliteStore, WriterKilledMidTransactionLeavesStoreConsistent) {
    Scratch scratch;
    const std::string path = scratch.File("results.sqlite");
    int32_t status = 0;
    std::string error;
    auto store = OpenResultStore(path, &status, &error);
    ASSERT_NE(store, nullptr) << error;
    ResultRecord committed = Sample("kept.wav", 1, 0.1);
    ASSERT_EQ(store->Insert(committed), kStoreOk);

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        std::string childError;
        auto connection = OpenSqliteConnection(path, childError);
        if (!connection || connection->Run("BEGIN IMMEDIATE") != kStoreOk) {
            _exit(1);
        }
        // Big enough rows that pages of the uncommitted transaction reach the WAL file.
        for (int i = 0; i < 2000; ++i) {
            std::vector<SqlValue> values{std::string("uid") + std::to_string(i), std::string(2000, 'x')};
            connection->Run("INSERT INTO results (uid, recorded_at, station, recording_path, recording_name,"
                            " recording_sha256, recording_size, sampling_frequency, sample_count, parameter_path,"
                            " parameter_sha256, sampling_pitch, effective_sampling_frequency, yuragi_type,"
                            " yuragi_b, yuragi_c, yuragi_v, filter_type, filter_taps, lower_frequency,"
                            " upper_frequency, fft_start, fft_length, spectra_enabled, square_mean_pitch,"
                            " smoothing_length, area_level, pass_threshold, inverted, status, judgement,"
                            " program_version) VALUES (?, 'T', 's', ?, 'n', '', 0, 0, 0, '', '', 1, 1, 4, 1, 1,"
                            " 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 'v')",
                            values);
        }
        (void)!write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    kill(child, SIGKILL);
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    close(ready[0]);
    close(ready[1]);

    auto connection = OpenSqliteConnection(path, error);
    ASSERT_NE(connection, nullptr) << error;
    std::string check;
    ASSERT_EQ(connection->Run("PRAGMA integrity_check", {}, [&](const SqlRow& row) {
        check += row.Text(0);
        return true;
    }), kStoreOk);
    EXPECT_EQ(check, "ok");
    store = OpenResultStore(path, &status, &error);
    ASSERT_NE(store, nullptr) << error;
    ResultRecord after = Sample("after.wav", 2, 9.0);
    EXPECT_EQ(store->Insert(after), kStoreOk) << store->LastError();
    std::vector<std::string> names;
    store->Query({}, [&](const ResultRecord& r) {
        names.push_back(r.recordingName);
        return true;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"kept.wav", "after.wav"}));
}

// A results file that cannot be opened: the writer keeps the verdicts in
// memory, says so, and stores them once the file can be opened.
TEST(SqliteStore, WriterHoldsVerdictsUntilTheFileOpens) {
    Scratch scratch;
    std::ofstream(scratch.File("blocked")) << "a file where the store's folder should be";
    const std::string path = scratch.File("blocked/results.sqlite");
    std::mutex mutex;
    WriterReport last;
    ResultWriter writer(path, [&](const WriterReport& report) {
        std::lock_guard<std::mutex> lock(mutex);
        last = report;
    }, std::chrono::milliseconds(100));
    writer.Submit(Sample("held1.wav", 1, 0.1));
    writer.Submit(Sample("held2.wav", 2, 9.0));
    writer.Drain();
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(last.status, kStoreCannotOpen);
        EXPECT_EQ(last.held, 2);
        EXPECT_NE(last.error.find("blocked"), std::string::npos) << last.error;
    }
    std::filesystem::remove(scratch.File("blocked"));
    for (int wait = 0; wait < 100; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard<std::mutex> lock(mutex);
        if (last.held == 0) break;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(last.held, 0);
        EXPECT_EQ(last.status, kStoreOk) << last.error;
    }
    int32_t status = 0;
    std::string error;
    auto store = OpenResultStore(path, &status, &error);
    ASSERT_NE(store, nullptr) << error;
    std::vector<std::string> names;
    store->Query({}, [&](const ResultRecord& r) { return names.push_back(r.recordingName), true; });
    EXPECT_EQ(names, (std::vector<std::string>{"held1.wav", "held2.wav"}));
}

// The server stops: verdicts queue in the local file (none lost, the caller
// not kept waiting), and reach the server once it answers again.
TEST(ServerStore, QueuesWhileDownAndSendsWhenBack) {
    test::PgTestServer* server = Server();
    if (!server) {
        GTEST_SKIP() << "PostgreSQL tests skipped: " << test::PgTestServer::Why();
    }
    Scratch scratch;
    ASSERT_TRUE(server->CreateDatabase("queued"));
    int32_t status = 0;
    std::string error;
    auto store = OpenResultStore(server->Url("queued"), &status, &error, scratch.File("queue.sqlite"), true);
    ASSERT_NE(store, nullptr) << error;
    ResultRecord before = Sample("before.wav", 1, 0.1);
    ASSERT_EQ(store->Insert(before), kStoreOk) << store->LastError();

    ASSERT_TRUE(server->Stop());
    std::vector<std::string> uids;
    for (int i = 0; i < 3; ++i) {
        ResultRecord record = Sample("down" + std::to_string(i) + ".wav", 2, 5.0 + i);
        EXPECT_EQ(store->Insert(record), kStoreQueued);
        EXPECT_EQ(record.serial, 0);
        uids.push_back(record.uid);
    }
    EXPECT_EQ(store->PendingCount(), 3);
    EXPECT_EQ(store->Flush(), kStoreUnreachable);
    ResultFilter all;
    EXPECT_EQ(store->Query(all, [](const ResultRecord&) { return true; }), kStoreUnreachable);

    ASSERT_TRUE(server->Start());
    EXPECT_EQ(store->Flush(), kStoreOk) << store->LastError();
    EXPECT_EQ(store->PendingCount(), 0);
    std::vector<std::string> stored;
    ASSERT_EQ(store->Query(all, [&](const ResultRecord& r) {
        stored.push_back(r.uid);
        return true;
    }), kStoreOk);
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(stored.begin() + 1, stored.end()), uids);
    // A second sender that finds the same queue sends nothing twice.
    EXPECT_EQ(store->Flush(), kStoreOk);
}

// The workstation's writer with the server away: it reports the waiting
// rows, and sends them once the server is back without a new verdict.
TEST(ServerStore, WriterSendsTheQueueWhenTheServerReturns) {
    test::PgTestServer* server = Server();
    if (!server) {
        GTEST_SKIP() << "PostgreSQL tests skipped: " << test::PgTestServer::Why();
    }
    Scratch scratch;
    ASSERT_TRUE(server->CreateDatabase("writer"));
    ::setenv("XDG_DATA_HOME", scratch.File("data").c_str(), 1);  // the writer's local queue
    std::atomic<int64_t> pending{-1};
    ASSERT_TRUE(server->Stop());
    {
        ResultWriter writer(server->Url("writer"), [&](const WriterReport& report) { pending = report.pending; },
                            std::chrono::milliseconds(200));
        writer.Submit(Sample("w1.wav", 1, 0.1));
        writer.Submit(Sample("w2.wav", 2, 9.0));
        writer.Drain();
        EXPECT_EQ(pending, 2);
        ASSERT_TRUE(server->Start());
        for (int wait = 0; wait < 300 && pending != 0; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_EQ(pending, 0);
    }
    int32_t status = 0;
    std::string error;
    auto store = OpenResultStore(server->Url("writer"), &status, &error, scratch.File("other.sqlite"), true);
    ASSERT_NE(store, nullptr) << error;
    int rows = 0;
    store->Query({}, [&](const ResultRecord&) { return ++rows > 0; });
    EXPECT_EQ(rows, 2);
}

}  // namespace
}  // namespace kr70
