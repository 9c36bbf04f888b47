// "Record results" in the workstation: the check item's setting, a verdict
// stored for an opened file, and the status-bar pane when the server is away.
#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "ResultCapture.h"
#include "ResultRecording.h"
#include "ResultStore.h"
#include "TestWav.h"
#include "WAFilter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace kr70::ui {
namespace {

class ResultRecordingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1033, KR70_BIN_DIR, "KR70"), 0);
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
    directory = std::filesystem::temp_directory_path() / ("kr70-ui-results-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    ::setenv("XDG_DATA_HOME", (directory / "data").c_str(), 1);
    wav = (directory / "part-17.wav").string();
    kr70::testing::writeTestWav(wav, 8000, 4000, 12000.0, 2 * M_PI * 440 / 8000);
    options.showMessageBoxes = false;
  }
  void TearDown() override {
    window.reset();
    std::filesystem::remove_all(directory);
    LmLangClose();
  }
  void Open(const std::string& store) {
    profile.setInt("Results", "Record", 1);
    profile.setString("Results", "Store", store);
    profile.setString("Results", "Station", "bench-ui");
    window = std::make_unique<MainWindow>(profile, options);
  }
  // The status-bar pane once one verdict has gone to the writer; null when
  // the pane is missing or hidden.
  QLabel* PaneAfterAVerdict() {
    if (window->state().LoadWaveform(wav) != 1) return nullptr;
    window->results()->drain();
    QApplication::processEvents();
    auto* pane = window->findChild<QLabel*>("resultsPane");
    return pane && !pane->isHidden() ? pane : nullptr;
  }
  std::vector<ResultRecord> Stored(const std::string& store) {
    std::vector<ResultRecord> rows;
    auto opened = OpenResultStore(store, nullptr, nullptr);
    EXPECT_NE(opened, nullptr);
    if (opened) opened->Query({}, [&](const ResultRecord& r) {
      rows.push_back(r);
      return true;
    });
    return rows;
  }

  MemoryProfile profile;
  MainWindow::Options options;
  std::unique_ptr<MainWindow> window;
  std::filesystem::path directory;
  std::string wav;
};

TEST_F(ResultRecordingTest, StoresTheVerdictOfEachOpenedFileWhileOn) {
  const std::string store = (directory / "results.sqlite").string();
  Open(store);
  ResultRecording* results = window->results();
  ASSERT_NE(results, nullptr);
  EXPECT_TRUE(results->action()->isChecked());
  EXPECT_EQ(results->action()->text(), languageText(text::kMenuSettingsRecordResults));

  ASSERT_EQ(window->state().LoadWaveform(wav), 1);
  results->drain();
  std::vector<ResultRecord> rows = Stored(store);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].station, "bench-ui");
  EXPECT_EQ(rows[0].recordingPath, wav);
  EXPECT_EQ(rows[0].sampleCount, 4000u);
  EXPECT_EQ(rows[0].recordingSha256.size(), 64u);
  EXPECT_EQ(rows[0].judgement, window->state().Measure().judgement);
  EXPECT_EQ(rows[0].exceedingArea, window->state().Measure().exceedingArea);

  // Off: the setting is kept and nothing more is stored.
  results->action()->setChecked(false);
  EXPECT_EQ(profile.getInt("Results", "Record", -1), 0);
  ASSERT_EQ(window->state().LoadWaveform(wav), 1);
  results->drain();
  EXPECT_EQ(Stored(store).size(), 1u);
}

TEST_F(ResultRecordingTest, StatusBarTellsOfVerdictsWaitingForTheServer) {
  Open("postgresql://kr70@/results?host=" + (directory / "no-server").string());
  QLabel* pane = PaneAfterAVerdict();
  ASSERT_NE(pane, nullptr);
  Message queued;
  queued.parts.push_back({text::kResultsQueued, {"1"}, ""});
  EXPECT_EQ(pane->text(), messageText(queued));
}

// The Settings menu's dialog: a new store and station take effect with the
// next verdict; unchecking stops recording.
TEST_F(ResultRecordingTest, SettingsDialogChangesStoreStationAndRecording) {
  const std::string first = (directory / "first.sqlite").string();
  const std::string second = (directory / "second.sqlite").string();
  Open(first);
  ResultRecording* results = window->results();
  EXPECT_EQ(results->settingsAction()->text(), languageText(text::kMenuSettingsResultsStore));
  QDialog* dialog = results->openSettings();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), languageText(text::kTitleResultsStore));
  auto* store = dialog->findChild<QLineEdit*>("store");
  auto* station = dialog->findChild<QLineEdit*>("station");
  auto* record = dialog->findChild<QCheckBox*>("record");
  ASSERT_TRUE(store && station && record);
  EXPECT_EQ(store->text().toStdString(), first);
  EXPECT_EQ(station->text(), QStringLiteral("bench-ui"));
  EXPECT_TRUE(record->isChecked());
  store->setText(QString::fromStdString(" " + second + " "));
  station->clear();
  dialog->accept();
  EXPECT_EQ(profile.getString("Results", "Store", ""), second);
  EXPECT_EQ(profile.getString("Results", "Station", "?"), "");
  ASSERT_EQ(window->state().LoadWaveform(wav), 1);
  results->drain();
  const std::vector<ResultRecord> rows = Stored(second);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].station, DefaultStationName());
  EXPECT_FALSE(std::filesystem::exists(first));

  dialog = results->openSettings();
  dialog->findChild<QCheckBox*>("record")->setChecked(false);
  dialog->accept();
  EXPECT_FALSE(results->recording());
  EXPECT_EQ(profile.getInt("Results", "Record", -1), 0);
}

TEST_F(ResultRecordingTest, StatusBarTellsOfVerdictsHeldWhileTheStoreFails) {
  std::ofstream(directory / "blocked") << "a file where the store's folder should be";
  Open((directory / "blocked" / "results.sqlite").string());
  QLabel* pane = PaneAfterAVerdict();
  ASSERT_NE(pane, nullptr);
  EXPECT_TRUE(pane->toolTip().contains(QStringLiteral("blocked")));  // why, in the store's words
  Message held;
  held.parts.push_back({text::kResultsHeld, {"1", pane->toolTip().toStdString()}, ""});
  EXPECT_EQ(pane->text(), messageText(held));
}

}  // namespace
}  // namespace kr70::ui

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
