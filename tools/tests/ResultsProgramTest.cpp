// The results store through the programs: kr70-analyse --db beside the
// workstation's writer (on SQLite and on a throwaway PostgreSQL server),
// kr70-results query, label and watch, and a server that does not answer.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ResultStore.h"
#include "ResultWriter.h"
#include "../../results/src/SqlConnection.h"
#include "../../results/tests/PgTestServer.h"

namespace kr70 {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ResultsProgramTest : public ::testing::Test {
protected:
    ResultsProgramTest() {
        char pattern[] = "/tmp/kr70resultsprog-XXXXXX";
        dir_ = mkdtemp(pattern);
        db_ = File("results.sqlite");
    }
    ~ResultsProgramTest() override {
        std::error_code error;
        fs::remove_all(dir_, error);
    }
    std::string File(const std::string& name) const { return dir_ + "/" + name; }

    // The shell command that runs program with arguments in the scratch
    // folder, with its own data folder (the default store and queue).
    std::string Command(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& tag) const {
        std::string command = "cd " + Quote(dir_) + " && XDG_DATA_HOME=" + Quote(File("data")) + " " +
                              Quote(std::string(KR70_BIN_DIR) + "/" + program);
        for (const std::string& a : arguments) command += " " + Quote(a);
        return command + " >" + Quote(File(tag + ".out")) + " 2>" + Quote(File(tag + ".err"));
    }
    int Run(const std::string& program, const std::vector<std::string>& arguments) {
        const int status = std::system(Command(program, arguments, "run").c_str());
        out_ = ReadAll(File("run.out"));
        err_ = ReadAll(File("run.err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Demo recordings: a clean tone (OK) and clicks and noise (NG).
    std::vector<std::string> DemoFiles() {
        EXPECT_EQ(Run("kr70-demo-gen", {"--seconds", "0.5", "demo"}), 0) << err_;
        return {File("demo/demo-tone.wav"), File("demo/demo-clicks.wav"), File("demo/demo-noise.wav")};
    }
    // A database of its own on the shared server as db_; false (the test
    // skips) when there is no server.
    bool UseServer(const std::string& database) {
        test::PgTestServer* server = test::PgTestServer::Shared();
        if (!server || !server->CreateDatabase(database)) {
            return false;
        }
        db_ = server->Url(database);
        return true;
    }
    int64_t Count(const std::string& sql) {
        std::string error;
        auto connection = IsServerLocation(db_) ? OpenPostgresConnection(db_, error) : OpenSqliteConnection(db_, error);
        int64_t count = -1;
        EXPECT_NE(connection, nullptr) << error;
        if (connection) {
            connection->Run(sql, {}, [&](const SqlRow& row) {
                count = row.Int(0);
                return false;
            });
        }
        return count;
    }

    std::string dir_;
    std::string db_;
    std::string out_;
    std::string err_;
};

// Four kr70-analyse processes and the workstation's writer store into one
// store at once: every verdict arrives once (and the SQLite file stays sound).
class ConcurrentWritersTest : public ResultsProgramTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConcurrentWritersTest, LoseNoRow) {
    const bool server = GetParam();
    if (server && !UseServer("concurrent")) {
        GTEST_SKIP() << "PostgreSQL tests skipped: " << test::PgTestServer::Why();
    }
    ::setenv("XDG_DATA_HOME", File("data").c_str(), 1);  // the writer's local queue
    const std::vector<std::string> demo = DemoFiles();
    constexpr int kProcesses = 4;
    constexpr int kFilesPerProcess = 24;
    constexpr int kWriterRows = 100;
    std::vector<std::string> arguments{"--json", "--db", db_};
    for (int i = 0; i < kFilesPerProcess; ++i) {
        arguments.push_back(demo[i % demo.size()]);
    }
    std::string all;
    for (int p = 0; p < kProcesses; ++p) {
        all += "(" + Command("kr70-analyse", arguments, "p" + std::to_string(p)) + "; echo $? >" +
               Quote(File("p" + std::to_string(p) + ".code")) + ") & ";
    }
    const int started = std::system((all + "true").c_str());
    ASSERT_EQ(started, 0);
    {
        ResultWriter writer(db_);
        for (int i = 0; i < kWriterRows; ++i) {
            ResultRecord record;
            record.station = "workstation";
            record.recordingPath = demo[0];
            record.recordingName = "demo-tone.wav";
            record.judgement = 1;
            record.exceedingArea = i;
            writer.Submit(record);
        }
    }  // the writer stores what it holds before it goes
    for (int p = 0; p < kProcesses; ++p) {
        const std::string code = File("p" + std::to_string(p) + ".code");
        for (int wait = 0; wait < 1200 && ReadAll(code).empty(); ++wait) {
            usleep(100000);
        }
        EXPECT_EQ(ReadAll(code), "0\n") << ReadAll(File("p" + std::to_string(p) + ".err"));
    }
    EXPECT_EQ(Count("SELECT count(*) FROM results"), kProcesses * kFilesPerProcess + kWriterRows);
    EXPECT_EQ(Count("SELECT count(DISTINCT uid) FROM results"), kProcesses * kFilesPerProcess + kWriterRows);
    EXPECT_EQ(Count("SELECT count(*) FROM results WHERE station = 'workstation'"), kWriterRows);
    // The recordings' digests were stored: all rows of one file share one.
    EXPECT_EQ(Count("SELECT count(DISTINCT recording_sha256) FROM results WHERE recording_sha256 <> ''"), 3);
    if (!server) {
        EXPECT_EQ(Count("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check = 'ok'"), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ConcurrentWritersTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PostgreSQL" : "SQLite"; });

// The watch stores each verdict on the server; its JSON lines name the rows.
TEST_F(ResultsProgramTest, WatchStoresOnTheServer) {
    if (!UseServer("watched")) {
        GTEST_SKIP() << "PostgreSQL tests skipped: " << test::PgTestServer::Why();
    }
    DemoFiles();
    ASSERT_EQ(Run("kr70-results", {"--db", db_, "watch", "--existing", "--max-files", "3", "--station", "line-3",
                                   "--params", File("demo/demo.ini"), File("demo")}),
              0)
        << err_;
    EXPECT_EQ(err_.find("queue"), std::string::npos) << err_;  // nothing waits locally
    std::set<int64_t> serials;
    const std::regex serial("\"serial\": ([0-9]+)\\}$");
    std::istringstream lines(out_);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        ASSERT_TRUE(std::regex_search(line, match, serial)) << line;
        serials.insert(std::stoll(match[1]));
    }
    EXPECT_EQ(serials.size(), 3u) << out_;
    EXPECT_EQ(Count("SELECT count(*) FROM results WHERE station = 'line-3' AND recording_sha256 <> ''"), 3);
    EXPECT_EQ(Count("SELECT max(id) FROM results"), *serials.rbegin());
}

TEST_F(ResultsProgramTest, QueryAndLabel) {
    const std::vector<std::string> demo = DemoFiles();
    fs::copy_file(demo[1], File("demo/a,\"b\".wav"));
    ASSERT_EQ(Run("kr70-analyse", {"--params", File("demo/demo.ini"), "--db", db_, "--station", "bench-7", demo[0], demo[1], File("demo/a,\"b\".wav"),
                                   "missing.wav"}),
              1);  // the missing file, as without --db
    ASSERT_EQ(Count("SELECT count(*) FROM results"), 3);

    ASSERT_EQ(Run("kr70-results", {"--db", db_, "query", "--judgement", "NG", "--format", "csv"}), 0) << err_;
    const size_t headerEnd = out_.find("\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    EXPECT_EQ(out_.substr(0, 13), "id,uid,record");
    // RFC 4180: the field with a comma and quotes is quoted, quotes doubled.
    EXPECT_NE(out_.find(",\"a,\"\"b\"\".wav\","), std::string::npos) << out_;
    EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 3);  // header and the two NG rows

    ASSERT_EQ(Run("kr70-results", {"label", "demo-tone.wav", "good", "--db", db_}), 0) << err_;
    EXPECT_EQ(out_, "1 result labelled good\n");
    ASSERT_EQ(Run("kr70-results", {"--db", db_, "label", "demo/demo-clicks.wav", "bad"}), 0) << err_;
    EXPECT_EQ(Run("kr70-results", {"--db", db_, "label", "999", "bad"}), 1);
    EXPECT_EQ(Run("kr70-results", {"--db", db_, "label", "1", "fine"}), 2);
    EXPECT_EQ(Run("kr70-results", {"--db", db_, "query", "--format", "xml"}), 2);

    ASSERT_EQ(Run("kr70-results", {"--db", db_, "query", "--label", "good", "--format", "json"}), 0) << err_;
    EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 1);
    EXPECT_NE(out_.find("\"station\": \"bench-7\""), std::string::npos) << out_;
    EXPECT_NE(out_.find("\"judgement\": 1"), std::string::npos);
    EXPECT_NE(out_.find("\"label\": \"good\""), std::string::npos);
    ASSERT_EQ(Run("kr70-results", {"--db", db_, "query", "--name", "DEMO-*"}), 0) << err_;
    EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 3);  // heading and the two demo files
    EXPECT_NE(out_.find("bad"), std::string::npos);
}

// A server that does not answer: the verdicts wait in the local results
// file, the run reports them and succeeds.
TEST_F(ResultsProgramTest, UnreachableServerQueuesVerdicts) {
    const std::vector<std::string> demo = DemoFiles();
    const std::string url = "postgresql://kr70@/results?host=" + File("no-server");
    ASSERT_EQ(Run("kr70-analyse", {"--db", url, demo[0], demo[1]}), 0) << err_;
    EXPECT_NE(err_.find("waits in the local queue (2 waiting)"), std::string::npos) << err_;
    db_ = File("data/Ostrel/KR70/results.sqlite");
    EXPECT_EQ(Count("SELECT count(*) FROM outbox"), 2);
    EXPECT_EQ(Run("kr70-results", {"--db", url, "query"}), 1);
    EXPECT_EQ(Run("kr70-results", {"--db", url, "flush"}), 1);
    EXPECT_EQ(out_, "2 waiting\n");
}

}  // namespace
}  // namespace kr70
