#include "DataSaveDialog.h"

#include "AnalysisState.h"
#include "FakeDialogView.h"
#include "FakePage.h"
#include "Kr70TextIds.h"
#include "LmWACore.h"
#include "TestWav.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace kr70 {
namespace {

using namespace dialog;
namespace fs = std::filesystem;

class SavePort : public testing::FakeUiPort {
 public:
  bool AskYesNo(const Message& message) override {
    questions.push_back(message.parts.at(0).textId);
    return answer;
  }
  std::vector<int32_t> questions;
  bool answer = true;
};

// A loaded 16-bit WAV (spectra on) and the dialog opened over it.
class DataSaveDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    directory = fs::temp_directory_path() / ("kr70-save-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    wav = (directory / "take.wav").string();
    testing::writeTestWav(wav, 8000, 4000, 8000.0, 0.05);
    state.InitializeParameters("");
    state.Settings().spectraEnabled = 1;
    ASSERT_EQ(state.LoadWaveform(wav), 1);
    values.state = &state;
    values.defaultDirectory = directory.string();
  }
  void TearDown() override { fs::remove_all(directory); }

  // Opens the dialog over current with the given kinds checked (all others off).
  DataSaveDialog& open(const std::string& current, std::initializer_list<int32_t> kinds) {
    values.currentFile = current;
    dialog = std::make_unique<DataSaveDialog>(values, port);
    dialog->Open(view);
    for (int32_t id = kCheckSaveRaw; id <= kCheckSaveSquareMean; ++id) view.checked[id] = false;
    for (int32_t id : kinds) view.checked[id] = true;
    return *dialog;
  }
  bool exists(const std::string& name) const { return fs::exists(directory / name); }
  std::vector<int32_t> shownIds() const {
    std::vector<int32_t> ids;
    for (const auto& shown : port.shown) ids.push_back(shown.textId);
    return ids;
  }

  fs::path directory;
  std::string wav;
  SavePort port;
  AnalysisState state{port};
  DataSaveValues values;
  test::FakeView view;
  std::unique_ptr<DataSaveDialog> dialog;
};

TEST_F(DataSaveDialogTest, OpensOverTheCurrentFileAndFollowsTheName) {
  values.currentFile = wav;
  DataSaveDialog dialog(values, port);
  dialog.Open(view);
  EXPECT_TRUE(view.checked[kCheckDataArea]);
  EXPECT_EQ(view.texts[kEditSaveDirectory], directory.string());
  EXPECT_EQ(view.texts[kEditSaveName], "take");
  EXPECT_EQ(view.textIds[kCheckSaveRaw], text::kSaveRawFromWave);
  EXPECT_TRUE(view.checked[kCheckSaveRaw]);
  EXPECT_FALSE(view.checked[kCheckSaveAnalysis]);
  EXPECT_EQ(view.texts[kCheckSaveSquareMean + kNameDisplayOffset], "take.sdt");
  EXPECT_FALSE(view.shown.at(kCheckSaveDifSpectrum));
  EXPECT_TRUE(view.enabled[kOk]);

  view.checked[kCheckSaveRaw] = false;
  dialog.Clicked(view, kCheckSaveRaw);
  EXPECT_FALSE(view.enabled[kOk]);
  view.texts[kEditSaveName] = "run7";
  dialog.NameEdited(view);
  EXPECT_EQ(view.texts[kCheckSaveYuragi + kNameDisplayOffset], "run7.ydt");
  view.texts[kEditSaveName] = "sub/run8";
  dialog.EditLeft(view, kEditSaveName);
  EXPECT_EQ(view.texts[kEditSaveDirectory], (directory / "sub").string());
  EXPECT_EQ(view.texts[kEditSaveName], "run8");

  // A raw-data file is not offered as one again.
  values.currentFile = (directory / "take.RDT").string();
  DataSaveDialog raw(values, port);
  raw.Open(view);
  EXPECT_EQ(view.textIds[kCheckSaveRaw], text::kSaveKindRaw);
  EXPECT_FALSE(view.checked[kCheckSaveRaw]);
  EXPECT_FALSE(view.enabled[kOk]);
}

TEST_F(DataSaveDialogTest, AWavFileIsSavedAsRawDataBesideIt) {
  ASSERT_TRUE(open(wav, {kCheckSaveRaw}).Ok(view));
  EXPECT_TRUE(exists("take.rdt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 2);  // wav and rdt
  EXPECT_TRUE(port.questions.empty());
  EXPECT_TRUE(port.shown.empty());
}

TEST_F(DataSaveDialogTest, TheCurrentRawDataFileIsNotWrittenOntoItself) {
  const std::string rdt = (directory / "take.rdt").string();
  ASSERT_EQ(SaveRawData(rdt.c_str(), state.RawWaveform()), 0);
  ASSERT_EQ(state.LoadWaveform(rdt), 1);
  std::ofstream(rdt, std::ios::app) << "marker\n";  // the loader ignores lines after the samples
  const auto size = fs::file_size(rdt);
  ASSERT_TRUE(open(rdt, {kCheckSaveRaw, kCheckSaveAnalysis}).Ok(view));
  EXPECT_EQ(fs::file_size(rdt), size);
  EXPECT_TRUE(exists("take.adt"));
  ASSERT_EQ(values.saved.size(), 2u);
  EXPECT_TRUE(values.saved[0].skipped);
  EXPECT_TRUE(port.questions.empty());  // only the .adt target, which did not exist
}

TEST_F(DataSaveDialogTest, TheFileIoOptionAddsTheYuragiFilesUnderYNames) {
  values.fileIo = true;
  ASSERT_TRUE(open(wav, {kCheckSaveYuragi, kCheckSaveYuragiSpectrum}).Ok(view));
  for (const char* name : {"take.ydt", "takeY.adt", "take.ysp", "takeY.spd"}) EXPECT_TRUE(exists(name)) << name;
  for (const char* name : {"take.spd", "take.adt", "take.rdt"}) EXPECT_FALSE(exists(name)) << name;
}

TEST_F(DataSaveDialogTest, AFailingSpectrumWriteDoesNotStopTheSquareMeanWrite) {
  state.SetSpectraEnabled(false);  // no spectrum to write
  ASSERT_TRUE(open(wav, {kCheckSaveSpectrum, kCheckSaveSquareMean}).Ok(view));
  EXPECT_EQ(shownIds(), std::vector<int32_t>{text::kMsgSpdNotSaved});
  EXPECT_EQ(port.shown[0].captionId, kCaptionFileDialog);
  EXPECT_TRUE(exists("take.sdt"));
}

TEST_F(DataSaveDialogTest, SavingOverExistingFilesAsksOnce) {
  values.fileIo = true;
  const auto all = {kCheckSaveRaw,    kCheckSaveAnalysis,       kCheckSaveYuragi,
                    kCheckSaveSpectrum, kCheckSaveYuragiSpectrum, kCheckSaveSquareMean};
  for (const char* name : {"take.rdt", "take.adt", "take.ydt", "takeY.adt", "take.spd", "take.ysp", "takeY.spd",
                           "take.sdt"})
    std::ofstream(directory / name) << "old\n";
  port.answer = false;
  EXPECT_FALSE(open(wav, all).Ok(view));
  EXPECT_EQ(port.questions, std::vector<int32_t>{text::kAskOverwrite});
  EXPECT_EQ(view.selected, kEditSaveName);
  EXPECT_EQ(fs::file_size(directory / "take.sdt"), 4u);  // nothing written

  port.answer = true;
  port.questions.clear();
  EXPECT_TRUE(open(wav, all).Ok(view));
  EXPECT_EQ(port.questions, std::vector<int32_t>{text::kAskOverwrite});
  EXPECT_GT(fs::file_size(directory / "take.sdt"), 4u);
  EXPECT_GT(fs::file_size(directory / "takeY.spd"), 4u);
  EXPECT_TRUE(port.shown.empty());
}

TEST_F(DataSaveDialogTest, ARefusedDirectoryOrAnEmptyNameKeepsTheDialogOpen) {
  port.answer = false;  // do not create the missing directory
  DataSaveDialog& dialog = open(wav, {kCheckSaveAnalysis});
  view.texts[kEditSaveDirectory] = (directory / "new").string();
  EXPECT_FALSE(dialog.Ok(view));
  EXPECT_EQ(view.selected, kEditSaveDirectory);
  EXPECT_FALSE(exists("new"));

  view.texts[kEditSaveDirectory] = directory.string();
  view.texts[kEditSaveName] = "";
  EXPECT_FALSE(dialog.Ok(view));
  EXPECT_EQ(shownIds(), std::vector<int32_t>{text::kMsgBaseNameEmpty});
  EXPECT_EQ(view.selected, kEditSaveName);
  EXPECT_FALSE(exists(".adt"));
}

}  // namespace
}  // namespace kr70
