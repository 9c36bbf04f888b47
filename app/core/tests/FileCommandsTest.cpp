// Parameter-file and environment-file commands with the file-name dialog 1064,
// over the scripted UI port and a scripted recorder.
#include <gtest/gtest.h>

#include <filesystem>

#include "EnvironmentFile.h"
#include "FakeUiPort.h"
#include "FileNameDialog.h"
#include "Kr70TextIds.h"
#include "ParameterFileCommands.h"
#include "TestFiles.h"

namespace kr70 {
namespace {

namespace fs = std::filesystem;
using test::FakeUiPort;

// The dialog 1064 as a user fills it: name typed, "保存" pressed until it
// closes or the user gives up (cancel).
void ScriptFileNameDialog(FakeUiPort& port, const std::string& directory, const std::string& name) {
    port.Script([directory, name](int32_t dialogId, DialogValues& values) {
        EXPECT_EQ(dialogId, kDialogFileName);
        FileNameDialog& dialog = dynamic_cast<FileNameDialogValues&>(values).dialog;
        if (!directory.empty()) dialog.directory = directory;
        dialog.name = name;
        return dialog.Save();
    });
}

class FileCommandsTest : public ::testing::Test {
protected:
    FileCommandsTest() : state(port) {
        profile.setString("DirPosPlus", "DirDefaultPlus", dir.Path().string());
        state.InitializeParameters("");
    }
    test::ScratchDirectory dir;
    FakeUiPort port;
    MemoryProfile profile;
    AnalysisState state;
};

TEST_F(FileCommandsTest, SavedNameGivesTheFileNumberAndFilterOffKeepsItsKind) {
    state.Settings().filterType = kFilterNone;
    state.Settings().filterKindSelection = kFilterBpf;
    ScriptFileNameDialog(port, "", "abc.007");
    ASSERT_TRUE(SaveParameterFileCommand(state, profile));
    const std::string saved = dir.File("abc.007");
    EXPECT_EQ(state.Settings().parameterFile, saved);
    EXPECT_EQ(state.Settings().fileNumber, 7);
    LmIniRecord record;
    ASSERT_EQ(LmIniRead(saved.c_str(), &record), LMINI_OK);
    EXPECT_STREQ(record.cFltCase, "BPF");
    EXPECT_EQ(record.lFltGO, 0);
    EXPECT_EQ(std::string(record.cSaveFile), dir.File("abc"));

    // The dialog now proposes the file in use; a bare name gets ".ini".
    port.Script([&](int32_t, DialogValues& values) {
        FileNameDialog& dialog = dynamic_cast<FileNameDialogValues&>(values).dialog;
        EXPECT_EQ(dialog.TitleId(), text::kTitleSaveParameterFile);
        EXPECT_EQ(dialog.directory, dir.Path().string());
        EXPECT_EQ(dialog.name, "abc.007");
        dialog.name = "abc";
        return dialog.Save();
    });
    ASSERT_TRUE(SaveParameterFileCommand(state, profile));
    EXPECT_EQ(state.Settings().fileNumber, 1);
    EXPECT_TRUE(fs::exists(dir.File("abc.ini")));

    AnalysisState loaded(port);
    loaded.InitializeParameters("");
    ASSERT_TRUE(ApplyParameterFile(loaded, saved));
    EXPECT_EQ(loaded.Settings().filterType, kFilterNone);
    EXPECT_EQ(loaded.Settings().filterKindSelection, kFilterBpf);
}

TEST_F(FileCommandsTest, SaveAsksOnceOverAnExistingFileAndAFailedWriteKeepsTheDialogOpen) {
    test::WriteText(dir.File("old.ini"), "cFileID = LmParaFile\n");
    ScriptFileNameDialog(port, "", "old.ini");  // No to replacing
    EXPECT_FALSE(SaveParameterFileCommand(state, profile));
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{text::kAskOverwrite});
    EXPECT_EQ(test::ReadText(dir.File("old.ini")), "cFileID = LmParaFile\n");

    // An empty name, then a write that fails: each keeps the dialog open.
    port.messages.clear();
    LmIniRecord record;
    LmIniInit(&record);
    EXPECT_FALSE(WriteParameterFile(state, record, dir.File("gone/p.ini")));
    ScriptFileNameDialog(port, "", "");
    EXPECT_FALSE(SaveParameterFileCommand(state, profile));
    EXPECT_EQ(port.MessageIds(), (std::vector<int32_t>{text::kMsgParameterFileNotWritten, text::kMsgFileNameEmpty}));
    EXPECT_TRUE(state.Settings().parameterFile.empty());
}

TEST_F(FileCommandsTest, OpeningReloadsTheSelectedFileAndAMalformedFileChangesNothing) {
    const std::string wav = dir.File("t.wav");
    test::WavBuilder builder;
    builder.Samples16(test::SineSamples(4410, 1000.0, 22050, 1.0));
    builder.Write(wav);
    ASSERT_EQ(state.LoadWaveform(wav), 1);
    LmIniRecord record;
    LmIniInit(&record);
    record.fPSikiiMen = 0.25;
    record.lSmpPitch = 2;
    const std::string params = dir.File("p.ini");
    ASSERT_EQ(LmIniWrite(params.c_str(), &record), LMINI_OK);
    port.comboSelected[1094] = wav;
    port.fileChoices = {{params}};
    ASSERT_TRUE(OpenParameterFileCommand(state, profile));
    EXPECT_EQ(port.fileRequests.back().filters[0].descriptionId, text::kFilterParameterFile);
    EXPECT_EQ(state.Settings().peakThreshold, 0.25);
    // Reloaded with the new pitch: half the points.
    EXPECT_EQ(state.AnalysisWaveform().GetSize(), 2205u);

    test::WriteText(dir.File("bad.ini"), "lSmpPitch = 4\n");  // no cFileID
    EXPECT_FALSE(ApplyParameterFile(state, dir.File("bad.ini")));
    EXPECT_EQ(state.Settings().samplingPitch, 2u);
    EXPECT_EQ(state.Settings().peakThreshold, 0.25);
    EXPECT_EQ(port.MessageIds().back(), text::kMsgParameterFileNotRead);
}

TEST(FileNameDialogRules, ExtensionsAndStemQuestion) {
    MemoryProfile profile;
    profile.setString("DirPosPlus", "DirDefaultPlus", "/d");
    FakeUiPort port;
    FileNameDialog environment(port, profile, FileNameMode::Environment, "");
    EXPECT_EQ(environment.directory, "/d");
    EXPECT_EQ(environment.WithExtensionRule("x"), "x.bet");
    EXPECT_EQ(environment.WithExtensionRule("x."), "x.bet");
    EXPECT_EQ(environment.WithExtensionRule("x.007"), "x.007");
    test::ScratchDirectory dir;
    FileNameDialog stem(port, profile, FileNameMode::Stem, dir.File("run.wav"));
    EXPECT_EQ(stem.name, "run");
    EXPECT_FALSE(stem.Save());  // No to the question
    port.yesNoAnswers = {true};
    EXPECT_TRUE(stem.Save());
    EXPECT_EQ(stem.Result(), dir.File("run"));
    EXPECT_EQ(port.shown.back().captionId, text::kCaptionConfirmStem);
    EXPECT_EQ(FileNumberFromName("/a/abc.007"), 7);
    EXPECT_EQ(FileNumberFromName("/a/abc.ini"), 1);
}

// A facade whose board switches and initialisations answer as scripted.
class ScriptedRecorder : public Recorder {
public:
    int switchResult[3] = {0, 0, 0};  // by board kind
    int failInitializations = 0;  // the next n initialisations fail
    std::vector<std::string> calls;
    unsigned count = 5000, frequency = 50000;
    int channel = 1;

    int ChangeBoardSet(int32_t kind, int) override {
        calls.push_back("switch " + std::to_string(kind));
        return switchResult[kind];
    }
    int32_t GetBoardKind() const override { return 0; }
    int Initialize(int, int channelNumber, int, unsigned points, unsigned rate, uint32_t) override {
        calls.push_back("init " + std::to_string(channelNumber) + " " + std::to_string(points) + " " +
                        std::to_string(rate));
        if (failInitializations > 0) return --failInitializations, -100;
        count = points, frequency = rate, channel = channelNumber;
        return 0;
    }
    int StartRec(void*, const char*) override { return 0; }
    int StopRec() override { return 0; }
    int GetData(double*, int32_t, int32_t) override { return 0; }
    int Halt() override { return 0; }
    unsigned GetCount() const override { return count; }
    unsigned GetSampFreq() const override { return frequency; }
};

class EnvironmentFileTest : public FileCommandsTest {
protected:
    EnvironmentFileTest()
        : acquisition(state, recorder, [this] { return dir.Path().string(); }),
          commands(state, acquisition, recorder, profile, false) {
        // An A/D board on channel 2 recording 100 ms at 50000 Hz.
        acquisition.Board().kind = 2;
        state.SetBoardKind(2);
        state.Settings().channel = 2;
        state.Settings().samplingFrequency = 50000;
        state.Settings().dataPoints = 5000;
        state.Settings().fileStem = "old";
    }
    std::string Write(const std::string& name, const std::string& body) {
        const std::string path = dir.File(name);
        test::WriteText(path, "FileID = LmEnvFile\n" + body);
        return path;
    }
    ScriptedRecorder recorder;
    AcquisitionCommands acquisition;
    EnvironmentFileCommands commands;
};

TEST_F(EnvironmentFileTest, InvalidFilesChangeNothing) {
    const char* bodies[] = {"Channel = 5\n", "WaitTime = 1001\n", "BoardFlag = 1\nFrequency = 50000\n",
                            "BoardFlag = 2\nFrequency = 48000\n", "FileName = \n", "Channel = two\n"};
    for (const char* body : bodies) {
        EXPECT_EQ(commands.OpenFile(Write("bad.bet", body)), EnvironmentOpenOutcome::Rejected) << body;
        EXPECT_EQ(port.MessageIds().back(), text::kMsgEnvironmentValueInvalid) << body;
    }
    test::WriteText(dir.File("plain.bet"), "FileName = x\n");
    EXPECT_EQ(commands.OpenFile(dir.File("plain.bet")), EnvironmentOpenOutcome::Rejected);
    EXPECT_EQ(port.MessageIds().back(), text::kMsgEnvironmentFileNotRead);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(state.Settings().fileStem, "old");
    EXPECT_TRUE(commands.Path().empty());
}

TEST_F(EnvironmentFileTest, SoundCardFileUsesChannelOneAndAMissingTriggerFlagIsZero) {
    state.Settings().triggerFlag = 1;
    const std::string path =
        Write("sc.bet", "FileName = run\nFileNumber = 12\nBoardFlag = 1\nChannel = 3\nFrequency = 22050\n"
                        "GainTime = 200\nRdtFlag = 1\n");
    EXPECT_EQ(commands.OpenFile(path), EnvironmentOpenOutcome::Applied);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"switch 1", "init 1 4410 22050"}));
    const AnalysisSettings& s = state.Settings();
    EXPECT_EQ(acquisition.Board().kind, 1);
    EXPECT_EQ(state.BoardKind(), 1);
    EXPECT_EQ(s.channel, 1);
    EXPECT_EQ(s.triggerFlag, 0);
    EXPECT_EQ(s.fileStem, "run");
    EXPECT_EQ(s.fileNumber, 12);
    EXPECT_EQ(s.samplingFrequency, 22050u);
    EXPECT_EQ(s.acquisitionTimeMs, 200.0);
    EXPECT_EQ(s.recordBufferTimeMs, 400);
    EXPECT_TRUE(acquisition.RawDataFlag());
    EXPECT_EQ(commands.Path(), path);
}

TEST_F(EnvironmentFileTest, AFailedBoardSwitchKeepsBoardChannelFrequencyAndTime) {
    recorder.switchResult[1] = -99;
    const std::string path = Write("sc.bet", "FileName = run\nBoardFlag = 1\nFrequency = 44100\nGainTime = 300\n");
    EXPECT_EQ(commands.OpenFile(path), EnvironmentOpenOutcome::BoardKept);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{text::kMsgNoBoard});
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"switch 1", "switch 2", "init 2 5000 50000"}));
    EXPECT_EQ(acquisition.Board().kind, 2);
    EXPECT_EQ(state.Settings().channel, 2);
    EXPECT_EQ(state.Settings().samplingFrequency, 50000u);
    EXPECT_EQ(state.Settings().acquisitionTimeMs, 100.0);
    EXPECT_EQ(state.Settings().fileStem, "run");

    // The old board cannot come back either: the board is released.
    recorder.switchResult[2] = -99;
    EXPECT_EQ(commands.OpenFile(path), EnvironmentOpenOutcome::BoardReleased);
    EXPECT_EQ(port.MessageIds().back(), text::kMsgBoardNotInitialised);
    EXPECT_EQ(acquisition.Board().available, 0);
    EXPECT_EQ(state.BoardKind(), 0);
}

TEST_F(EnvironmentFileTest, SettingsTheRecorderRefusesAreNotTaken) {
    recorder.failInitializations = 1;
    EXPECT_EQ(commands.OpenFile(Write("a.bet", "FileName = run\nBoardFlag = 2\nFrequency = 10000\n")),
              EnvironmentOpenOutcome::Rejected);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{text::kMsgNoBoard});
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{"init 1 1000 10000", "switch 2", "init 2 5000 50000"}));
    EXPECT_EQ(state.Settings().fileStem, "old");
    EXPECT_EQ(state.Settings().samplingFrequency, 50000u);
}

TEST_F(EnvironmentFileTest, SaveWritesTheTenKeysAndAFailedWriteLeavesNoFile) {
    state.Settings().fileNumber = 4;
    state.Settings().acquisitionTimeMs = 250.7;
    ScriptFileNameDialog(port, "", "bench");
    ASSERT_TRUE(commands.SaveCommand());
    const std::string saved = dir.File("bench.bet");
    EXPECT_EQ(test::ReadText(saved),
              "FileID = LmEnvFile\nFileName = old\nFileNumber = 4\nRdtFlag = 0\nTriggerFlag = 0\nBoardFlag = 2\n"
              "Channel = 2\nFrequency = 50000\nGainTime = 250\nWaitTime = 0\n");
    EXPECT_EQ(commands.Path(), saved);
    EnvironmentValues read;
    EXPECT_EQ(ReadEnvironmentFile(saved, 2, read), EnvironmentReadStatus::Ok);

    // A target inside a file cannot be written: message 2127, nothing left.
    test::WriteText(dir.File("blocker"), "x");
    EXPECT_FALSE(WriteEnvironmentFile(dir.File("blocker/e.bet"), read));
    // Through the dialog (a directory nobody can create files in): 2127 and
    // the dialog stays open.
    ScriptFileNameDialog(port, "/proc", "e.bet");
    EXPECT_FALSE(commands.SaveCommand());
    EXPECT_EQ(port.MessageIds().back(), text::kMsgEnvironmentFileNotWritten);
    EXPECT_EQ(commands.Path(), saved);
}

}  // namespace
}  // namespace kr70
