#include "WaveCutDialog.h"

#include "AnalysisState.h"
#include "CutOutWave.h"
#include "FakeDialogView.h"
#include "FakePage.h"
#include "Kr70TextIds.h"
#include "LmCmAnlz.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace kr70 {
namespace {

using namespace dialog;

class CutPort : public testing::FakeUiPort {
 public:
  std::vector<std::string> ChooseFiles(const FileDialogRequest& request) override {
    requests.push_back(request);
    return chosen.empty() ? std::vector<std::string>{} : std::vector<std::string>{chosen};
  }
  std::string ComboText(int32_t) override { return combo; }
  bool RunModalDialog(int32_t id, DialogValues&) override {
    dialogs.push_back(id);
    return false;
  }
  std::string chosen, combo;
  std::vector<FileDialogRequest> requests;
  std::vector<int32_t> dialogs;
};

// One second at 22050 Hz whose first sample is beyond full scale.
class WaveCutDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() / ("kr70-cut-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    std::vector<double> samples(22050, 0.5);
    samples[0] = 5.3;
    ASSERT_EQ(waveform.SetData(samples.data(), 22050, 22050), 0);
    values.currentFile = (directory / "current.wav").string();
    values.samplingFrequency = 22050;
    values.maximumTime = 1000.0;
    for (const WAData*& w : values.waveforms) w = &waveform;
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  double first() const {
    double value = 0.0;
    waveform.GetDataPoint(0, value);
    return value;
  }

  std::vector<int32_t> warningIds() const {
    std::vector<int32_t> ids;
    for (const Message& m : view.warnings) ids.push_back(m.parts.at(0).textId);
    return ids;
  }

  std::filesystem::path directory;
  WAData waveform;
  WaveCutValues values;
  CutPort port;
  test::FakeView view;
};

TEST(WaveCutText, TimesAndTypedFileNames) {
  EXPECT_EQ(FormatCutTime(12.5), "12.5");
  EXPECT_EQ(FormatCutTime(12.0), "12.0");
  EXPECT_EQ(FormatCutTime(0.3333), "0.333");
  EXPECT_EQ(CutOutFileName(" ab "), "ab.wav");
  EXPECT_EQ(CutOutFileName("take.WAV"), "take.WAV");
  EXPECT_EQ(CutOutFileName("take.."), "take.wav");
  EXPECT_EQ(CutOutFileName("...."), "\xEF\xBC\x8E.wav");
}

TEST_F(WaveCutDialogTest, OpensWithTheSelectionOrTheWholeWaveform) {
  values.selectionStart = 2205;
  values.selectionLength = 30000;  // beyond the end: the end is cut to the maximum time
  CWaveCutDlg dialog(values, port);
  dialog.Open(view);
  EXPECT_EQ(view.texts[kEditCutStart], "100.0");
  EXPECT_EQ(view.texts[kEditCutEnd], "1000.0");
  EXPECT_TRUE(view.checked[kRadioCutRaw]);
  EXPECT_TRUE(view.checked[kRadioCut16Bit]);
  EXPECT_FALSE(view.shown.at(kEditCutFileName));

  values.selectionLength = 0;
  CWaveCutDlg whole(values, port);
  whole.Open(view);
  EXPECT_EQ(view.texts[kEditCutStart], "0.0");
}

TEST_F(WaveCutDialogTest, EnterChecksTheTimesAgainstTheMaximumTime) {
  CWaveCutDlg dialog(values, port);
  dialog.Open(view);
  view.texts[kEditCutStart] = "-1";
  dialog.Enter(view, kEditCutStart);
  view.texts[kEditCutStart] = "0";
  view.texts[kEditCutEnd] = "1000.5";
  dialog.Enter(view, kEditCutEnd);
  view.texts[kEditCutStart] = "600";
  view.texts[kEditCutEnd] = "500";
  dialog.Enter(view, kEditCutStart);
  view.texts[kEditCutEnd] = "ten";
  dialog.Enter(view, kEditCutEnd);
  EXPECT_EQ(warningIds(), (std::vector<int32_t>{text::kCutMsgStartNegative, text::kMsgCutEndBeyondWaveform,
                                                text::kMsgCutStartAfterEnd, text::kCutMsgEnterNumber}));
  EXPECT_EQ(view.warnings[1].parts[0].appended, "1000.0)\xE3\x80\x82");
  EXPECT_EQ(view.warnings[1].captionId, kCaptionFileDialog);
  EXPECT_EQ(view.selected, kEditCutEnd);
  EXPECT_TRUE(port.requests.empty());
}

TEST_F(WaveCutDialogTest, SaveWritesTheSliceAndClampsTheSource) {
  port.chosen = (directory / "cut.wav").string();
  CWaveCutDlg dialog(values, port);
  dialog.Open(view);
  ASSERT_TRUE(dialog.Ok(view));
  EXPECT_TRUE(view.warnings.empty());
  EXPECT_EQ(values.writeResult, kCutOutWritten);
  EXPECT_EQ(std::filesystem::file_size(port.chosen), 44u + 44100u);
  EXPECT_EQ(first(), 5.0);
  const FileDialogRequest& request = port.requests.at(0);
  EXPECT_TRUE(request.save);
  EXPECT_TRUE(request.confirmOverwrite);
  EXPECT_EQ(request.defaultExtension, "wav");
  EXPECT_EQ(request.filters.at(0).descriptionId, text::kFilterWaveFile);
  EXPECT_EQ(request.initialName, values.currentFile);

  // Equal times: the header alone.
  view.texts[kEditCutStart] = view.texts[kEditCutEnd] = "500";
  ASSERT_TRUE(dialog.Ok(view));
  EXPECT_EQ(std::filesystem::file_size(port.chosen), 44u);
}

TEST_F(WaveCutDialogTest, SaveRefusesTheCurrentFileBadTimesAndACancel) {
  CWaveCutDlg dialog(values, port);
  dialog.Open(view);
  port.chosen = values.currentFile;
  EXPECT_FALSE(dialog.Ok(view));
  EXPECT_FALSE(std::filesystem::exists(values.currentFile));
  port.chosen.clear();  // the file dialog is cancelled
  EXPECT_FALSE(dialog.Ok(view));
  view.texts[kEditCutEnd] = "1000.001";
  EXPECT_FALSE(dialog.Ok(view));
  EXPECT_EQ(port.requests.size(), 2u);  // the times are checked before a target is asked for
  EXPECT_EQ(warningIds(), (std::vector<int32_t>{text::kCutMsgTargetIsCurrent, text::kMsgCutEndBeyondWaveform}));
  EXPECT_EQ(view.warnings[1].parts[0].appended, "1000.000000).");
  EXPECT_EQ(first(), 5.3);
}

TEST_F(WaveCutDialogTest, AFailedWriteIsReportedAndTheDialogCloses) {
  port.chosen = (directory / "missing" / "cut.wav").string();
  CWaveCutDlg dialog(values, port);
  dialog.Open(view);
  EXPECT_TRUE(dialog.Ok(view));
  EXPECT_EQ(warningIds(), std::vector<int32_t>{text::kCutMsgNotCreated});
  EXPECT_EQ(values.writeResult, kCutOutNotCreated);
}

TEST(WaveCutCommand, WithoutACurrentFileTheDialogDoesNotOpen) {
  StartFilterSystem();
  {
    CutPort port;
    AnalysisState state(port);
    state.InitializeParameters("");
    EXPECT_FALSE(OpenWaveCutDialog(state, port, 0, 0));
    ASSERT_EQ(port.shown.size(), 1u);
    EXPECT_EQ(port.shown[0].textId, text::kCutMsgNoWaveform);
    EXPECT_EQ(port.shown[0].captionId, kCaptionFileDialog);
    EXPECT_TRUE(port.dialogs.empty());
    port.combo = "/data/a.wav";
    OpenWaveCutDialog(state, port, 0, 0);
    EXPECT_EQ(port.dialogs, std::vector<int32_t>{kDialogWaveCut});
  }
  StopFilterSystem();
}

}  // namespace
}  // namespace kr70
