// The parameter save dialog (142), the noise level (169, 170) and the
// difference pages (138, 139).
#include "AnalysisResult.h"
#include "DifferencePages.h"
#include "FakeDialogView.h"
#include "FakePage.h"
#include "NoiseLevel.h"
#include "AbnormalPage.h"
#include "PageText.h"
#include "WaveformPage.h"
#include "ParameterSaveDialog.h"
#include "RecordingPainter.h"

#include "FilterDesign.h"
#include "Kr70TextIds.h"
#include "LmCmAnlz.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kr70 {
namespace {

using namespace dialog;

// A port that answers the 22050 Hz question and logs what was asked.
class SavePort : public testing::FakeUiPort {
 public:
  std::vector<std::string> ChooseFiles(const FileDialogRequest& request) override {
    lastRequest = request;
    return chosen;
  }
  FileDialogRequest lastRequest;
  std::vector<std::string> chosen;
  bool AskYesNo(const Message& message) override {
    asked.push_back(message.parts.empty() ? 0 : message.parts[0].textId);
    return answer;
  }
  bool answer = false;
  std::vector<int32_t> asked;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ParameterSaveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    path = (std::filesystem::temp_directory_path() / ("kr70-prf-" + std::to_string(::getpid()) + ".prf")).string();
    std::filesystem::remove(path);
    values.yuragi[0] = 4;
    values.yuragi[1] = 1;
    values.yuragi[2] = 1;
    values.yuragi[3] = 0;
    values.filterType = 3;
    values.samplingFrequency = 22050;
    values.taps = 256;
    values.lowerFrequency = 1000;
    values.upperFrequency = 4000;
    values.fileName = path;
  }
  void TearDown() override { std::filesystem::remove(path); }
  std::string path;
  ParameterSaveValues values;
  SavePort port;
  test::FakeView view;
};

TEST_F(ParameterSaveTest, BandPassShowsBothEdgesAndWritesTheTwoLines) {
  ParameterSaveDialog dialog(values, port);
  dialog.Open(view);
  EXPECT_EQ(view.textIds[kStaticFilterType], text::kFreqBpf);
  EXPECT_EQ(view.textIds[kStaticEdgeCaption], text::kFreqEdgePassBand);
  EXPECT_EQ(view.texts[kStaticUpperEdge], "4000");
  EXPECT_TRUE(view.shown[kStaticUpperEdge]);
  EXPECT_FALSE(view.shown[kButtonSaveCsv]);
  EXPECT_TRUE(view.checked[kRadioBoth]);

  dialog.Clicked(view, kButtonSaveParameters);
  EXPECT_EQ(ReadAll(path), "Yuragi=1,4,1,1,0\nFreq=1,3,256,1000,4000\n");
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, text::kMsgPrmSaved);
  EXPECT_EQ(port.shown[0].captionId, text::kCaptionPrmSaveDone);
  EXPECT_TRUE(port.asked.empty());
}

TEST_F(ParameterSaveTest, At44100HzTheQuestionComesFirstAndNoWritesNothing) {
  values.samplingFrequency = 44100;
  ParameterSaveDialog dialog(values, port);
  dialog.Open(view);
  dialog.Clicked(view, kButtonSaveParameters);
  dialog.Clicked(view, kButtonSaveCsv);
  EXPECT_EQ(port.asked, (std::vector<int32_t>{text::kAskPrmSamplingFrequency, text::kAskPrmSamplingFrequency}));
  EXPECT_TRUE(port.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(path));
  port.answer = true;
  dialog.Clicked(view, kButtonSaveParameters);
  EXPECT_EQ(ReadAll(path), "Yuragi=1,4,1,1,0\nFreq=1,3,256,1000,4000\n");
}

TEST_F(ParameterSaveTest, WithoutAFilterOnlyTheYuragiChoiceRemains) {
  values.filterType = 0;
  values.taps = values.lowerFrequency = values.upperFrequency = 0;
  ParameterSaveDialog dialog(values, port);
  dialog.Open(view);
  EXPECT_EQ(view.textIds[kStaticFilterType], text::kPrmSaveNoFilter);
  EXPECT_EQ(view.texts[kStaticSamplingFrequency], "-----");
  EXPECT_EQ(view.texts[kStaticTaps], "-----");
  EXPECT_FALSE(view.shown[kStaticLowerEdge]);
  EXPECT_FALSE(view.enabled[kRadioBoth]);
  EXPECT_FALSE(view.enabled[kRadioFreqOnly]);
  EXPECT_TRUE(view.checked[kRadioYuragiOnly]);
  dialog.Clicked(view, kRadioBoth);  // e.g. by keyboard: refused
  EXPECT_TRUE(view.checked[kRadioYuragiOnly]);
  EXPECT_FALSE(view.checked[kRadioBoth]);
  dialog.Clicked(view, kButtonSaveParameters);
  EXPECT_EQ(ReadAll(path), "Yuragi=1,4,1,1,0\nFreq=0,0,0,0,0\n");
}

TEST_F(ParameterSaveTest, FrequencyFilterOnlyPatternIsTheFirCoefficientsAlone) {
  values.filterType = 1;
  values.taps = 64;
  values.lowerFrequency = 2000;
  values.upperFrequency = 0;
  ParameterSaveDialog dialog(values, port);
  dialog.Open(view);
  EXPECT_FALSE(view.shown[kStaticUpperEdge]);
  EXPECT_EQ(view.textIds[kStaticEdgeCaption], text::kFreqEdgeCutOff);
  dialog.Clicked(view, kRadioFreqOnly);
  ASSERT_TRUE(dialog.SaveCoefficientPattern(view));
  WAFreqFilter filter;
  ASSERT_EQ(filter.SetLPF(22050, 64, 2000), 0);
  std::vector<double> taps(64);
  ASSERT_EQ(FilterCoefficients(filter, 64, taps.data()), 0);
  std::string expected;
  for (double value : taps) expected += FormatC("%.10f\n", value);
  EXPECT_EQ(ReadAll(path), expected);
  EXPECT_EQ(port.shown.back().textId, text::kMsgPatternSaved);
  dialog.Clicked(view, kButtonSaveParameters);
  EXPECT_EQ(ReadAll(path), "Yuragi=0,4,1,1,0\nFreq=1,1,64,2000,0\n");
}

TEST_F(ParameterSaveTest, BrowseTakesTheChosenNameWithTheDefaultExtension) {
  ParameterSaveDialog dialog(values, port);
  dialog.Open(view);
  port.chosen = {"/data/run.1/pre"};
  dialog.Clicked(view, kButtonBrowse);
  EXPECT_TRUE(port.lastRequest.save);
  EXPECT_TRUE(port.lastRequest.confirmOverwrite);
  EXPECT_EQ(port.lastRequest.filters[0].descriptionId, text::kFilterPreprocessingFile);
  EXPECT_EQ(view.texts[kStaticFileName], "/data/run.1/pre.prf");
  port.chosen = {"/data/other.txt"};
  dialog.Clicked(view, kButtonBrowse);
  EXPECT_EQ(values.fileName, "/data/other.txt");
  port.chosen.clear();  // cancelled: the name stays
  dialog.Clicked(view, kButtonBrowse);
  EXPECT_EQ(values.fileName, "/data/other.txt");
}

TEST_F(ParameterSaveTest, RefusalsWriteNothing) {
  // No file name.
  values.fileName.clear();
  ParameterSaveDialog dialog(values, port);
  dialog.Open(view);
  dialog.Clicked(view, kButtonSaveParameters);
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, text::kMsgPrmFileNameEmpty);
  EXPECT_EQ(port.shown[0].captionId, text::kCaptionError);
  // A pattern longer than 1024 values: yuragi (1, 255, 255, 0) gives 764, with 512 taps 1275.
  values.fileName = path;
  values.yuragi[0] = 1;
  values.yuragi[1] = values.yuragi[2] = 255;
  values.taps = 512;
  EXPECT_FALSE(dialog.SaveCoefficientPattern(view));
  EXPECT_EQ(port.shown.back().textId, text::kMsgPatternNotBuilt);
  EXPECT_FALSE(std::filesystem::exists(path));
  // A folder that does not exist.
  values.fileName = path + ".missing/x.prf";
  EXPECT_FALSE(dialog.SaveParameters(view));
  EXPECT_EQ(port.shown.back().textId, text::kMsgPrmSaveFailed);
}

// ---- Noise level ----------------------------------------------------------------

TEST(NoiseLevel, PeakVoltageAndLevel) {
  const double zeros[4] = {0, 0, 0, 0};
  NoiseLevelReading reading = ReadNoiseLevel(1, 80, zeros, 4);
  EXPECT_EQ(reading.voltageText, "0.0");
  EXPECT_EQ(reading.levelText, "0.0");
  EXPECT_EQ(reading.rangeText, "80");
  const double one[3] = {0.25, 1.0, -0.5};
  EXPECT_EQ(ReadNoiseLevel(1, 80, one, 3).levelText, "77.0");
  const double negative[3] = {1.0, -2.5, 2.0};
  reading = ReadNoiseLevel(1, 100, negative, 3);
  EXPECT_EQ(reading.maxVoltage, 2.5);
  EXPECT_EQ(reading.voltageText, "2.5");
  EXPECT_FALSE(ReadNoiseLevel(0, 80, negative, 3).shown);
  EXPECT_EQ(ReadNoiseLevel(1, 80, nullptr, 0).voltageText, "0.0");
}

TEST(NoiseLevel, DialogSelectsTheCurrentRangeAndReturnsTheChoice) {
  NoiseLevelValues values;
  values.showFlag = 1;
  values.range = 110;
  NoiseLevelDialog dialog(values);
  test::FakeView view;
  dialog.Open(view);
  EXPECT_TRUE(view.checked[kCheckNoiseShow]);
  EXPECT_EQ(view.lists[kListNoiseRange], (std::vector<std::string>{"80", "90", "100", "110", "120", "130"}));
  EXPECT_EQ(view.listSelection[kListNoiseRange], 3);
  view.checked[kCheckNoiseShow] = false;
  view.listSelection[kListNoiseRange] = 5;
  EXPECT_TRUE(dialog.Ok(view));
  EXPECT_EQ(values.showFlag, 0);
  EXPECT_EQ(values.range, 130);
}

TEST(AnalysisResult, AreasOfTheHandedSamples) {
  const double samples[4] = {1.0, 3.0, 2.0, 0.5};
  const AnalysisResult result = ComputeAnalysisResult(samples, 4, 2.0);
  EXPECT_EQ(result.totalText, "6.500000");
  EXPECT_EQ(result.exceedingText, "1.000000");  // 3 − 2 and 2 − 2
  EXPECT_FALSE(AnalyseButtonOpens(samples, 0));
  EXPECT_EQ(ComputeAnalysisResult(samples, 4, 5.0).exceedingArea, 0.0);
}

// ---- Difference pages ---------------------------------------------------------------

class DifSpectrumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    power.assign(1024, 0.0);
    page.setSpectrum({power.data(), power.data(), 1024, 22050});
    page.setData(1024, 22050);
  }
  void Drag(double x1, double y1, double x2, double y2) {
    page.mousePressed(x1, y1);
    page.mouseReleased(x2, y2);
  }
  testing::FakeUiPort port;
  testing::FakeControls controls;
  std::vector<double> power;
  DifSpectrumPage page{port, controls, 2};
};

TEST_F(DifSpectrumTest, TheEleventhMarkIsRefusedAndDeletingRenumbers) {
  for (int i = 0; i < 10; ++i) Drag(0.05 * i, 0.1, 0.05 * i + 0.04, 0.3);
  EXPECT_TRUE(port.shown.empty());
  ASSERT_EQ(controls.lists[dif_page::kMarks].size(), 10u);
  EXPECT_EQ(controls.lists[dif_page::kMarks][9], "Mark 10");
  Drag(0.6, 0.1, 0.7, 0.3);
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, text::kMsgDifNoMoreMarks);
  EXPECT_EQ(page.marks().size(), 10u);

  page.clearMarks();
  for (int i = 0; i < 3; ++i) Drag(0.1 * i, 0.1, 0.1 * i + 0.05, 0.3);
  const double third = page.marks()[2].left;
  page.markChosen(1);
  page.deleteMark();
  EXPECT_EQ(controls.lists[dif_page::kMarks], (std::vector<std::string>{"Mark 1", "Mark 2"}));
  EXPECT_EQ(page.marks()[1].left, third);
  EXPECT_EQ(page.selectedMark(), -1);
  // Too small a drag makes no mark.
  Drag(0.5, 0.5, 0.505, 0.9);
  EXPECT_EQ(page.marks().size(), 2u);
}

int TealPixels(const RecordingPainter::Image& image) {
  int count = 0;
  for (const Rgb& pixel : image.pixels) count += pixel == plot::kTeal ? 1 : 0;
  return count;
}

TEST_F(DifSpectrumTest, AMarkMadeAt50dBIsHalfAsHighAt100dB) {
  Drag(0.2, 0.2, 0.6, 0.6);  // 50 dB range (index 2): levels 10 … 30 dB
  ASSERT_EQ(page.marks().size(), 1u);
  EXPECT_DOUBLE_EQ(page.marks()[0].firstLevel, 30.0);
  EXPECT_DOUBLE_EQ(page.marks()[0].secondLevel, 10.0);
  RecordingPainter at50;
  page.paintPlot(at50, 200, 100);
  page.decibelChosen(3);
  RecordingPainter at100;
  page.paintPlot(at100, 200, 100);
  // A column inside the mark and off the grid lines.
  // The same columns, half the rows (the grid rows coincide at both ranges).
  const int high = TealPixels(at50.rasterise(200, 100));
  const int low = TealPixels(at100.rasterise(200, 100));
  EXPECT_GT(high, 1000);
  EXPECT_EQ(low * 2, high);
}

TEST(DifWaveform, ZoomOneDisablesTheScrollBarAndLimitsKeepTheirGap) {
  testing::FakeUiPort port;
  testing::FakeControls controls;
  DifWaveformPage page(port, controls);
  std::vector<double> samples(1000, 0.5);
  page.setWaveform({samples.data(), 1000, 1000});
  page.setData(1000);
  EXPECT_FALSE(controls.isEnabled(dif_page::kScrollBar));
  EXPECT_EQ(controls.texts[dif_page::kCount], "1000");
  page.sliderMoved(1);
  EXPECT_EQ(page.scrollMaximum(), 500);
  EXPECT_TRUE(controls.isEnabled(dif_page::kScrollBar));
  page.scrolled(ScrollAction::RightEnd);
  page.scrolled(ScrollAction::LineRight);
  EXPECT_EQ(page.scrollPosition(), 500);
  page.sliderMoved(0);
  EXPECT_EQ(page.scrollPosition(), 0);
  EXPECT_FALSE(controls.isEnabled(dif_page::kScrollBar));

  // Values above the upper limit run past the top edge instead of resting on it.
  RecordingPainter painter;
  std::vector<double> high(1000, 10.0);
  page.setWaveform({high.data(), 1000, 1000});
  page.paintPlot(painter, 100, 50);
  const RecordingPainter::Image image = painter.rasterise(100, 50);
  int black = 0;
  for (const Rgb& pixel : image.pixels) black += pixel == plot::kBlack ? 1 : 0;
  EXPECT_EQ(black, 0);

  page.editFinished(dif_page::kUpper, "-5");
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, text::kMsgDifUpperTooSmall);
  EXPECT_EQ(controls.texts[dif_page::kUpper], "5");
  page.editFinished(dif_page::kLower, "abc");
  EXPECT_EQ(port.shown.back().textId, text::kMsgDifLowerTooLarge);
  page.editFinished(dif_page::kLower, "4.5");
  EXPECT_EQ(page.limit(dif_page::kLower), 4.5);
  EXPECT_EQ(port.shown.size(), 2u);
}

// A limit edit whose text is no number ("abc", "0,5" typed under a
// decimal-comma locale) is refused with its range message, not read as 0.
TEST(LimitEdits, TextsThatAreNoNumberAreRefused) {
  EXPECT_EQ(text::parseNumber(" -2.5e1 "), -25.0);
  for (const char* bad : {"abc", "0,5", "12x", "", "inf", "nan"}) EXPECT_FALSE(text::parseNumber(bad)) << bad;

  testing::FakeUiPort port;
  testing::FakeControls controls;
  WaveformPage waveform(port, controls);
  waveform.editFinished(waveform_page::kUpperTop, "0,5");
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, kTextAboveRange);
  EXPECT_EQ(waveform.limit(waveform_page::kUpperTop), 5.0);
  EXPECT_EQ(controls.texts[waveform_page::kUpperTop], "5");
  waveform.editFinished(waveform_page::kUpperTop, "2.5");
  EXPECT_EQ(waveform.limit(waveform_page::kUpperTop), 2.5);

  AbnormalPage abnormal(port, controls);
  abnormal.editFinished(abnormal_page::kSquareTop, "abc");
  EXPECT_EQ(port.shown.size(), 2u);
  EXPECT_EQ(abnormal.upperLimit(0), 5.0);
}

}  // namespace
}  // namespace kr70
