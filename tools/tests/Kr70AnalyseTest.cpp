// kr70-analyse and kr70-demo-gen run as programs.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DemoSignals.h"
#include "FlatJson.h"
#include "ShellText.h"
#include "LmIni.h"

namespace kr70 {
namespace {

namespace fs = std::filesystem;
using test::FlatJsonReader;
using test::JsonObject;
using test::JsonValue;

// Exit code of a run whose files all loaded but failed the data-quality guard
// (the short and constant recordings below are such).
constexpr int kExitInvalid = 3;

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

using test::Quote;
using test::ReadAll;

class Kr70AnalyseTest : public ::testing::Test {
protected:
    Kr70AnalyseTest() {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::absolute(std::string("scratch-") + info->name() + "-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~Kr70AnalyseTest() override {
        std::error_code error;
        fs::remove_all(dir_, error);
    }

    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    ProgramRun Program(const std::string& program, const std::vector<std::string>& arguments) {
        std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(std::string(KR70_BIN_DIR) + "/" + program);
        for (const std::string& a : arguments) command += " " + Quote(a);
        command += " >" + Quote(File("stdout.txt")) + " 2>" + Quote(File("stderr.txt"));
        ProgramRun run;
        const int status = std::system(command.c_str());
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadAll(File("stdout.txt"));
        run.err = ReadAll(File("stderr.txt"));
        return run;
    }
    ProgramRun Analyse(const std::vector<std::string>& arguments) { return Program("kr70-analyse", arguments); }

    // Exit code of a run whose standard output is a full device.
    int ExitWithFullStdout(const std::string& program, const std::vector<std::string>& arguments) {
        std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(std::string(KR70_BIN_DIR) + "/" + program);
        for (const std::string& a : arguments) command += " " + Quote(a);
        command += " >/dev/full 2>/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The JSON objects of a --json run, one per line.
    static std::vector<JsonObject> Objects(const std::string& out) {
        std::vector<JsonObject> objects;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) {
            auto object = FlatJsonReader(line).Object();
            EXPECT_TRUE(object) << line;
            if (object) objects.push_back(*object);
        }
        return objects;
    }

    static const JsonValue& Get(const JsonObject& object, const std::string& key) {
        for (const auto& [k, v] : object) {
            if (k == key) return v;
        }
        static const JsonValue missing;
        ADD_FAILURE() << "no key " << key;
        return missing;
    }

    void WriteRaw(const std::string& name, const std::string& text) {
        std::ofstream(File(name), std::ios::binary) << text;
    }

    std::string WriteParams(const std::string& name, void (*edit)(LmIniRecord&)) {
        LmIniRecord record;
        LmIniInit(&record);
        edit(record);
        EXPECT_EQ(LmIniWrite(File(name).c_str(), &record), 0);
        return File(name);
    }

    fs::path dir_;
};

TEST_F(Kr70AnalyseTest, DemoRecordingsGetTheirVerdicts) {
    ProgramRun gen = Program("kr70-demo-gen", {"data"});
    ASSERT_EQ(gen.exitCode, 0) << gen.err;
    for (const char* name : {"demo-tone.wav", "demo-clicks.wav", "demo-noise.wav", "demo.ini"}) {
        EXPECT_TRUE(fs::exists(File(std::string("data/") + name))) << name;
    }
    ProgramRun run = Analyse({"--json", "--params", "data/demo.ini", "data/demo-tone.wav", "data/demo-clicks.wav",
                       "data/demo-noise.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<JsonObject> objects = Objects(run.out);
    ASSERT_EQ(objects.size(), 3u);
    const JsonObject& tone = objects[0];
    EXPECT_EQ(Get(tone, "file").text, "data/demo-tone.wav");
    EXPECT_TRUE(Get(tone, "loaded").boolean);
    EXPECT_EQ(Get(tone, "status").number, 0);
    EXPECT_EQ(Get(tone, "sampling_frequency").number, 22050);
    EXPECT_EQ(Get(tone, "points").number, 44100);
    EXPECT_EQ(Get(tone, "analysis_points").number, 44100);
    EXPECT_EQ(Get(tone, "fft_start").number, 0);
    EXPECT_EQ(Get(tone, "fft_length").number, 44100);
    EXPECT_EQ(Get(tone, "spectrum_size").number, 32768);
    EXPECT_NEAR(*Get(tone, "peaks_hz").array.at(0), 1000.0, 22050.0 / 32768.0);
    EXPECT_EQ(Get(tone, "square_mean_points").number, 44100);
    EXPECT_EQ(Get(tone, "exceeding_area").number, 0.0);
    EXPECT_EQ(Get(tone, "judgement").text, "OK");
    EXPECT_EQ(Get(objects[1], "judgement").text, "NG");
    EXPECT_GT(Get(objects[1], "exceeding_area").number, 1.0);
    EXPECT_EQ(Get(objects[2], "judgement").text, "NG");
    for (const JsonObject& demo : objects) {  // no false alarm of the data-quality guard
        EXPECT_TRUE(Get(demo, "quality")["valid"].boolean) << Get(demo, "file").text;
        EXPECT_TRUE(Get(demo, "quality")["checks"].items.empty());
    }

    // Without --params the defaults judge even the clean tone NG: the level
    // is 0, so the whole area exceeds the pass threshold of 1.
    ProgramRun defaults = Analyse({"--json", "data/demo-tone.wav"});
    ASSERT_EQ(defaults.exitCode, 0);
    const std::vector<JsonObject> plain = Objects(defaults.out);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(Get(plain[0], "total_area").number, Get(plain[0], "exceeding_area").number);
    EXPECT_EQ(Get(plain[0], "judgement").text, "NG");

    // The readable table names file and verdict.
    ProgramRun table = Analyse({"--params", "data/demo.ini", "data/demo-tone.wav", "data/demo-clicks.wav"});
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_NE(table.out.find("VERDICT"), std::string::npos);
    EXPECT_NE(table.out.find("data/demo-tone.wav"), std::string::npos);
    EXPECT_NE(table.out.find(" OK "), std::string::npos);
    EXPECT_NE(table.out.find(" NG "), std::string::npos);
}

TEST_F(Kr70AnalyseTest, InvalidRecordingsAreNamedWithTheirChecksAndExitCode3) {
    // One second at 8000 Hz: a 300 Hz tone, then the same tone clipped at
    // +full scale over samples 2000..2099 and dropped to zeros over 4104..4303.
    std::vector<double> tone(8000);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = std::sin(2 * M_PI * 300.0 * i / 8000.0);
    ASSERT_EQ(WriteWav16(File("clean.wav"), tone, 8000), 0);
    std::fill(tone.begin() + 2000, tone.begin() + 2100, 5.0);
    std::fill(tone.begin() + 4104, tone.begin() + 4304, 0.0);
    ASSERT_EQ(WriteWav16(File("bad.wav"), tone, 8000), 0);

    ProgramRun run = Analyse({"--json", "clean.wav", "bad.wav"});
    EXPECT_EQ(run.exitCode, kExitInvalid) << run.err;
    const std::vector<JsonObject> objects = Objects(run.out);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_TRUE(Get(objects[0], "quality")["valid"].boolean);
    const JsonValue& quality = Get(objects[1], "quality");
    EXPECT_FALSE(quality["valid"].boolean);
    EXPECT_EQ(quality["coding"].text, "16-bit");
    const std::vector<JsonValue>& checks = quality["checks"].items;
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0]["check"].text, "clipping");
    EXPECT_EQ(checks[0]["longest_run"].number, 100);
    EXPECT_EQ(checks[1]["check"].text, "dropout");
    EXPECT_EQ(checks[1]["position_count"].number, 1);
    const JsonValue& clip = checks[0]["positions"].items.at(0);
    EXPECT_EQ(clip["first"].number, 2000);
    EXPECT_EQ(clip["last"].number, 2099);
    EXPECT_EQ(clip["start_s"].number, 0.25);
    EXPECT_EQ(clip["end_s"].number, 0.2625);
    const JsonValue& dropout = checks[1]["positions"].items.at(0);
    EXPECT_EQ(dropout["first"].number, 4104);
    EXPECT_EQ(dropout["last"].number, 4303);
    // The verdict stays what the chain says.
    EXPECT_EQ(Get(objects[1], "judgement").text, "NG");

    ProgramRun table = Analyse({"clean.wav", "bad.wav"});
    EXPECT_EQ(table.exitCode, kExitInvalid);
    EXPECT_NE(table.out.find("NG INVALID"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("(clipping at 0.250 s, dropout at 0.513 s)"), std::string::npos) << table.out;
    EXPECT_EQ(table.out.find("INVALID"), table.out.rfind("INVALID"));  // the clean file is not

    // Limits of our own: a longer dropout limit leaves only the clipping.
    WriteRaw("limits.txt", "# bench 2\ndropout_ms = 50\n");
    ProgramRun limited = Analyse({"--json", "--quality", "limits.txt", "bad.wav"});
    EXPECT_EQ(limited.exitCode, kExitInvalid);
    ASSERT_EQ(Objects(limited.out).size(), 1u);
    EXPECT_EQ(Get(Objects(limited.out)[0], "quality")["checks"].items.size(), 1u);
    // A file that cannot be loaded outranks an invalid one; bad limits stop the run.
    EXPECT_EQ(Analyse({"bad.wav", "missing.wav"}).exitCode, 1);
    WriteRaw("typo.txt", "dropout = 50\n");
    ProgramRun refused = Analyse({"--quality", "typo.txt", "bad.wav"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("typo.txt' refused: line 1: unknown key 'dropout'"), std::string::npos) << refused.err;
}

TEST_F(Kr70AnalyseTest, RawDataFilesAreAnalysed) {
    // A step: the first difference squares to a single 1 (defaults: level 0,
    // pass threshold 1, so the area 1 fails).
    WriteRaw("step.rdt", "SampFreq=1000\nSize=6\n0\n0\n0\n1\n1\n1\n");
    ProgramRun run = Analyse({"--json", "step.rdt"});
    ASSERT_EQ(run.exitCode, kExitInvalid) << run.err;
    const std::vector<JsonObject> objects = Objects(run.out);
    ASSERT_EQ(objects.size(), 1u);
    const JsonObject& o = objects[0];
    EXPECT_EQ(Get(o, "sampling_frequency").number, 1000);
    EXPECT_EQ(Get(o, "points").number, 6);
    EXPECT_EQ(Get(o, "total_area").number, 1.0);
    EXPECT_EQ(Get(o, "exceeding_area").number, 1.0);
    EXPECT_EQ(Get(o, "judgement").text, "NG");
    EXPECT_EQ(Get(o, "spectrum_size").number, 4);
    for (const auto& peak : Get(o, "peaks_hz").array) EXPECT_FALSE(peak);  // too short for a peak
}

TEST_F(Kr70AnalyseTest, FilesNeverInfluenceEachOther) {
    std::vector<double> tone(8000);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = std::sin(2 * M_PI * 300.0 * i / 8000.0);
    ASSERT_EQ(WriteWav16(File("a.wav"), tone, 8000), 0);
    WriteRaw("b.rdt", "SampFreq=500\nSize=4\n0.5\n-0.5\n0.5\n-0.5\n");
    ProgramRun both = Analyse({"--json", "a.wav", "b.rdt"});
    ProgramRun alone = Analyse({"--json", "b.rdt"});
    ASSERT_EQ(both.exitCode, kExitInvalid);
    ASSERT_EQ(alone.exitCode, kExitInvalid);
    const std::string lastOfBoth = both.out.substr(both.out.find('\n') + 1);
    EXPECT_EQ(lastOfBoth, alone.out);
}

TEST_F(Kr70AnalyseTest, UnloadableFilesAreReportedAndMakeTheExitCodeNonZero) {
    WriteRaw("garbage.wav", "RIFF....WAVEjunk");
    std::vector<double> tone(100, 0.25);
    ASSERT_EQ(WriteWav16(File("ok.wav"), tone, 8000), 0);
    ProgramRun run = Analyse({"--json", "missing.wav", "garbage.wav", "ok.wav"});
    EXPECT_EQ(run.exitCode, 1);
    const std::vector<JsonObject> objects = Objects(run.out);
    ASSERT_EQ(objects.size(), 3u);
    ASSERT_EQ(objects[0].size(), 2u);
    EXPECT_EQ(Get(objects[0], "file").text, "missing.wav");
    EXPECT_FALSE(Get(objects[0], "loaded").boolean);
    EXPECT_FALSE(Get(objects[1], "loaded").boolean);
    EXPECT_TRUE(Get(objects[2], "loaded").boolean);
    EXPECT_NE(run.err.find("kr70-analyse: missing.wav: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("kr70-analyse: garbage.wav: "), std::string::npos) << run.err;
    // The reasons of the window's boxes, on the same line as the message.
    EXPECT_NE(run.err.find(" missing.wav: the file does not exist.\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" garbage.wav: the WAV header ends after 16 bytes, before the data chunk.\n"),
              std::string::npos)
        << run.err;
}

TEST_F(Kr70AnalyseTest, AMeasureThatFailsGivesNullFiguresAndItsStatus) {
    std::vector<double> tone(1000, 0.1);
    ASSERT_EQ(WriteWav16(File("t.wav"), tone, 8000), 0);
    const std::string params = WriteParams("smooth0.ini", [](LmIniRecord& r) { r.lHeikatu = 0; });
    ProgramRun run = Analyse({"--json", "--params", params, "t.wav"});
    ASSERT_EQ(run.exitCode, kExitInvalid) << run.err;
    const std::vector<JsonObject> objects = Objects(run.out);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(Get(objects[0], "status").number, -1);  // DoSquare refuses smoothing 0
    EXPECT_EQ(Get(objects[0], "total_area").kind, JsonValue::Null);
    EXPECT_EQ(Get(objects[0], "exceeding_area").kind, JsonValue::Null);
    EXPECT_EQ(Get(objects[0], "judgement").kind, JsonValue::Null);
    EXPECT_EQ(Get(objects[0], "square_mean_points").number, 0);
}

TEST_F(Kr70AnalyseTest, AFilterThatCannotBeBuiltForTheFileIsReportedAndNotUsed) {
    std::vector<double> tone(4000);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = std::sin(2 * M_PI * 100.0 * i / 8000.0);
    ASSERT_EQ(WriteWav16(File("slow.wav"), tone, 8000), 0);
    const std::string params = WriteParams("lpf.ini", [](LmIniRecord& r) {
        r.lFltGO = 1;
        r.lFltLng = 256;
        r.lSyaDanFreq = 5000;
    });
    ProgramRun run = Analyse({"--json", "--save", "out", "--params", params, "slow.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("kr70-analyse: slow.wav: "), std::string::npos) << run.err;
    const std::vector<JsonObject> objects = Objects(run.out);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(Get(objects[0], "status").number, 0);
    EXPECT_NE(ReadAll(File("out/slow.adt")).find("FreqFilterType=NONE\n"), std::string::npos);
}

TEST_F(Kr70AnalyseTest, SaveWritesTheSixResultFiles) {
    std::vector<double> tone(3000);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5 * std::sin(2 * M_PI * 1000.0 * i / 11025.0);
    ASSERT_EQ(WriteWav16(File("w.wav"), tone, 11025), 0);
    const std::string params = WriteParams("bpf.ini", [](LmIniRecord& r) {
        r.lFltGO = 1;
        std::snprintf(r.cFltCase, sizeof r.cFltCase, "BPF");
        r.lFltLng = 128;
        r.lTukaTaiMin = 500;
        r.lTukaTaiMax = 2000;
    });
    ProgramRun run = Analyse({"--save", "results", "--params", params, "w.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* ext : {".rdt", ".adt", ".ydt", ".spd", ".ysp", ".sdt"}) {
        EXPECT_TRUE(fs::exists(File(std::string("results/w") + ext))) << ext;
    }
    EXPECT_FALSE(fs::exists(File("results/w.dsd")));
    EXPECT_EQ(ReadAll(File("results/w.rdt")).rfind("SampFreq=11025\nSize=3000\n", 0), 0u);
    const std::string adt = ReadAll(File("results/w.adt"));
    EXPECT_EQ(adt.rfind("RawData=w.wav\nSampPitch=1\nStart=0\nLen=3000\nFreqFilterType=BPF\n"
                        "FreqFilterTap=128\nFreqFilterFreq=500,2000\nSampFreq=11025\nSize=3000\n",
                        0),
              0u)
        << adt.substr(0, 200);
    const std::string sdt = ReadAll(File("results/w.sdt"));
    EXPECT_NE(sdt.find("SampPitchIonSquare=1\nSmooth=1\nThreshPeak=1.0000000000\nPeakAnlz=FALSE\n"),
              std::string::npos);
    const std::string spd = ReadAll(File("results/w.spd"));
    EXPECT_NE(spd.find("SampFreq=11025\nSize=2048\n"), std::string::npos);

    // A raw-data file analysed in the save directory is not written onto itself.
    fs::copy_file(File("results/w.rdt"), File("results/r.rdt"));
    const auto before = fs::last_write_time(File("results/r.rdt"));
    ProgramRun again = Analyse({"--save", "results", "results/r.rdt"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(fs::last_write_time(File("results/r.rdt")), before);
    EXPECT_TRUE(fs::exists(File("results/r.adt")));
}

TEST_F(Kr70AnalyseTest, BadOptionsAndUnreadableParameterFilesStopTheRun) {
    std::vector<double> tone(100, 0.1);
    ASSERT_EQ(WriteWav16(File("t.wav"), tone, 8000), 0);
    WriteRaw("index.ini", "cFileID = LmParaIndxFile\n");
    ProgramRun params = Analyse({"--json", "--params", "index.ini", "t.wav"});
    EXPECT_EQ(params.exitCode, 2);
    EXPECT_EQ(params.out, "");
    EXPECT_NE(params.err.find("index.ini"), std::string::npos);
    EXPECT_NE(params.err.find("status 9"), std::string::npos) << params.err;
    ProgramRun missing = Analyse({"--params", "none.ini", "t.wav"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("none.ini"), std::string::npos);

    EXPECT_EQ(Analyse({"--frobnicate", "t.wav"}).exitCode, 2);
    EXPECT_EQ(Analyse({"--json"}).exitCode, 2);
    EXPECT_EQ(Analyse({"t.wav", "--params"}).exitCode, 2);
    ProgramRun unknown = Analyse({"-x", "t.wav"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown option -x"), std::string::npos);
    ProgramRun help = Analyse({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: kr70-analyse"), std::string::npos);
    EXPECT_NE(help.out.find("--save DIR"), std::string::npos);
    // "--" lets a file name start with a dash.
    fs::copy_file(File("t.wav"), File("-t.wav"));
    EXPECT_EQ(Analyse({"--json", "--", "-t.wav"}).exitCode, kExitInvalid);
}

TEST_F(Kr70AnalyseTest, DemoGeneratorKeepsExistingFilesUnlessForced) {
    ASSERT_EQ(Program("kr70-demo-gen", {"--seconds", "0.5", "d"}).exitCode, 0);
    EXPECT_EQ(fs::file_size(File("d/demo-tone.wav")), 44u + 2u * 11025u);
    ProgramRun again = Program("kr70-demo-gen", {"--seconds", "1", "d"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(fs::file_size(File("d/demo-tone.wav")), 44u + 2u * 11025u);
    ASSERT_EQ(Program("kr70-demo-gen", {"--force", "--rate", "8000", "--seconds", "1", "d"}).exitCode, 0);
    EXPECT_EQ(fs::file_size(File("d/demo-noise.wav")), 44u + 2u * 8000u);
    EXPECT_EQ(Program("kr70-demo-gen", {"--rate", "0", "d"}).exitCode, 2);
    EXPECT_EQ(Program("kr70-demo-gen", {}).exitCode, 2);
}

TEST_F(Kr70AnalyseTest, SaveNeverReplacesAnInputOrTheResultsOfAnEarlierFile) {
    fs::create_directories(File("A"));
    fs::create_directories(File("B"));
    WriteRaw("A/x.rdt", "SampFreq=1000\nSize=4\n0.1\n0.2\n0.3\n0.4\n");
    WriteRaw("B/x.rdt", "SampFreq=2000\nSize=4\n0.5\n0.6\n0.7\n0.8\n");
    ProgramRun run = Analyse({"--save", "A", "A/x.rdt", "B/x.rdt"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadAll(File("A/x.rdt")), "SampFreq=1000\nSize=4\n0.1\n0.2\n0.3\n0.4\n");
    EXPECT_NE(run.err.find("B/x.rdt: results not saved"), std::string::npos) << run.err;
    EXPECT_NE(ReadAll(File("A/x.adt")).find("RawData=A/x.rdt\n"), std::string::npos);

    // Two inputs with one base name: the second is refused, the first kept.
    ProgramRun twice = Analyse({"--save", "R", "A/x.rdt", "B/x.rdt"});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_NE(twice.err.find("would replace those of A/x.rdt"), std::string::npos) << twice.err;
    EXPECT_EQ(ReadAll(File("R/x.rdt")).rfind("SampFreq=1000\n", 0), 0u);
}

TEST_F(Kr70AnalyseTest, EveryProgramReportsAFailedWriteOfItsOutput) {
    WriteRaw("t.rdt", "SampFreq=1000\nSize=2\n0.1\n0.2\n");
    EXPECT_NE(ExitWithFullStdout("kr70-analyse", {"--help"}), 0);
    EXPECT_NE(ExitWithFullStdout("kr70-analyse", {"t.rdt"}), 0);
    EXPECT_NE(ExitWithFullStdout("kr70-analyse", {"--json", "t.rdt"}), 0);
    EXPECT_NE(ExitWithFullStdout("kr70-demo-gen", {"--help"}), 0);
    EXPECT_NE(ExitWithFullStdout("kr70-demo-gen", {"--seconds", "0.1", "d"}), 0);
}

TEST_F(Kr70AnalyseTest, ASaveKilledAtRandomLeavesEveryEarlierResultComplete) {
    std::string text = "SampFreq=20000\nSize=60000\n";
    for (int i = 0; i < 60000; ++i) text += std::to_string(std::sin(i * 0.05)) + "\n";
    WriteRaw("k.rdt", text);
    const std::vector<std::string> arguments = {"kr70-analyse", "--save", "out", "k.rdt"};
    ASSERT_EQ(Analyse({"--save", "out", "k.rdt"}).exitCode, 0);
    const char* kinds[] = {".rdt", ".adt", ".ydt", ".spd", ".ysp", ".sdt"};
    std::vector<std::string> complete;
    for (const char* kind : kinds) complete.push_back(ReadAll(File(std::string("out/k") + kind)));

    const auto start = [&] {
        std::vector<char*> argv;
        std::vector<std::string> copy = arguments;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string program = std::string(KR70_BIN_DIR) + "/kr70-analyse";
        const std::string cwd = dir_.string();
        pid_t pid = -1;
        const std::string previous = fs::current_path().string();
        fs::current_path(cwd);
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        fs::current_path(previous);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    };
    // How long one whole run takes, so that the kills spread over it.
    const auto began = std::chrono::steady_clock::now();
    pid_t pid = start();
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    const auto runMicros = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - began).count();
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        pid = start();
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (runMicros + 1)));
        kill(pid, SIGKILL);
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        for (size_t k = 0; k < complete.size(); ++k) {
            ASSERT_EQ(ReadAll(File(std::string("out/k") + kinds[k])), complete[k])
                << kinds[k] << " after a kill in round " << round;
        }
    }
}

}  // namespace
}  // namespace kr70
