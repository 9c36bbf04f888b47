// The parameter save (32782), noise-level (32811) and difference-page commands
// in the real window.
#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "SettingsPages.h"
#include "WAFilter.h"
#include "TestWav.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kr70::ui {
namespace {

class SettingsWindowTest : public ::testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, GetParam(), KR70_BIN_DIR, "KR70"), 0);
    MainWindow::Options options;
    options.showMessageBoxes = false;
    options.startup = loadStartupSettings(profile, "/tmp/kr70-ui-test");
    options.startup.differenceWaveform = true;
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
    window = std::make_unique<MainWindow>(profile, options);
    window->setMessageObserver([this](const Message& message) { messages.push_back(message); });
    window->show();
    directory = std::filesystem::temp_directory_path() / ("kr70-set-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
  }
  void TearDown() override {
    window.reset();
    std::filesystem::remove_all(directory);
    LmLangClose();
  }
  void openWav(uint32_t rate, uint32_t count) {
    const std::string path = (directory / "tone.wav").string();
    kr70::testing::writeTestWav(path, rate, count, 12000.0, 2 * M_PI * 440 / rate);
    window->setFileChooser([path](const FileDialogRequest&) { return std::vector<std::string>{path}; });
    window->runCommand(57601);
    messages.clear();
  }
  // Runs action on the modal dialog the command opens.
  void withDialog(int32_t command, std::function<void(QWidget&)> action) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      seen = true;
      action(*dialog);
    });
    window->runCommand(command);
    EXPECT_TRUE(seen);
  }

  MemoryProfile profile;
  std::unique_ptr<MainWindow> window;
  std::vector<Message> messages;
  std::filesystem::path directory;
};

TEST_P(SettingsWindowTest, ParameterSaveCommandWritesThePreprocessingFile) {
  openWav(22050, 4000);
  ASSERT_EQ(window->state().ApplyFreqFilterSettings(1, 22050, 128, 3000, 0), 0);
  const std::string file = (directory / "pre.prf").string();
  window->setFileChooser([file](const FileDialogRequest& request) {
    EXPECT_EQ(request.defaultExtension, "prf");
    return std::vector<std::string>{file};
  });
  QString title, typeName;
  bool csvShown = true;
  withDialog(kCommandParameterSave, [&](QWidget& dialog) {
    title = dialog.windowTitle();
    typeName = dialog.findChild<QLabel*>("1081")->text();
    csvShown = dialog.findChild<QPushButton*>("1088")->isVisible();
    dialog.findChild<QPushButton*>("1033")->click();
    EXPECT_EQ(dialog.findChild<QLabel*>("1093")->text().toStdString(), file);
    dialog.findChild<QPushButton*>("1089")->click();
    dialog.findChild<QPushButton*>("2")->click();
  });
  EXPECT_EQ(title, languageText(text::kPrmSaveCaption));
  EXPECT_EQ(typeName, "LPF");
  EXPECT_FALSE(csvShown);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].parts[0].textId, text::kMsgPrmSaved);
  const int32_t* p = window->state().Settings().yuragiParameter;
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "Yuragi=1," + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) +
                            "," + std::to_string(p[3]) + "\nFreq=1,1,128,3000,0\n");
}

TEST_P(SettingsWindowTest, NoiseLevelCommandShowsThePageWithTheChosenRange) {
  openWav(8000, 4000);
  EXPECT_FALSE(window->noiseLevelPage()->isVisible());
  QString title;
  withDialog(kCommandNoiseLevel, [&](QWidget& dialog) {
    title = dialog.windowTitle();
    auto* list = dialog.findChild<QComboBox*>("1226");
    EXPECT_EQ(list->currentText(), "80");
    list->setCurrentIndex(2);
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("1225")->isChecked());
    dialog.findChild<QPushButton*>("1")->click();
  });
  EXPECT_EQ(title, languageText(text::kNoiseSettingsCaption));
  EXPECT_EQ(window->state().Settings().noiseLevelFullScale, 100);
  EXPECT_TRUE(window->noiseLevelPage()->isVisible());
  const NoiseLevelReading& reading = window->noiseLevelPage()->reading();
  EXPECT_EQ(reading.rangeText, "100");
  EXPECT_GT(reading.maxVoltage, 0.0);
  EXPECT_EQ(window->noiseLevelPage()->findChild<QLabel*>("1224")->text().toStdString(), reading.levelText);
  EXPECT_EQ(window->action(kCommandNoiseLevel)->text(), languageText(text::kNoiseSettingsCaption));
}

TEST_P(SettingsWindowTest, DifferenceWaveformButtonShowsTheFilledPage) {
  openWav(8000, 4000);
  auto* button = qobject_cast<QRadioButton*>(window->formControl(1003));
  ASSERT_TRUE(button->isVisible());
  button->click();
  EXPECT_TRUE(window->difWaveformPage()->isVisible());
  EXPECT_FALSE(window->waveformPage()->isVisible());
  EXPECT_EQ(window->difWaveformPage()->logic().scrollMaximum(), 0);
  EXPECT_FALSE(window->difWaveformPage()->control(1043)->isEnabled());
  EXPECT_EQ(qobject_cast<QLabel*>(window->difWaveformPage()->control(1056))->text(),
            QString::number(window->state().DifWaveform().GetSize()));
  EXPECT_GT(window->state().DifWaveform().GetSize(), 0u);
}

TEST_P(SettingsWindowTest, MaintenanceClickRevealsTheAnalyseButtonAndItsResultDialog) {
  openWav(8000, 4000);
  window->runCommand(32780);
  auto* button = window->abnormalPage()->findChild<QPushButton*>("1202");
  ASSERT_NE(button, nullptr);
  EXPECT_FALSE(button->isVisible());
  QWidget* count = window->abnormalPage()->control(1068);
  QTest::mouseClick(count, Qt::LeftButton);
  EXPECT_FALSE(button->isVisible());
  QTest::mouseClick(count, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(button->isVisible());
  button->click();
  auto* dialog = window->findChild<QDialog*>("161");
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->windowTitle(), languageText(text::kResultCaption));
  EXPECT_EQ(dialog->findChild<QLabel*>("1216")->text().toStdString(), window->state().Measure().totalAreaText);
  EXPECT_EQ(dialog->findChild<QLabel*>("1217")->text().toStdString(), window->state().Measure().exceedingAreaText);
  dialog->close();
}

TEST_P(SettingsWindowTest, AStoredDecibelIndexOutsideTheListGivesIndexTwo) {
  window.reset();
  MemoryProfile stored;
  stored.setInt("Custom", "dB", 7);
  MainWindow::Options options;
  options.showMessageBoxes = false;
  options.startup = loadStartupSettings(stored, "/tmp/kr70-ui-test");
  window = std::make_unique<MainWindow>(stored, options);
  EXPECT_EQ(window->spectrumPage()->logic().decibelIndex(0), 2);
  EXPECT_EQ(window->difSpectrumPage()->logic().decibelIndex(), 2);
}

// Fills the frequency filter dialog (LPF, 1024 taps, cut-off) and presses OK.
void chooseLowPass(QWidget& dialog, const QString& cutOff) {
  auto* on = dialog.findChild<QCheckBox*>("1015");
  if (!on->isChecked()) on->click();
  dialog.findChild<QRadioButton*>("1016")->click();
  dialog.findChild<QComboBox*>("1020")->setCurrentIndex(6);
  dialog.findChild<QLineEdit*>("1023")->setText(cutOff);
  dialog.findChild<QPushButton*>("1")->click();
}

TEST_P(SettingsWindowTest, FilterDialogChangesTheChainAndFiveRefusalsRestoreIt) {
  openWav(8000, 8000);
  const double before = window->state().Measure().totalArea;
  withDialog(32773, [](QWidget& dialog) { chooseLowPass(dialog, "500"); });
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(window->state().FreqFilter().GetTap(), 1024u);
  EXPECT_NE(window->state().Measure().totalArea, before);
  const double filtered = window->state().Measure().totalArea;

  // A cut-off at the Nyquist frequency is refused by the design: five times.
  int opened = 0;
  QTimer poll;
  QWidget* last = nullptr;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || dialog == last) return;
    last = dialog;
    ++opened;
    chooseLowPass(*dialog, "4000");
  });
  poll.start(5);
  window->runCommand(32773);
  poll.stop();
  EXPECT_EQ(opened, 5);
  ASSERT_EQ(messages.size(), 6u);
  EXPECT_EQ(messages[4].parts[0].textId, text::kMsgFilterNotBuilt);
  EXPECT_EQ(messages[5].parts[0].textId, text::kMsgSettingsRejectedFiveTimes);
  uint32_t cutOff = 0;
  EXPECT_EQ(window->state().FreqFilter().GetCutoff(cutOff), 0);
  EXPECT_EQ(cutOff, 500u);
  EXPECT_EQ(window->state().Measure().totalArea, filtered);
}

INSTANTIATE_TEST_SUITE_P(Languages, SettingsWindowTest, ::testing::Values(1033, 1041));

}  // namespace
}  // namespace kr70::ui
