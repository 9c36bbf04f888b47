// kr70-results rejudge, suggest-threshold and watch, run as programs on demo
// recordings analysed and stored through the real SQLite store.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DemoSignals.h"
#include "FlatJson.h"
#include "ShellText.h"
#include "LmIni.h"
#include "ResultStore.h"
#include "WatchFolder.h"

extern char** environ;

namespace kr70 {
namespace {

namespace fs = std::filesystem;

using test::Quote;
using test::ReadAll;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lamp's comparison done independently: both sides as "%.6f" texts.
double Six(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return std::strtod(text, nullptr);
}

struct ProgramRun {
    int exitCode = -1;
    std::string out, err;
};

ProgramRun Program(const fs::path& dir, const std::string& program, const std::vector<std::string>& arguments) {
    std::string command = "cd " + Quote(dir.string()) + " && " + Quote(std::string(KR70_BIN_DIR) + "/" + program);
    for (const std::string& a : arguments) command += " " + Quote(a);
    command += " >" + Quote((dir / "out.txt").string()) + " 2>" + Quote((dir / "err.txt").string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(dir / "out.txt"), ReadAll(dir / "err.txt")};
}

// One stored verdict as the store holds it.
struct Stored {
    int64_t serial = 0;
    std::string name;
    double area = 0.0;
    int32_t judgement = 0;
    std::string label;
};

// A labelled set shared by the threshold tests: a clean tone and demo parts
// with clicks of graded height (good up to 1.3 V, bad from 1.5 V), and noise
// (bad), all judged with the demo settings (level 0.5, pass threshold 1.0) and
// stored by a watch over the folder; one more part whose recording is removed
// after it was stored.
class ResultsLineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::absolute("scratch-results-line-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "parts");
        const std::vector<std::pair<std::string, std::string>> clicks = {
            {"0.8", "good"}, {"1.0", "good"}, {"1.1", "good"}, {"1.2", "good"}, {"1.3", "good"},
            {"1.5", "bad"},  {"2", "bad"},    {"3", "bad"},    {"5", "bad"},    {"1.4", ""}};
        for (const auto& [volts, label] : clicks) {
            const fs::path gen = dir_ / ("gen-" + volts);
            ASSERT_EQ(Program(dir_, "kr70-demo-gen", {"--seconds", "0.5", "--click-volts", volts, gen.string()}).exitCode,
                      0);
            fs::rename(gen / "demo-clicks.wav", dir_ / "parts" / ("clicks-" + volts + ".wav"));
            if (volts == "0.8") {
                fs::rename(gen / "demo-tone.wav", dir_ / "parts" / "tone.wav");
                fs::rename(gen / "demo-noise.wav", dir_ / "parts" / "noise.wav");
                fs::rename(gen / "demo.ini", dir_ / "demo.ini");
            }
            labels_["clicks-" + volts + ".wav"] = label;
        }
        labels_["tone.wav"] = "good";
        labels_["noise.wav"] = "bad";
        const ProgramRun watch = Results({"watch", "--existing", "--params", "demo.ini", "--max-files",
                                   std::to_string(labels_.size()), "parts"});
        ASSERT_EQ(watch.exitCode, 0) << watch.err;
        ASSERT_EQ(Lines(watch.out).size(), labels_.size()) << watch.out;
        for (const auto& [name, label] : labels_) {
            if (!label.empty()) {
                ASSERT_EQ(Results({"label", name, label}).exitCode, 0) << name;
            }
        }
        fs::remove(dir_ / "parts" / "clicks-1.4.wav");

        int32_t status = 0;
        std::string error;
        auto store = OpenResultStore(Db(), &status, &error);
        ASSERT_TRUE(store) << error;
        ASSERT_EQ(store->Query({}, [](const ResultRecord& r) {
            stored_.push_back({r.serial, r.recordingName, r.exceedingArea.value_or(-1), r.judgement, r.label});
            return true;
        }), kStoreOk);
        ASSERT_EQ(stored_.size(), labels_.size());
    }
    static void TearDownTestSuite() {
        std::error_code error;
        fs::remove_all(dir_, error);
    }

    static std::string Db() { return (dir_ / "results.sqlite").string(); }
    static ProgramRun Results(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--db", Db()});
        return Program(dir_, "kr70-results", arguments);
    }

    // Value of the line "key N" in a command's output.
    static double Count(const std::string& out, const std::string& key) {
        for (const std::string& line : Lines(out)) {
            if (line.rfind(key + " ", 0) == 0) return std::strtod(line.c_str() + key.size() + 1, nullptr);
        }
        ADD_FAILURE() << "no line " << key << " in\n" << out;
        return -1;
    }
    // Serials of the listed verdicts of one kind ("OK->NG", "missing", ...).
    static std::set<int64_t> Listed(const std::string& out, const std::string& kind) {
        std::set<int64_t> serials;
        for (const std::string& line : Lines(out)) {
            std::istringstream words(line);
            std::string first, area, path;  // the counts above the list have two words
            int64_t serial = 0;
            if (words >> first >> serial >> area >> path && first == kind) serials.insert(serial);
        }
        return serials;
    }

    // The flips a threshold implies for the stored verdicts (one set per direction).
    static std::pair<std::set<int64_t>, std::set<int64_t>> ExpectedFlips(double threshold, bool inverted,
                                                                         const std::set<std::string>& skip = {}) {
        std::set<int64_t> toFail, toPass;
        for (const Stored& s : stored_) {
            if (skip.count(s.name)) continue;
            const bool atOrAbove = Six(s.area) >= Six(threshold);
            const int32_t now = atOrAbove != inverted ? 2 : 1;
            if (s.judgement == 1 && now == 2) toFail.insert(s.serial);
            if (s.judgement == 2 && now == 1) toPass.insert(s.serial);
        }
        return {toFail, toPass};
    }

    static fs::path dir_;
    static std::map<std::string, std::string> labels_;
    static std::vector<Stored> stored_;
};

fs::path ResultsLineTest::dir_;
std::map<std::string, std::string> ResultsLineTest::labels_;
std::vector<Stored> ResultsLineTest::stored_;

TEST_F(ResultsLineTest, RejudgeWithAThresholdFlipsWhatTheStoredAreasImply) {
    for (const bool inverted : {false, true}) {
        std::vector<std::string> arguments = {"rejudge", "--threshold", "5"};
        if (inverted) arguments.push_back("--inverted");
        const ProgramRun run = Results(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto [toFail, toPass] = ExpectedFlips(5.0, inverted);
        EXPECT_FALSE(toFail.empty() && toPass.empty());  // the set is chosen so that verdicts flip
        EXPECT_EQ(Count(run.out, "verdicts"), stored_.size());
        EXPECT_EQ(Count(run.out, "OK->NG"), toFail.size()) << run.out;
        EXPECT_EQ(Count(run.out, "NG->OK"), toPass.size()) << run.out;
        EXPECT_EQ(Count(run.out, "unchanged"), stored_.size() - toFail.size() - toPass.size());
        EXPECT_EQ(Listed(run.out, "OK->NG"), toFail);
        EXPECT_EQ(Listed(run.out, "NG->OK"), toPass);
    }
    EXPECT_EQ(Results({"rejudge"}).exitCode, 2);
    EXPECT_EQ(Results({"rejudge", "--threshold", "1,5"}).exitCode, 2);
}

TEST_F(ResultsLineTest, RejudgeWithAParameterFileAnalysesTheRecordingsAgain) {
    // The demo settings with a pass threshold of 5: the same chain, so the new
    // areas are the stored ones and the flips those of threshold 5. One
    // recording is gone, another has been replaced by a different file.
    LmIniRecord record;
    ASSERT_EQ(LmIniRead((dir_ / "demo.ini").c_str(), &record), LMINI_OK);
    record.fSikiiOverMen = 5.0;
    ASSERT_EQ(LmIniWrite((dir_ / "five.ini").c_str(), &record), LMINI_OK);
    fs::copy_file(dir_ / "parts" / "tone.wav", dir_ / "parts" / "clicks-1.3.wav", fs::copy_options::overwrite_existing);
    const ProgramRun run = Results({"rejudge", "--params", "five.ini"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto [toFail, toPass] = ExpectedFlips(5.0, false, {"clicks-1.4.wav", "clicks-1.3.wav"});
    EXPECT_EQ(Count(run.out, "OK->NG"), toFail.size()) << run.out;
    EXPECT_EQ(Count(run.out, "NG->OK"), toPass.size()) << run.out;
    EXPECT_EQ(Listed(run.out, "NG->OK"), toPass);
    EXPECT_EQ(Count(run.out, "missing"), 1);
    const auto gone =
        std::find_if(stored_.begin(), stored_.end(), [](const Stored& s) { return s.name == "clicks-1.4.wav"; });
    EXPECT_EQ(Listed(run.out, "missing"), std::set<int64_t>{gone->serial});
    const auto replaced =
        std::find_if(stored_.begin(), stored_.end(), [](const Stored& s) { return s.name == "clicks-1.3.wav"; });
    EXPECT_EQ(Listed(run.out, "changed"), std::set<int64_t>{replaced->serial});
}

TEST_F(ResultsLineTest, SuggestedThresholdsAndTheirErrorsFollowTheLabelledAreas) {
    const ProgramRun run = Results({"suggest-threshold", "--quantile", "0.5", "--png", "areas.png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<double> good, bad;
    for (const Stored& s : stored_) {
        if (s.label == "good") good.push_back(s.area);
        if (s.label == "bad") bad.push_back(s.area);
    }
    std::sort(good.begin(), good.end());
    EXPECT_EQ(Count(run.out, "good"), good.size());
    EXPECT_EQ(Count(run.out, "bad"), bad.size());
    // Nearest rank: the 50 % quantile of n areas is the ceil(n / 2)-th smallest.
    const std::map<std::string, double> bases = {{"largest*1.2", good.back()},
                                                 {"q0.5*1.2", good[(good.size() + 1) / 2 - 1]}};
    int rows = 0;
    for (const std::string& line : Lines(run.out)) {
        std::istringstream words(line);
        std::string rule;
        double basis = 0, threshold = 0, falseRejects = -1, falseAccepts = -1;
        if (!(words >> rule >> basis >> threshold >> falseRejects >> falseAccepts) || !bases.count(rule)) continue;
        ++rows;
        const double area = bases.at(rule);
        EXPECT_DOUBLE_EQ(basis, Six(area)) << rule;
        // Above the area by the margin (or one six-decimal step), rounded up.
        const double least = std::max(area * 1.2, Six(area) + 0.000001);
        EXPECT_GE(threshold, least - 1e-9) << rule;
        EXPECT_LT(threshold, least + 0.000001) << rule;
        size_t rejects = 0, accepts = 0;
        for (const double a : good) rejects += Six(a) >= threshold ? 1 : 0;
        for (const double a : bad) accepts += Six(a) < threshold ? 1 : 0;
        EXPECT_EQ(falseRejects, rejects) << rule;
        EXPECT_EQ(falseAccepts, accepts) << rule;
        if (rule == "largest*1.2") {
            EXPECT_EQ(rejects, 0u);
        } else {
            EXPECT_GT(rejects, 0u);  // the upper half of the good areas lie above
        }
    }
    EXPECT_EQ(rows, 2) << run.out;

    // The picture: bars of both kinds and the quantile line in their colours.
    QImage image(QString::fromStdString((dir_ / "areas.png").string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(800, 400));
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) & 0xffffff);
    }
    for (const QRgb wanted : {qRgb(0, 160, 160), qRgb(222, 90, 50), qRgb(40, 80, 220)}) {
        EXPECT_TRUE(colours.count(wanted & 0xffffff)) << std::hex << wanted;
    }
}

// kr70-results watch running in the background, its output in dir/out.txt
// and dir/err.txt.
class WatchProcess {
public:
    WatchProcess(const fs::path& dir, std::vector<std::string> arguments) : dir_(dir) {
        const std::string program = std::string(KR70_BIN_DIR) + "/kr70-results";
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (dir / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (dir / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~WatchProcess() {
        if (pid_ > 0) Stop();
    }
    std::string Out() const { return ReadAll(dir_ / "out.txt"); }
    std::string Err() const { return ReadAll(dir_ / "err.txt"); }
    // Polls done for up to 30 s.
    template <typename Done>
    static bool WaitFor(Done done) {
        for (int i = 0; i < 600 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return done();
    }
    bool Started() const {
        return pid_ > 0 && WaitFor([&] { return Err().find("watching") != std::string::npos; });
    }
    bool Running() const {
        int status = 0;
        return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
    }
    // SIGTERM; true when the watch then ended with exit code 0.
    bool Stop() {
        kill(pid_, SIGTERM);
        int status = 0;
        const bool ended = waitpid(pid_, &status, 0) == pid_;
        pid_ = 0;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // The JSON line of each file, by file name; false when a line is not JSON.
    bool Objects(std::map<std::string, test::JsonObject>& objects) const {
        for (const std::string& line : Lines(Out())) {
            auto object = test::FlatJsonReader(line).Object();
            if (!object) return false;
            objects[fs::path((*object)[0].second.text).filename().string()] = *object;
        }
        return true;
    }

private:
    fs::path dir_;
    pid_t pid_ = 0;
};

test::JsonValue Get(const test::JsonObject& object, const std::string& key) {
    for (const auto& [k, v] : object) if (k == key) return v;
    return test::JsonValue{};
}

// Stored rows of a store: serial to recording path.
std::map<int64_t, std::string> StoredPaths(const std::string& db) {
    int32_t status = 0;
    std::string error;
    auto store = OpenResultStore(db, &status, &error);
    std::map<int64_t, std::string> rows;
    EXPECT_TRUE(store) << error;
    if (store) {
        store->QuerySummaries({}, [&](const ResultSummary& row) { return rows.emplace(row.serial, row.recordingPath), true; });
    }
    return rows;
}

TEST(ResultsWatchTest, CompleteFilesAreAnalysedOnceAndABadFileDoesNotStopTheWatch) {
    const fs::path dir = fs::absolute("scratch-watch-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "staging");
    DemoSettings settings;
    settings.seconds = 0.5;
    ASSERT_EQ(WriteWav16((dir / "staging" / "moved.wav").string(), DemoToneWithClicks(settings), 22050), 0);
    ASSERT_EQ(WriteWav16((dir / "whole.wav").string(), DemoTone(settings), 22050), 0);
    const std::string whole = ReadAll(dir / "whole.wav");

    const std::string db = (dir / "results.sqlite").string();
    WatchProcess watch(dir, {"--db", db, "watch", (dir / "in").string()});
    ASSERT_TRUE(watch.Started()) << watch.Err();

    // Written in pieces with pauses: analysed once, whole, after the close.
    {
        std::ofstream out(dir / "in" / "slow.wav", std::ios::binary);
        for (size_t at = 0; at < whole.size(); at += whole.size() / 4 + 1) {
            out << whole.substr(at, whole.size() / 4 + 1) << std::flush;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
    }
    fs::rename(dir / "staging" / "moved.wav", dir / "in" / "moved.wav");
    std::ofstream(dir / "in" / "junk.wav", std::ios::binary) << "not a recording at all";
    std::ofstream(dir / "in" / "notes.txt") << "not a name the watch takes";

    ASSERT_TRUE(WatchProcess::WaitFor([&] { return Lines(watch.Out()).size() >= 3; })) << watch.Out();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // nothing more may follow
    std::map<std::string, test::JsonObject> objects;
    ASSERT_TRUE(watch.Objects(objects)) << watch.Out();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(Lines(watch.Out()).size(), 3u);
    EXPECT_EQ(Get(objects["slow.wav"], "points").number, 11025);
    EXPECT_EQ(Get(objects["slow.wav"], "judgement").kind, test::JsonValue::String);
    EXPECT_EQ(Get(objects["slow.wav"], "serial").kind, test::JsonValue::Number);
    EXPECT_EQ(Get(objects["moved.wav"], "points").number, 11025);
    EXPECT_FALSE(Get(objects["junk.wav"], "loaded").boolean);
    EXPECT_NE(Get(objects["junk.wav"], "error").text, "");

    EXPECT_TRUE(watch.Running());
    EXPECT_TRUE(watch.Stop());
    EXPECT_EQ(StoredPaths(db).size(), 2u);
    fs::remove_all(dir);
}

// A thousand tiny recordings written at once: each analysed and stored
// exactly once, end to end.
TEST(ResultsWatchTest, ABurstOfAThousandFilesIsAnalysedAndStoredOnce) {
    constexpr int kFiles = 1000;
    const fs::path dir = fs::absolute("scratch-watch-burst-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "in");
    DemoSettings settings;
    settings.seconds = 0.05;
    ASSERT_EQ(WriteWav16((dir / "tone.wav").string(), DemoTone(settings), 22050), 0);
    const std::string tone = ReadAll(dir / "tone.wav");
    const std::string db = (dir / "results.sqlite").string();
    WatchProcess watch(dir, {"--db", db, "watch", "--timeout", "120", (dir / "in").string()});
    ASSERT_TRUE(watch.Started()) << watch.Err();
    for (int i = 0; i < kFiles; ++i) {
        std::ofstream(dir / "in" / ("part-" + std::to_string(i) + ".wav"), std::ios::binary) << tone;
    }
    ASSERT_TRUE(WatchProcess::WaitFor([&] { return Lines(watch.Out()).size() >= kFiles || !watch.Running(); }))
        << Lines(watch.Out()).size() << " lines";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // nothing more may follow
    EXPECT_TRUE(watch.Stop()) << watch.Err();

    EXPECT_EQ(Lines(watch.Out()).size(), static_cast<size_t>(kFiles));
    std::map<std::string, test::JsonObject> objects;
    ASSERT_TRUE(watch.Objects(objects));
    ASSERT_EQ(objects.size(), static_cast<size_t>(kFiles));
    const std::map<int64_t, std::string> stored = StoredPaths(db);
    ASSERT_EQ(stored.size(), static_cast<size_t>(kFiles));
    for (const auto& [name, object] : objects) {
        const test::JsonValue serial = Get(object, "serial");
        ASSERT_EQ(serial.kind, test::JsonValue::Number) << name;
        const auto row = stored.find(static_cast<int64_t>(serial.number));
        ASSERT_NE(row, stored.end()) << name;
        EXPECT_EQ(row->second, (dir / "in" / name).string());
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kr70

namespace kr70 {
namespace {

TEST(FolderWatchTest, ABurstIsDeliveredExactlyOnce) {
    const fs::path dir = fs::absolute("scratch-burst-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "before.wav") << "present at start";
    FolderWatch watch;
    ASSERT_EQ(watch.Open(dir.string(), false), 0);
    for (int i = 0; i < 1000; ++i) {
        std::ofstream(dir / ("part-" + std::to_string(i) + ".WAV")) << i;
    }
    std::ofstream(dir / "part-7.tmp") << "not taken";
    // Opened for writing and closed again without a change: no new delivery.
    { std::ofstream again(dir / "part-0.WAV", std::ios::app); }
    std::set<std::string> seen;
    std::string path;
    int deliveries = 0;
    while (watch.Next(path, 300) == FolderWatch::Wake::File) {
        ++deliveries;
        seen.insert(fs::path(path).filename().string());
    }
    EXPECT_EQ(deliveries, 1000);
    EXPECT_EQ(seen.size(), 1000u);
    EXPECT_FALSE(seen.count("before.wav"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kr70
