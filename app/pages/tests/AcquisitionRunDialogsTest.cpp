// The triggered acquisition dialog (155) and the waveform collection dialog
// (153) over a scripted recorder and fake dialog views.
#include "TriggeredAcquisitionDialog.h"
#include "WaveCollectionDialog.h"

#include "FakeDialogView.h"
#include "Kr70TextIds.h"
#include "LmPlatform.h"
#include "TestWav.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>

namespace kr70 {
namespace {

namespace ids = kr70::text;

// Trigger mode and digital input as scripted; StartRec (called from the
// collection dialog's recording thread) writes "<base>#CC.wav".
class ScriptedRecorder : public Recorder {
public:
    int ChangeBoardSet(int32_t, int) override { return 0; }
    int32_t GetBoardKind() const override { return 2; }
    int Initialize(int, int, int, unsigned, unsigned, uint32_t) override { return 0; }
    int StartRec(void*, const char* baseName) override {
        if (writeFiles) testing::writeTestWav(std::string(baseName) + suffix, 1000, 10, 1000, 0.1);
        ++starts;
        return 0;
    }
    int StopRec() override { return 0; }
    int GetData(double*, int32_t, int32_t) override { return 0; }
    int Halt() override { return 0; }
    unsigned GetCount() const override { return 5000; }
    unsigned GetSampFreq() const override { return 50000; }

    int TrgModeSet(int triggerSwitch, void*, int delayMs, const char* baseName) override {
        EXPECT_EQ(triggerSwitch, 1);
        armedStems.push_back(baseName);
        lastDelay = delayMs;
        return armResults.empty() ? 0 : Next(armResults);
    }
    int TrgModeStop(int abort, int* count, double** samples) override {
        stops.push_back(abort);
        if (abort != 0) return 0;
        testing::writeTestWav(armedStems.back() + suffix, 1000, 10, 1000, 0.1);
        *count = 10;
        *samples = new double[11]();
        return 0;
    }
    void FreeSamples(double* samples) override {
        delete[] samples;
        ++freed;
    }
    int GetDISignal(uint16_t* word) override {
        if (inputFails) return 0;
        if (triggers.load() > 0 && starts.load() == triggersSeen.load()) {
            --triggers;
            ++triggersSeen;
            *word = 1;
        }
        return 1;
    }

    std::string suffix = "#03.wav";
    bool writeFiles = true;
    std::vector<int> armResults;
    std::vector<std::string> armedStems;
    std::vector<int> stops;
    int lastDelay = -1;
    int freed = 0;
    std::atomic<int> starts{0};
    std::atomic<int> triggers{0};  // rising edges still to give
    std::atomic<int> triggersSeen{0};
    std::atomic<bool> inputFails{false};

private:
    static int Next(std::vector<int>& results) {
        const int result = results.front();
        results.erase(results.begin());
        return result;
    }
};

// A dialog view whose controls are the fake view's maps.
template <typename View>
class FakeControls : public test::FakeView, public View {
public:
    std::string Text(int32_t id) override { return FakeView::Text(id); }
    void SetText(int32_t id, const std::string& text) override { FakeView::SetText(id, text); }
    void SetTextId(int32_t id, int32_t textId) override { FakeView::SetTextId(id, textId); }
    void SelectEdit(int32_t id) override { FakeView::SelectEdit(id); }
    int32_t FocusedControl() override { return FakeView::FocusedControl(); }
    bool IsChecked(int32_t id) override { return FakeView::IsChecked(id); }
    void SetChecked(int32_t id, bool on) override { FakeView::SetChecked(id, on); }
    void Enable(int32_t id, bool on) override { FakeView::Enable(id, on); }
    void Show(int32_t id, bool on) override { FakeView::Show(id, on); }
    void FillList(int32_t id, const std::vector<std::string>& entries) override { FakeView::FillList(id, entries); }
    void SelectListEntry(int32_t id, int index) override { FakeView::SelectListEntry(id, index); }
    int SelectedListEntry(int32_t id) override { return FakeView::SelectedListEntry(id); }
    void ShowWarning(const Message& message) override { FakeView::ShowWarning(message); }
};

struct ViewLog {
    std::vector<std::string> opened, recent, converted, remembered;
    int refreshes = 0;
    MainViewOperations Operations() {
        MainViewOperations operations;
        operations.openFile = [this](const std::string& path) { opened.push_back(path); };
        operations.addRecentFile = [this](const std::string& path) { recent.push_back(path); };
        operations.convertToRawData = [this](const std::string& path) {
            converted.push_back(path);
            return 0;
        };
        operations.rememberDirectory = [this](const std::string& path) { remembered.push_back(path); };
        operations.refresh = [this] { ++refreshes; };
        return operations;
    }
};

class FakeTriggerView : public FakeControls<TriggerDialogView> {
public:

    bool AskYesNo(const Message& message) override {
        questions.push_back(message);
        return answerYes;
    }
    void SetStatus(int32_t prefixId, int32_t textId) override { status = {prefixId, textId}; }
    void ShowLamp(TriggerLamp shown) override { lamp = shown; }
    void DrawSamples(const double*, int count, uint32_t) override { drawn = count; }
    void Close(int result) override { closedWith = result; }

    bool answerYes = true;
    std::vector<Message> questions;
    std::pair<int32_t, int32_t> status{0, 0};
    TriggerLamp lamp = TriggerLamp::Idle;
    int drawn = 0;
    int closedWith = -1;
};

class TriggeredDialogTest : public ::testing::Test {
protected:
    TriggeredDialogTest() {
        directory = std::filesystem::temp_directory_path() / ("kr70-trg-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
        values.fileStem = (directory / "run").string();
        values.fileNumber = 1;
        values.samplingFrequency = 50000;
        values.acquisitionTimeMs = 100.0;
        values.triggerWaitTimeMs = 20;
        values.channel = 3;
        dialog = std::make_unique<TriggeredAcquisitionDialog>(values, recorder, log.Operations(), nullptr);
    }
    ~TriggeredDialogTest() override {
        dialog.reset();
        std::filesystem::remove_all(directory);
    }
    std::string File(int number) const {
        char name[32];
        std::snprintf(name, sizeof name, "run-%03d#03.wav", number);
        return (directory / name).string();
    }
    std::vector<int32_t> WarningIds() const {
        std::vector<int32_t> result;
        for (const Message& message : view.warnings) result.push_back(message.parts.at(0).textId);
        return result;
    }

    std::filesystem::path directory;
    TriggeredAcquisitionValues values;
    ScriptedRecorder recorder;
    ViewLog log;
    FakeTriggerView view;
    std::unique_ptr<TriggeredAcquisitionDialog> dialog;
};

// Closing at once hands the opener's number back; the name of number - 1 is
// returned only when such a file was recorded before.
TEST_F(TriggeredDialogTest, ClosingAtOnceKeepsTheNumberAndReturnsOnlyARecordedFile) {
    values.fileNumber = 5;
    dialog->Open(view);
    EXPECT_TRUE(view.enabled[trgdialog::kButtonStart]);
    EXPECT_FALSE(view.enabled[trgdialog::kButtonLast]);
    EXPECT_EQ(view.texts[trgdialog::kSamplingFrequency], "50000");
    dialog->EndPressed();
    EXPECT_EQ(view.closedWith, 2);
    EXPECT_EQ(values.fileNumber, 5);
    EXPECT_EQ(values.lastFile, "");

    testing::writeTestWav(File(4), 1000, 10, 1000, 0.1);
    TriggeredAcquisitionDialog again(values, recorder, log.Operations(), nullptr);
    again.Open(view);
    again.EndPressed();
    EXPECT_EQ(values.fileNumber, 5);
    EXPECT_EQ(values.lastFile, File(4));
    EXPECT_FALSE(values.rebuildCombo);  // not opened by the dialog: the view loads it
}

// A series: each trigger's recording is collected, opened in the main view and
// drawn, the card armed again under the next number; after "最終波形取得" the
// recording under way completes and nothing is armed again.
TEST_F(TriggeredDialogTest, SeriesCollectsEachRecordingAndStopsAfterTheLastRequest) {
    dialog->Open(view);
    dialog->StartPressed();
    ASSERT_EQ(recorder.armedStems, std::vector<std::string>{values.fileStem + "-001"});
    EXPECT_EQ(recorder.lastDelay, 20);
    EXPECT_EQ(dialog->Lamp(), TriggerLamp::Armed);
    EXPECT_EQ(view.status, std::make_pair(0, ids::kTrgStatusArmed));
    EXPECT_FALSE(view.enabled[trgdialog::kButtonEnd]);
    EXPECT_TRUE(view.enabled[trgdialog::kButtonLast]);

    dialog->OnCardMessage(trgdialog::kCardTrigger);
    EXPECT_EQ(view.lamp, TriggerLamp::Converting);
    EXPECT_EQ(log.refreshes, 1);
    dialog->OnCardMessage(trgdialog::kCardComplete);
    EXPECT_EQ(log.opened, std::vector<std::string>{File(1)});
    EXPECT_EQ(view.drawn, 10);
    EXPECT_EQ(recorder.freed, 1);
    ASSERT_EQ(recorder.armedStems.size(), 2u);
    EXPECT_EQ(recorder.armedStems[1], values.fileStem + "-002");

    dialog->LastPressed();
    EXPECT_EQ(view.status, std::make_pair(ids::kTrgStatusLastPrefix, ids::kTrgStatusArmed));
    dialog->OnCardMessage(trgdialog::kCardStarted);
    dialog->OnCardMessage(trgdialog::kCardComplete);
    EXPECT_EQ(recorder.armedStems.size(), 2u);  // not armed again
    EXPECT_EQ(dialog->Lamp(), TriggerLamp::Idle);
    EXPECT_EQ(view.status, std::make_pair(ids::kTrgStatusLastPrefix, ids::kTrgStatusDone));
    EXPECT_TRUE(view.enabled[trgdialog::kButtonStart]);
    EXPECT_TRUE(view.enabled[trgdialog::kButtonEnd]);

    dialog->EndPressed();
    EXPECT_EQ(values.fileNumber, 3);
    EXPECT_EQ(values.lastFile, File(2));
    EXPECT_TRUE(values.rebuildCombo);  // already open in the view
    EXPECT_TRUE(view.warnings.empty());
}

// An overrun discards the recording (abort), keeps the number for the next
// arming, and the following recording is kept again.
TEST_F(TriggeredDialogTest, OverrunDiscardsAndRecordsAgainUnderTheSameNumber) {
    dialog->Open(view);
    dialog->StartPressed();
    dialog->OnCardMessage(trgdialog::kCardTrigger);
    dialog->OnCardMessage(trgdialog::kCardOverrun);
    EXPECT_EQ(WarningIds(), std::vector<int32_t>{ids::kTrgOverrun});
    EXPECT_EQ(recorder.stops, std::vector<int>{1});
    EXPECT_FALSE(std::filesystem::exists(File(1)));
    ASSERT_EQ(recorder.armedStems.size(), 2u);
    EXPECT_EQ(recorder.armedStems[1], values.fileStem + "-001");
    dialog->OnCardMessage(trgdialog::kCardTrigger);
    dialog->OnCardMessage(trgdialog::kCardComplete);
    EXPECT_EQ(recorder.stops, (std::vector<int>{1, 0}));
    EXPECT_TRUE(std::filesystem::exists(File(1)));
    EXPECT_EQ(recorder.armedStems.back(), values.fileStem + "-002");
}

// A failed arming shows its text and leaves the dialog closable; card messages
// are ignored until an arming succeeds again. Closing while armed disarms the
// card and does not count the armed number.
TEST_F(TriggeredDialogTest, FailedArmingLeavesTheDialogClosableAndCanBeRetried) {
    recorder.armResults = {-2, -100};
    dialog->Open(view);
    dialog->StartPressed();
    EXPECT_EQ(view.status, std::make_pair(0, ids::kTrgMsgNoMemory));
    EXPECT_TRUE(view.enabled[trgdialog::kButtonEnd]);
    dialog->StartPressed();
    EXPECT_EQ(WarningIds(), (std::vector<int32_t>{ids::kTrgMsgNoMemory, ids::kTrgMsgCardFailed}));
    dialog->OnCardMessage(trgdialog::kCardTrigger);
    EXPECT_EQ(dialog->Lamp(), TriggerLamp::Idle);

    dialog->StartPressed();  // succeeds: the card is listened to again
    EXPECT_EQ(recorder.armedStems.back(), values.fileStem + "-001");
    dialog->OnCardMessage(trgdialog::kCardTrigger);
    EXPECT_EQ(dialog->Lamp(), TriggerLamp::Converting);
    view.answerYes = false;
    dialog->CloseRequested();
    EXPECT_EQ(recorder.stops, std::vector<int>{1});
    EXPECT_EQ(values.fileNumber, 1);
    EXPECT_EQ(view.closedWith, 2);
}

// ---- waveform collection --------------------------------------------------

class FakeCollectionView : public FakeControls<CollectionDialogView> {
public:

    void SetStatus(int32_t textId, Rgb background) override {
        statusText = textId;
        statusColour = background;
    }
    void SetFormattedText(int32_t id, int32_t textId, const std::string& argument) override {
        formatted[id] = {textId, argument};
    }
    bool StartTimer(int) override { return timerRuns = true; }
    void KillTimer() override { timerRuns = false; }
    std::string ChooseBasePath() override { return basePath; }
    void Close() override { closed = true; }

    int32_t statusText = 0;
    Rgb statusColour;
    std::map<int32_t, std::pair<int32_t, std::string>> formatted;
    bool timerRuns = false;
    std::string basePath;
    bool closed = false;
};

class CollectionDialogTest : public ::testing::Test {
protected:
    CollectionDialogTest() {
        directory = std::filesystem::temp_directory_path() / ("kr70-col-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
        view.basePath = (directory / "series").string();
    }
    ~CollectionDialogTest() override { std::filesystem::remove_all(directory); }

    // Channel 3 is recorded, and the free space is as the test sets it.
    std::unique_ptr<WaveCollectionDialog> Dialog(bool rawData = true) {
        auto query = [this](const std::string& path, uint64_t* available) {
            std::lock_guard<std::mutex> lock(mutex);
            queried.push_back(path);
            *available = freeBytes;
            return true;
        };
        auto dialog =
            std::make_unique<WaveCollectionDialog>(recorder, log.Operations(), WaveCollectionDialog::ChannelMask(3),
                                                   rawData, query);
        dialog->Open(view);
        return dialog;
    }
    // Pumps the dialog's messages until done() holds (at most 20 s).
    bool PumpUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            lmp::PumpMessage(5);
        }
        return true;
    }
    std::string File(int number) const {
        char name[32];
        std::snprintf(name, sizeof name, "series-%03d#03.wav", number);
        return (directory / name).string();
    }

    std::filesystem::path directory;
    ScriptedRecorder recorder;
    ViewLog log;
    FakeCollectionView view;
    std::mutex mutex;
    std::vector<std::string> queried;
    uint64_t freeBytes = uint64_t{1} << 40;
};

TEST(WaveCollectionRules, RequiredSpaceAndCheckedDirectory) {
    EXPECT_EQ(WaveCollectionDialog::RequiredBytes(0x0001, 5000), (10000u + 31457324u) * 2u);
    EXPECT_EQ(WaveCollectionDialog::RequiredBytes(0x8005, 5000), (10000u + 31457324u) * 2u * 3u);
    EXPECT_EQ(WaveCollectionDialog::RequiredBytes(0, 5000), 0u);  // no channel: always enough
    EXPECT_EQ(WaveCollectionDialog::RequiredBytes(0xFFFF, 0xFFFFFFFFu),
              (2ull * 0xFFFFFFFFu + 31457324u) * 2u * 16u);  // 64-bit
    // Channel 3 is bit 2 (not the number 3 read as a mask: channels 1 and 2).
    EXPECT_EQ(WaveCollectionDialog::ChannelMask(3), 0x0004);
    EXPECT_EQ(WaveCollectionDialog::ChannelMask(1), 0x0001);
    EXPECT_EQ(WaveCollectionDialog::SpaceDirectory("/data/run/test"), "/data/run");
    EXPECT_EQ(WaveCollectionDialog::SpaceDirectory("/test"), "/");
    EXPECT_EQ(WaveCollectionDialog::SpaceDirectory("test"), "");
}

// Too little space: the box says how many bytes are needed and no series
// starts; the free space is shown.
TEST_F(CollectionDialogTest, ShortSpaceRefusesBeforeRecording) {
    const uint64_t required = WaveCollectionDialog::RequiredBytes(1u << 2, 5000);
    freeBytes = required - 1;
    auto dialog = Dialog();
    view.warnings.clear();
    dialog->StartPressed();
    ASSERT_EQ(view.warnings.size(), 1u);
    const Message& box = view.warnings[0];
    EXPECT_EQ(box.captionId, ids::kCollectMsgSpaceShort);
    ASSERT_EQ(box.parts.size(), 2u);
    EXPECT_EQ(box.parts[0].textId, ids::kCollectMsgSpaceShort);
    EXPECT_EQ(box.parts[1].textId, ids::kCollectMsgBytesNeeded);
    EXPECT_EQ(box.parts[1].formatArguments, std::vector<std::string>{std::to_string(required)});
    EXPECT_EQ(view.formatted[collectdialog::kFreeSpace].second, std::to_string(required - 1));
    EXPECT_EQ(queried.back(), directory.string());
    EXPECT_FALSE(dialog->Running());
    EXPECT_FALSE(view.timerRuns);
    EXPECT_EQ(recorder.starts.load(), 0);
    EXPECT_TRUE(view.enabled[collectdialog::kButtonStart]);
}

// Three triggers give three recordings; stopping while waiting ends the
// series without a message, converts exactly these files and opens the last.
TEST_F(CollectionDialogTest, SeriesRecordsPerTriggerAndConvertsWhenStopped) {
    auto dialog = Dialog();
    recorder.triggers = 3;
    dialog->StartPressed();
    EXPECT_TRUE(dialog->Running());
    EXPECT_TRUE(view.timerRuns);
    EXPECT_EQ(view.textIds[collectdialog::kButtonCancel], ids::kButtonClose);
    EXPECT_FALSE(view.enabled[collectdialog::kButtonStart]);
    ASSERT_TRUE(PumpUntil([&] { return recorder.starts.load() == 3 && dialog->State() == 1; }));
    EXPECT_EQ(view.statusText, ids::kCollectWaiting);
    dialog->OnTimer();  // blink off: the waiting colour shows
    EXPECT_EQ(view.statusColour, collectdialog::kWaitingColour);
    dialog->CancelPressed();  // stop, not close
    EXPECT_FALSE(view.closed);
    ASSERT_TRUE(PumpUntil([&] { return !dialog->Running(); }));

    EXPECT_TRUE(view.warnings.empty());
    EXPECT_EQ(view.texts[collectdialog::kCounter], "3");
    EXPECT_EQ(log.converted, (std::vector<std::string>{File(1), File(2), File(3)}));
    EXPECT_EQ(log.recent, log.converted);
    EXPECT_EQ(log.opened, std::vector<std::string>{File(3)});
    EXPECT_GE(queried.size(), 5u);  // at start and before each recording
    EXPECT_EQ(view.statusText, ids::kCollectStopped);
    EXPECT_EQ(view.statusColour, collectdialog::kIdleColour);
    EXPECT_FALSE(view.timerRuns);
    EXPECT_EQ(view.textIds[collectdialog::kButtonCancel], ids::kButtonCancel);
    dialog->CancelPressed();
    EXPECT_TRUE(view.closed);
}

// A trigger on every poll: the series ends by itself after file 999, with
// result 0 and no message.
TEST_F(CollectionDialogTest, SeriesEndsAfterFile999) {
    recorder.writeFiles = false;
    auto dialog = Dialog(false);
    recorder.triggers = 5000;
    dialog->StartPressed();
    ASSERT_TRUE(PumpUntil([&] { return !dialog->Running(); }));
    EXPECT_EQ(recorder.starts.load(), 999);
    EXPECT_EQ(dialog->FileNumber(), 1000);
    EXPECT_EQ(view.texts[collectdialog::kCounter], "999");
    EXPECT_TRUE(view.warnings.empty());
    EXPECT_TRUE(log.converted.empty());
}

// A digital input that cannot be read ends the series with the acquisition
// error; nothing is recorded.
TEST_F(CollectionDialogTest, FailingDigitalInputEndsTheSeriesWithAnError) {
    auto dialog = Dialog();
    recorder.inputFails = true;
    dialog->StartPressed();
    ASSERT_TRUE(PumpUntil([&] { return !dialog->Running(); }));
    ASSERT_EQ(view.warnings.size(), 1u);
    EXPECT_EQ(view.warnings[0].parts[0].textId, ids::kCollectMsgAcquisitionFailed);
    EXPECT_EQ(view.warnings[0].captionId, ids::kCaptionError);
    EXPECT_EQ(recorder.starts.load(), 0);
    EXPECT_EQ(view.texts[collectdialog::kCounter], "0");
}

}  // namespace
}  // namespace kr70
