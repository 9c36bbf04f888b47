#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "PageWidgets.h"
#include "WAFilter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include "TestWav.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace kr70::ui {
namespace {


int blackPixels(QWidget& widget) {
  const QImage image = widget.grab().toImage();
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == QColor(0, 0, 0)) ++count;
  return count;
}

class MainWindowTest : public ::testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, GetParam(), KR70_BIN_DIR, "KR70"), 0);
    options.showMessageBoxes = false;
    options.startup = loadStartupSettings(profile, "/tmp/kr70-ui-test");
    // A machine without a board: no card driver and a capture PCM that does not exist.
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
    window = std::make_unique<MainWindow>(profile, options);
    window->setMessageObserver([this](const Message& message) { messages.push_back(message); });
    window->show();
    directory = std::filesystem::temp_directory_path() / ("kr70-ui-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
  }
  void TearDown() override {
    window.reset();
    std::filesystem::remove_all(directory);
    LmLangClose();
  }
  std::string openGeneratedWav(uint32_t count) {
    const std::string path = (directory / "tone.wav").string();
    kr70::testing::writeTestWav(path, 8000, count, 12000.0, 2 * M_PI * 440 / 8000);
    window->setFileChooser([path](const FileDialogRequest&) { return std::vector<std::string>{path}; });
    window->runCommand(57601);
    return path;
  }

  MemoryProfile profile;
  MainWindow::Options options;
  std::unique_ptr<MainWindow> window;
  std::vector<Message> messages;
  std::filesystem::path directory;
};

TEST_P(MainWindowTest, EveryMenuAndToolbarTextComesFromTheTable) {
  EXPECT_EQ(window->windowTitle(), languageText(text::kTitleMain));
  EXPECT_FALSE(window->windowTitle().isEmpty());
  EXPECT_EQ(window->maximumSize(), QSize(800, 600));
  const QList<QAction*> menus = window->menuBar()->actions();
  const int menuIds[] = {1, 14, 16, 24, 29};
  ASSERT_EQ(menus.size(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(menus[i]->text(), languageText(menuIds[i]));
    EXPECT_FALSE(menus[i]->text().isEmpty());
  }
  // Submenus at positions 4 and 5 of the first menu.
  const QList<QAction*> file = menus[0]->menu()->actions();
  EXPECT_EQ(file[4]->text(), languageText(5));
  EXPECT_EQ(file[5]->text(), languageText(8));
  const std::pair<int32_t, int> commands[] = {
      {57601, 2},  {57603, 3},  {32784, 4},  {32804, 6},  {32805, 7},  {32789, 9},  {32788, 10},
      {32793, 11}, {32792, 12}, {57665, 13}, {32795, 15}, {32778, 17}, {32772, 18}, {32773, 19},
      {32779, 20}, {32774, 21}, {32810, 22}, {32775, 25}, {32776, 26}, {32780, 27}, {32785, 28},
      {57664, 31}};
  for (const auto& [command, textId] : commands) {
    QAction* action = window->action(command);
    ASSERT_NE(action, nullptr) << command;
    EXPECT_EQ(action->text(), languageText(textId)) << command;
    EXPECT_FALSE(action->text().isEmpty()) << command;
    EXPECT_FALSE(action->statusTip().isEmpty()) << command;
  }
  // Toolbar order and tooltips.
  const QToolBar* bar = window->findChild<QToolBar*>("128");
  ASSERT_NE(bar, nullptr);
  std::vector<int> order;
  std::vector<QString> tips;
  for (QAction* action : bar->actions()) {
    order.push_back(action->isSeparator() ? 0 : action->objectName().toInt());
    if (!action->isSeparator()) tips.push_back(action->toolTip());
  }
  const std::vector<int> expected = {57601, 57603, 0, 32804, 32805, 0, 32789, 32788, 0, 32792, 0, 32795, 0,
                                     32775, 32776, 32780, 0, 32786, 0, 57664};
  EXPECT_EQ(order, expected);
  const int tipIds[] = {1131, 1133, 1157, 1158, 1153, 1152, 1136, 1156, 1143, 1144, 1148, 1151, 1137};
  ASSERT_EQ(tips.size(), 13u);
  for (size_t i = 0; i < tips.size(); ++i) {
    EXPECT_EQ(tips[i], languageText(tipIds[i]));
    EXPECT_FALSE(tips[i].isEmpty());
  }
  // The lock panes are there; offscreen nobody can tell the lock state, so
  // none of them claims a lock is on.
  QTest::qWait(300);
  for (int pane : {46, 41, 42, 43}) {
    auto* label = window->statusBar()->findChild<QLabel*>(QString("pane%1").arg(pane));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString());
  }
  for (auto [id, textId] : {std::pair{1004, 300}, {1005, 301}, {1006, 302}, {1009, 303}, {1007, 304}, {1008, 305}}) {
    auto* button = qobject_cast<QPushButton*>(window->formControl(id));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), languageText(textId));
    EXPECT_FALSE(button->text().isEmpty());
  }
  // Start-up state: page 0 checked, spectrum page off, no board (the
  // acquire button says why).
  EXPECT_TRUE(window->action(32775)->isChecked());
  EXPECT_FALSE(window->formControl(1001)->isEnabled());
  EXPECT_FALSE(window->formControl(1008)->isEnabled());
  EXPECT_EQ(window->formControl(1008)->toolTip(), languageText(text::kMsgNoBoard));
  EXPECT_TRUE(window->waveformPage()->isVisible());
  EXPECT_FALSE(window->spectrumPage()->isVisible());
}

TEST_P(MainWindowTest, OpeningAGeneratedWavFillsThePages) {
  const std::string path = openGeneratedWav(16000);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(window->state().Settings().currentFile, path);
  EXPECT_EQ(window->waveformPage()->logic().count(), 16000u);
  auto* combo = qobject_cast<QComboBox*>(window->formControl(1094));
  EXPECT_EQ(combo->currentText().toStdString(), path);
  auto* count = qobject_cast<QLabel*>(window->waveformPage()->control(1056));
  EXPECT_EQ(count->text(), "16000");
  EXPECT_GT(blackPixels(*window->waveformPage()->plot(0)), 100);
  EXPECT_GT(blackPixels(*window->waveformPage()->plot(1)), 100);
  EXPECT_TRUE(window->waveformPage()->control(1047)->isEnabled());  // 2 s: zoom is possible

  // Spectra on: the spectrum page gets its ranges, curve and peaks.
  window->state().SetSpectraEnabled(true);
  EXPECT_TRUE(window->formControl(1001)->isEnabled());
  window->runCommand(32776);
  EXPECT_TRUE(window->spectrumPage()->isVisible());
  EXPECT_FALSE(window->waveformPage()->isVisible());
  EXPECT_FALSE(window->spectrumPage()->logic().rangeEntries().empty());
  EXPECT_GT(blackPixels(*window->spectrumPage()->plot(0)), 50);

  window->runCommand(32780);
  EXPECT_TRUE(window->abnormalPage()->isVisible());
  EXPECT_EQ(window->abnormalPage()->logic().count(), window->state().SquareMeanWaveform().GetSize());
  EXPECT_GT(blackPixels(*window->abnormalPage()->plot(0)), 50);
  EXPECT_TRUE(window->resultLamp()->isVisible());
  EXPECT_NE(window->resultLamp()->lamp().state(), 0);
}

// A recording of a million samples or more is read and analysed off the
// window's thread: the window's own events keep running, the status bar says
// what is computed, and the results are those of the loaded file.
TEST_P(MainWindowTest, ALongRecordingIsAnalysedWhileTheWindowRuns) {
  QStringList seen;
  uint32_t shownBeforeJudgement = 0;  // the waveform page's sample count meanwhile
  window->setLongWorkObserver([&] {
    seen << window->statusBar()->currentMessage();
    if (seen.back() == languageText(text::kStatusComputingMeasure))
      shownBeforeJudgement = window->waveformPage()->logic().count();
  });
  const std::string path = openGeneratedWav(1200000);
  EXPECT_TRUE(seen.contains(languageText(text::kStatusComputingChain))) << seen.join("|").toStdString();
  EXPECT_EQ(shownBeforeJudgement, 1200000u);  // the waveforms come before the measure
  EXPECT_TRUE(seen.contains(languageText(text::kStatusReadingFile)));
  EXPECT_EQ(window->statusBar()->currentMessage(), languageText(text::kPromptReady));
  EXPECT_EQ(window->state().Settings().currentFile, path);
  EXPECT_EQ(window->state().LastChainStatus(), 0);
  EXPECT_EQ(window->state().YuragiWaveform().GetSize(), 1200000u);
}

TEST_P(MainWindowTest, SamplingPitchButtonOpensDialog130AndSetsThePitch) {
  QString title, ok;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    auto* edit = dialog->findChild<QLineEdit*>("1011");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "1");
    edit->setText("8");
    auto* button = dialog->findChild<QPushButton*>("1");
    ok = button->text();
    button->click();
  });
  qobject_cast<QPushButton*>(window->formControl(1004))->click();
  EXPECT_EQ(title, languageText(text::kFormSamplingPitch));
  EXPECT_EQ(ok, languageText(text::kButtonSet));
  EXPECT_FALSE(ok.isEmpty());
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(window->state().Settings().samplingPitch, 8u);
}

TEST_P(MainWindowTest, AbnormalSettingsButtonOpensDialog140AndTheLampFollows) {
  openGeneratedWav(4000);
  messages.clear();
  const uint32_t yuragiSize = window->state().YuragiWaveform().GetSize();
  QString title, smoothingLabel, count;
  bool countReadOnly = false, peakWidthShown = true;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    smoothingLabel = dialog->findChild<QLabel*>("11065")->text();
    auto* countEdit = dialog->findChild<QLineEdit*>("1063");
    count = countEdit->text();
    countReadOnly = countEdit->isReadOnly();
    peakWidthShown = dialog->findChild<QLineEdit*>("1070")->isVisible();
    // Enter with a smoothing interval of 0: one warning, the old value back.
    auto* smoothing = dialog->findChild<QLineEdit*>("1065");
    smoothing->setFocus();
    smoothing->selectAll();
    QTest::keyClicks(smoothing, "0");
    QTest::keyClick(smoothing, Qt::Key_Return);
    EXPECT_EQ(smoothing->text(), "1");
    // A level above every sample with the inverted judgement: fail; lamp hidden.
    dialog->findChild<QLineEdit*>("1067")->setText("1e12");
    dialog->findChild<QLineEdit*>("1068")->setText("1");
    dialog->findChild<QCheckBox*>("1221")->setChecked(true);
    dialog->findChild<QCheckBox*>("1237")->setChecked(false);
    dialog->findChild<QPushButton*>("1")->click();
  });
  qobject_cast<QPushButton*>(window->formControl(1009))->click();
  EXPECT_EQ(title, languageText(text::kFormAbnormalSettings));
  EXPECT_EQ(smoothingLabel, languageText(text::kAbnSmoothing));
  EXPECT_FALSE(smoothingLabel.isEmpty());
  EXPECT_EQ(count, QString::number(yuragiSize));
  EXPECT_TRUE(countReadOnly);
  EXPECT_FALSE(peakWidthShown);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].parts[0].textId, text::kMsgAbnormalValueInvalid);
  EXPECT_EQ(messages[0].captionId, text::kCaptionError);
  const AnalysisSettings& s = window->state().Settings();
  EXPECT_EQ(s.peakThreshold, 1e12);
  EXPECT_EQ(s.invertedJudgement, 1);
  EXPECT_EQ(s.displaySetting, 0);
  EXPECT_EQ(window->state().Measure().judgement, 2);
  EXPECT_EQ(window->resultLamp()->lamp().state(), 2);
  EXPECT_FALSE(window->resultLamp()->isVisible());
}

TEST_P(MainWindowTest, FftDisplayCommandSwitchesTheSpectrumPage) {
  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QCheckBox*>("9000")->setChecked(true);
    dialog->findChild<QPushButton*>("1")->click();
  });
  window->runCommand(32810);
  EXPECT_EQ(window->state().Settings().spectraEnabled, 1);
  EXPECT_TRUE(window->formControl(1001)->isEnabled());
  EXPECT_TRUE(window->action(32776)->isEnabled());
}

TEST_P(MainWindowTest, VersionDialogTextsFromTheTable) {
  QString title, name, ok;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    name = dialog->findChild<QLabel*>("1243")->text();
    auto* button = dialog->findChild<QPushButton*>("1");
    ok = button->text();
    button->click();
  });
  window->runCommand(57664);
  EXPECT_EQ(title, languageText(100));
  EXPECT_EQ(name, languageText(101));
  EXPECT_EQ(ok, languageText(200));
  EXPECT_FALSE(title.isEmpty());
  EXPECT_TRUE(messages.empty());
}

TEST(LampImages, SizesAndColours) {
  const QImage ok = lampImage(true, true), ng = lampImage(false, true), off = lampImage(true, false);
  EXPECT_EQ(ok.size(), QSize(100, 38));
  EXPECT_EQ(ok.format(), QImage::Format_Indexed8);
  EXPECT_GT(ok.pixelColor(5, 19).blue(), 200);
  EXPECT_LT(ok.pixelColor(5, 19).red(), 50);
  EXPECT_GT(ng.pixelColor(5, 19).red(), 200);
  EXPECT_LT(ng.pixelColor(5, 19).blue(), 50);
  EXPECT_EQ(off.pixelColor(5, 19), QColor(255, 255, 255));
  bool white = false;  // the letters of a lit lamp
  for (int x = 0; x < 100; ++x) white = white || ok.pixelColor(x, 19) == QColor(255, 255, 255);
  EXPECT_TRUE(white);
}

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowTest, ::testing::Values(1033, 1041));

}  // namespace
}  // namespace kr70::ui

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
