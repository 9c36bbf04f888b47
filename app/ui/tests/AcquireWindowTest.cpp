// The acquire button on the simulated A/D board, in a process of its own:
// the card backend is chosen once per process (KR70_CARD, set by ctest).
#include "LanguageText.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "WAFilter.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace kr70::ui {
namespace {

// The operator's loop on the simulated A/D board: detection at start, the
// acquire button records a WAV into the data directory, the chain runs and
// the measure judges it; the file number advances.
TEST(MainWindowAcquisitionTest, AcquireButtonRecordsLoadsAndJudges) {
  StartFilterSystem();
  LmLangClose();
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1041, KR70_BIN_DIR, "KR70"), 0);
  const std::filesystem::path data =
      std::filesystem::temp_directory_path() / ("kr70-acquire-" + std::to_string(::getpid()));
  std::filesystem::create_directories(data);
  MemoryProfile profile;
  profile.setString("DirPosPlus", "DirDefaultPlus", data.string());
  MainWindow::Options options;
  options.showMessageBoxes = false;
  std::vector<Message> messages;
  {
    MainWindow window(profile, options);
    window.setMessageObserver([&](const Message& message) { messages.push_back(message); });
    EXPECT_EQ(window.acquisition().Board().kind, 2);
    EXPECT_EQ(window.acquisition().Board().available, 1);
    ASSERT_TRUE(window.formControl(1008)->isEnabled());
    qobject_cast<QPushButton*>(window.formControl(1008))->click();
    ASSERT_TRUE(window.lastAcquireOutcome().has_value());
    EXPECT_EQ(*window.lastAcquireOutcome(), AcquireOutcome::Loaded);
    EXPECT_TRUE(messages.empty());
    const std::filesystem::path wav = data / "LmWAData-001#01.wav";
    ASSERT_TRUE(std::filesystem::is_regular_file(wav));
    // 16-bit mono, 44-byte header, the 5000 samples detection sets.
    EXPECT_EQ(std::filesystem::file_size(wav), 44u + 2 * 5000);
    std::ifstream in(wav, std::ios::binary);
    char header[44];
    in.read(header, 44);
    uint32_t rate = 0;
    std::memcpy(&rate, header + 24, 4);
    EXPECT_EQ(rate, 50000u);
    EXPECT_EQ(window.state().Settings().currentFile, wav.string());
    EXPECT_EQ(window.state().Settings().fileNumber, 2);
    EXPECT_EQ(window.state().RawWaveform().GetSize(), 5000u);
    EXPECT_NE(window.state().Measure().judgement, 0);
    EXPECT_TRUE(window.formControl(1008)->isEnabled());
    EXPECT_TRUE(window.menuBar()->isEnabled());
  }
  std::filesystem::remove_all(data);
  LmLangClose();
  StopFilterSystem();
}


// The acquisition settings dialog: a time that gives no sample is refused
// with 2085, then 200 ms at 50000 Hz reconfigures the board, and the next
// recording has 10000 samples.
TEST(MainWindowAcquisitionTest, SettingsDialogChangesTheNextRecording) {
  StartFilterSystem();
  LmLangClose();
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1033, KR70_BIN_DIR, "KR70"), 0);
  const std::filesystem::path data =
      std::filesystem::temp_directory_path() / ("kr70-settings-" + std::to_string(::getpid()));
  std::filesystem::create_directories(data);
  MemoryProfile profile;
  profile.setString("DirPosPlus", "DirDefaultPlus", data.string());
  MainWindow::Options options;
  options.showMessageBoxes = false;
  std::vector<int32_t> warnings;
  {
    MainWindow window(profile, options);
    window.setMessageObserver([&](const Message& message) { warnings.push_back(message.parts[0].textId); });
    window.setDialogHook([](QDialog& dialog) {
      QTimer::singleShot(0, &dialog, [&dialog] {
        auto* time = dialog.findChild<QLineEdit*>("1035");
        time->setText("0.001");
        dialog.accept();  // refused: stays open
        time->setText("200");
        dialog.findChild<QRadioButton*>("1073")->setChecked(true);  // 50000 Hz
        dialog.findChild<QLineEdit*>("1031")->setText("bench");
        dialog.accept();
      });
    });
    window.runCommand(32774);
    EXPECT_EQ(warnings, std::vector<int32_t>{2085});
    EXPECT_EQ(window.state().Settings().dataPoints, 10000u);
    EXPECT_EQ(window.state().Settings().fileStem, "bench");
    window.runCommand(1008);
    ASSERT_TRUE(window.lastAcquireOutcome().has_value());
    EXPECT_EQ(*window.lastAcquireOutcome(), AcquireOutcome::Loaded);
    EXPECT_EQ(std::filesystem::file_size(data / "bench-001#01.wav"), 44u + 2 * 10000);
  }
  std::filesystem::remove_all(data);
  LmLangClose();
  StopFilterSystem();
}
}  // namespace
}  // namespace kr70::ui

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
