// Board detection and the acquire command over a scripted recorder.
#include "Acquisition.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "AnalysisState.h"
#include "FakeUiPort.h"
#include "TestFiles.h"

namespace kr70 {
namespace {

using test::FakeUiPort;

// A facade whose boards answer as scripted. StartRec writes the WAV file the
// real recorders would write: the given name for the sound card, "<base>#CC.wav"
// for the A/D board.
class FakeRecorder : public Recorder {
public:
    int probe[3] = {-99, -99, -99};  // ChangeBoardSet result per kind; [0] is the A/D-then-sound probe
    int initializeResult = 0;
    int startResult = 0;
    int channel = 1;
    std::vector<std::pair<int32_t, int>> changes;  // (kind, fileOnly)
    std::vector<int> initializedChannels;
    std::string lastBase;
    int stops = 0;

    int ChangeBoardSet(int32_t kind, int fileOnly) override {
        changes.emplace_back(kind, fileOnly);
        if (fileOnly) return 0;
        int result = probe[kind];
        kind_ = 0;
        if (result == 0) kind_ = kind == 0 ? (probe[2] == 0 ? 2 : 1) : kind;
        return result;
    }
    int32_t GetBoardKind() const override { return kind_; }
    int Initialize(int, int channelNumber, int, unsigned count, unsigned frequency, uint32_t) override {
        initializedChannels.push_back(channelNumber);
        channel = channelNumber;
        count_ = count;
        frequency_ = frequency;
        return initializeResult;
    }
    int StartRec(void*, const char* baseName) override {
        lastBase = baseName;
        if (startResult != 0) return startResult;
        test::WavBuilder wav;
        wav.sampleRate = frequency_;
        wav.Samples16(std::vector<int16_t>(count_, 1000));
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "#%02d.wav", channel);
        wav.Write(kind_ == 1 ? lastBase : lastBase + suffix);
        return 0;
    }
    int StopRec() override { return ++stops, 0; }
    int GetData(double* out, int32_t, int32_t) override {
        for (unsigned i = 0; i < count_; ++i) out[i] = 0.25;
        return 0;
    }
    int Halt() override { return 0; }
    unsigned GetCount() const override { return count_; }
    unsigned GetSampFreq() const override { return frequency_; }

private:
    int32_t kind_ = 0;
    unsigned count_ = 0;
    unsigned frequency_ = 0;
};

class AcquisitionTest : public ::testing::Test {
protected:
    AcquisitionTest() : state(port), commands(state, recorder, [this] { return data.Path().string(); }) {}

    // A machine with a sound card, and optionally an A/D board.
    void Machine(bool adBoard, bool soundCard) {
        recorder.probe[1] = soundCard ? 0 : -99;
        recorder.probe[2] = adBoard ? 0 : -99;
        recorder.probe[0] = adBoard || soundCard ? 0 : -99;
    }

    test::ScratchDirectory data;
    FakeUiPort port;
    AnalysisState state;
    FakeRecorder recorder;
    AcquisitionCommands commands;
};

TEST_F(AcquisitionTest, SoundCardOnlyGivesKindOneChannelOne) {
    Machine(false, true);
    state.Settings().channel = 3;
    commands.DetectBoard();
    EXPECT_EQ(commands.Board().available, 1);
    EXPECT_EQ(commands.Board().kind, 1);
    EXPECT_EQ(commands.Board().choiceState, 1);
    EXPECT_EQ(state.Settings().channel, 1);
    EXPECT_EQ(recorder.initializedChannels, std::vector<int>{1});
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(AcquisitionTest, AdBoardAndSoundCardGiveStateThreeAt50kHz) {
    Machine(true, true);
    commands.DetectBoard();
    EXPECT_EQ(commands.Board().kind, 2);
    EXPECT_EQ(commands.Board().choiceState, 3);
    EXPECT_EQ(state.Settings().samplingFrequency, 50000u);
    EXPECT_EQ(state.Settings().dataPoints, 5000u);
    EXPECT_EQ(state.BoardKind(), 2);
    // Probe, sound-card check, back to the A/D board.
    ASSERT_EQ(recorder.changes.size(), 3u);
    EXPECT_EQ(recorder.changes[1].first, 1);
}

TEST_F(AcquisitionTest, NoBoardAndFailedInitialisation) {
    Machine(false, false);
    commands.DetectBoard();
    EXPECT_EQ(commands.Board().available, 0);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2002});
    EXPECT_EQ(commands.Board().reasonTextId, 2002);

    FakeUiPort port2;
    AnalysisState state2(port2);
    FakeRecorder recorder2;
    recorder2.probe[0] = recorder2.probe[2] = 0;
    recorder2.initializeResult = -100;
    AcquisitionCommands commands2(state2, recorder2, [] { return std::string(); });
    commands2.DetectBoard();
    EXPECT_EQ(port2.MessageIds(), std::vector<int32_t>{2004});
    EXPECT_EQ(recorder2.changes.back(), std::make_pair(2, 1));  // file-only mode
    EXPECT_EQ(commands2.Board().available, 0);
    EXPECT_EQ(commands2.Board().kind, 0);
    EXPECT_EQ(commands2.Board().choiceState, 0);
    EXPECT_EQ(commands2.Acquire(nullptr, {}), AcquireOutcome::NoBoard);
    EXPECT_TRUE(recorder2.lastBase.empty());
}

TEST_F(AcquisitionTest, SoundCardRecordingIsNamedLoadedAndNumbered) {
    Machine(false, true);
    commands.DetectBoard();
    state.Settings().triggerFlag = 1;  // ignored for the sound card
    std::vector<bool> frame;
    EXPECT_EQ(commands.Acquire(nullptr, [&](bool on) { frame.push_back(on); }), AcquireOutcome::Loaded);
    EXPECT_EQ(recorder.lastBase, data.File("LmWAData-001#01.wav"));
    EXPECT_EQ(state.Settings().fileNumber, 2);
    EXPECT_EQ(state.Settings().triggerFlag, 0);
    EXPECT_TRUE(port.dialogs.empty());
    EXPECT_EQ(state.Settings().currentFile, data.File("LmWAData-001#01.wav"));
    std::string recent;
    ASSERT_EQ(state.RecentFiles().Get(0, recent), 1);
    EXPECT_EQ(recent, data.File("LmWAData-001#01.wav"));
    EXPECT_EQ(frame, (std::vector<bool>{false, true}));
    EXPECT_EQ(port.waitDepth, 0);
}

TEST_F(AcquisitionTest, AdBoardChannelThreeLoadsItsChannelFileAndWritesRawData) {
    Machine(true, false);
    commands.DetectBoard();
    state.Settings().channel = 3;
    commands.RawDataFlag() = true;
    recorder.channel = 3;
    EXPECT_EQ(commands.Acquire(nullptr, {}), AcquireOutcome::Loaded);
    EXPECT_EQ(recorder.lastBase, data.File("LmWAData-001"));
    EXPECT_EQ(state.Settings().currentFile, data.File("LmWAData-001#03.wav"));
    EXPECT_TRUE(std::filesystem::is_regular_file(data.File("LmWAData-001#03.rdt")));
    EXPECT_EQ(state.RawWaveform().GetSize(), 5000u);
}

TEST_F(AcquisitionTest, FailedRawDataSaveKeepsTheFileNumber) {
    Machine(true, false);
    commands.DetectBoard();
    commands.RawDataFlag() = true;
    std::filesystem::create_directory(data.File("LmWAData-001#01.rdt"));  // cannot be written as a file
    EXPECT_EQ(commands.Acquire(nullptr, {}), AcquireOutcome::RawDataFailed);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2010});
    EXPECT_EQ(state.Settings().fileNumber, 1);
}

TEST_F(AcquisitionTest, RecorderFailuresAndOverrun) {
    Machine(true, false);
    commands.DetectBoard();
    recorder.startResult = -98;
    EXPECT_EQ(commands.Acquire(nullptr, {}), AcquireOutcome::Refused);
    recorder.startResult = -100;
    EXPECT_EQ(commands.Acquire(nullptr, {}), AcquireOutcome::Failed);
    EXPECT_EQ(port.MessageIds(), (std::vector<int32_t>{2020, 2005}));
    EXPECT_EQ(state.Settings().fileNumber, 1);
    commands.OnCardMessage(1);
    commands.OnCardMessage(2);
    EXPECT_EQ(recorder.stops, 1);
}

TEST_F(AcquisitionTest, TriggerFlagOnTheAdBoardHandsOverToTheTriggerDialog) {
    Machine(true, false);
    commands.DetectBoard();
    state.Settings().triggerFlag = 1;
    port.Accept<TriggeredAcquisitionValues>([this](TriggeredAcquisitionValues& values) {
        EXPECT_EQ(values.samplingFrequency, 50000u);
        EXPECT_EQ(values.fileStem, (data.Path() / "LmWAData").string());  // in the data directory
        values.fileNumber = 7;
    });
    EXPECT_EQ(commands.Acquire(nullptr, {}), AcquireOutcome::TriggerDialog);
    ASSERT_EQ(port.dialogs.size(), 1u);
    EXPECT_EQ(port.dialogs[0].dialogId, kDialogTriggeredAcquisition);
    EXPECT_EQ(state.Settings().fileNumber, 7);
    EXPECT_TRUE(recorder.lastBase.empty());
}

}  // namespace
}  // namespace kr70

namespace kr70 {
namespace {

TEST_F(AcquisitionTest, SettingsReconfigureTheBoardOrRetryAndRestore) {
    Machine(true, true);
    commands.DetectBoard();
    // Accepted: switching to the sound card changes the board and forces channel 1.
    port.Accept<AcquisitionSettingsValues>([](AcquisitionSettingsValues& values) {
        EXPECT_EQ(values.boardKind, 2);
        EXPECT_EQ(values.choiceState, 3);
        values.boardKind = 1;
        values.channel = 3;
        values.samplingFrequency = 44100;
        values.dataPoints = 4410;
        values.fileStem = "run";
        values.rawDataFlag = true;
    });
    EXPECT_TRUE(commands.ChangeSettings(false));
    EXPECT_EQ(recorder.changes.back(), std::make_pair(1, 0));
    EXPECT_EQ(recorder.initializedChannels.back(), 1);
    EXPECT_EQ(state.Settings().channel, 1);
    EXPECT_EQ(state.Settings().samplingFrequency, 44100u);
    EXPECT_EQ(state.Settings().recordBufferTimeMs, 200);
    EXPECT_EQ(state.Settings().acquisitionChanged, 1);
    EXPECT_EQ(state.Settings().fileStem, "run");
    EXPECT_EQ(commands.Board().kind, 1);
    EXPECT_TRUE(commands.RawDataFlag());

    // Refused five times: 2006 each time, then 2008 and the stored board back.
    recorder.initializeResult = -100;
    for (int i = 0; i < 5; ++i) port.Accept<AcquisitionSettingsValues>([](AcquisitionSettingsValues&) {});
    EXPECT_FALSE(commands.ChangeSettings(false));
    EXPECT_EQ(port.MessageIds(), (std::vector<int32_t>{2006, 2006, 2006, 2006, 2006, 2008}));
    EXPECT_EQ(recorder.changes.back(), std::make_pair(1, 0));
    EXPECT_EQ(state.Settings().fileStem, "run");
}

}  // namespace
}  // namespace kr70
