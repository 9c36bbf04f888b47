#include "AbnormalPage.h"
#include "AnalysisState.h"
#include "FakePage.h"
#include "MainForm.h"
#include "Kr70TextIds.h"

#include "TestWav.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kr70 {
namespace {

using namespace form;


class FormPort : public testing::FakeUiPort {
 public:
  std::vector<std::string> ChooseFiles(const FileDialogRequest& request) override {
    lastRequest = request;
    return chosen;
  }
  std::string ComboText(int32_t) override { return comboText; }
  void FillCombo(int32_t, const std::vector<std::string>& entries, const std::string& selected) override {
    comboEntries = entries;
    comboSelected = selected;
  }
  void ShowControl(int32_t id, bool shown) override { visible[id] = shown; }
  void EnableControl(int32_t id, bool enabled) override { enabledControls[id] = enabled; }
  void SetControlChecked(int32_t id, bool checked) override { checkedControls[id] = checked; }
  bool IsControlChecked(int32_t id) override { return checkedControls[id]; }
  void NotifyPage(PageId page, const PageNotification& notification) override {
    if (notification.notice == PageNotice::TakeData && page == PageId::Waveform) ++waveformTakes;
    if (page == PageId::ResultIndicator && notification.notice == PageNotice::Judgement)
      lamp.setJudgement(static_cast<int>(notification.values[0]));
  }

  std::vector<std::string> chosen;
  std::string comboText;
  std::vector<std::string> comboEntries;
  std::string comboSelected;
  FileDialogRequest lastRequest;
  std::map<int32_t, bool> visible, enabledControls, checkedControls;
  int waveformTakes = 0;
  ResultLamp lamp;
};

class MainFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() /
                ("kr70-form-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    first = (directory / "first.wav").string();
    second = (directory / "second.wav").string();
    junk = (directory / "notes.txt").string();
    testing::writeTestWav(first, 8000, 4000, 8000.0, 0.05);
    testing::writeTestWav(second, 8000, 2000, 1000.0, 0.05);
    std::ofstream(junk) << "not a waveform\n";
    state.InitializeParameters("");
    loadStartupSettings(profile, directory.string());
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  std::filesystem::path directory;
  std::string first, second, junk;
  FormPort port;
  AnalysisState state{port};
  MemoryProfile profile;
  MainForm form{state, port, profile};
};

TEST_F(MainFormTest, OpenLoadsTheLastAcceptedFile) {
  port.chosen = {second, first, junk};
  form.openFiles();
  EXPECT_EQ(port.lastRequest.defaultExtension, "wav");
  EXPECT_TRUE(port.lastRequest.multiSelect);
  EXPECT_EQ(port.lastRequest.filters.at(0).descriptionId, kTextOpenFilter);
  EXPECT_EQ(state.Settings().currentFile, first);
  EXPECT_EQ(state.RecentFiles().FilledPaths().size(), 2u);
  // The refused file is not dropped silently: one box names it.
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, text::kMsgFilesNotOpened);
  EXPECT_EQ(openDialogDirectory(profile), directory.string());
}

// A file whose header passes but whose samples cannot be read: the display
// keeps naming the file it shows, and the list is as it was.
TEST_F(MainFormTest, AFileThatFailsToLoadLeavesTheListAndTheSelectionAsTheyWere) {
  port.chosen = {first};
  form.openFiles();
  const std::string cut = (directory / "cut.wav").string();
  std::filesystem::copy_file(second, cut);
  std::filesystem::resize_file(cut, 100);  // header kept, data cut short
  port.chosen = {second, cut};
  form.openFiles();
  EXPECT_EQ(state.Settings().currentFile, first);
  EXPECT_EQ(state.RecentFiles().FilledPaths(), (std::vector<std::string>{first, second}));
  EXPECT_EQ(port.comboSelected, first);
  EXPECT_EQ(port.comboEntries, state.RecentFiles().FilledPaths());
}

TEST_F(MainFormTest, OpenWithNothingAcceptedNamesTheLastPath) {
  port.chosen = {junk};
  form.openFiles();
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, kTextNoAcceptedFile);
  EXPECT_EQ(port.shown[0].captionId, kCaptionMainView);
  EXPECT_TRUE(state.Settings().currentFile.empty());
}

TEST_F(MainFormTest, OpeningTheUnchangedCurrentFileAgainDoesNotReload) {
  port.chosen = {first};
  form.openFiles();
  const int takes = port.waveformTakes;
  form.openFiles();
  EXPECT_EQ(port.waveformTakes, takes);
  EXPECT_TRUE(port.shown.empty());
}

TEST_F(MainFormTest, ComboChoosingTheCurrentUnchangedFileDoesNothing) {
  port.chosen = {first};
  form.openFiles();
  const int takes = port.waveformTakes;
  port.comboText = first;
  form.comboSelected();
  EXPECT_EQ(port.waveformTakes, takes);
  port.comboText = second;
  form.comboSelected();
  EXPECT_EQ(port.waveformTakes, takes + 1);
  EXPECT_EQ(state.Settings().currentFile, second);
  port.comboText = (directory / "gone.wav").string();  // fails: the current file stays
  form.comboSelected();
  EXPECT_EQ(state.Settings().currentFile, second);
}

TEST_F(MainFormTest, LampFollowsTheInvertedFlag) {
  state.Settings().peakThreshold = 1e9;  // above every sample: exceeding area 0
  state.Settings().passThreshold = 1.0;
  port.chosen = {first};
  form.openFiles();
  EXPECT_TRUE(port.lamp.okLit());  // 0 below the threshold: pass
  state.Settings().invertedJudgement = 1;
  state.RunAbnormalMeasure();
  EXPECT_TRUE(port.lamp.ngLit());  // inverted: below the threshold fails
  EXPECT_FALSE(port.lamp.okLit());
}

TEST_F(MainFormTest, FftDisplaySettingsSwitchTheSpectrumPage) {
  int32_t offered = -1;
  form.fftDisplaySettings([&](int32_t* flag) {
    offered = *flag;
    *flag = 1;
    return 1;
  });
  EXPECT_EQ(offered, 0);
  EXPECT_EQ(state.Settings().spectraEnabled, 1);
  EXPECT_TRUE(port.enabledControls[kRadioSpectrum]);
  form.viewCommand(kCommandViewSpectrum);
  EXPECT_EQ(form.currentPage(), 1);
  EXPECT_TRUE(port.visible[137]);
  EXPECT_FALSE(port.visible[136]);
  form.fftDisplaySettings([](int32_t* flag) {
    *flag = 0;
    return 2;  // cancelled: nothing changes
  });
  EXPECT_EQ(state.Settings().spectraEnabled, 1);
  form.fftDisplaySettings([](int32_t* flag) {
    *flag = 0;
    return 1;
  });
  EXPECT_EQ(state.Settings().spectraEnabled, 0);
  EXPECT_FALSE(port.enabledControls[kRadioSpectrum]);
  EXPECT_EQ(form.currentPage(), 0);
  EXPECT_TRUE(port.visible[136]);
  form.viewCommand(kCommandViewSpectrum);  // disabled now
  EXPECT_EQ(form.currentPage(), 0);
}

TEST_F(MainFormTest, PageIndicesTwoAndThreeHideAllPages) {
  form.selectPage(4);
  EXPECT_TRUE(port.visible[141]);
  form.selectPage(3);
  EXPECT_FALSE(port.visible[136]);
  EXPECT_FALSE(port.visible[137]);
  EXPECT_FALSE(port.visible[141]);
  // ... and show their own difference page.
  EXPECT_TRUE(port.visible[139]);
  EXPECT_FALSE(port.visible[138]);
  form.selectPage(2);
  EXPECT_TRUE(port.visible[138]);
  EXPECT_FALSE(port.visible[139]);
}

}  // namespace
}  // namespace kr70
