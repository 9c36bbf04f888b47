// Desktop conventions of the main window: Qt's own texts in Japanese, files
// dropped on the window, the wheel over the plots, the idle status text.
#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "PageWidgets.h"
#include "TestWav.h"
#include "WAFilter.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QWheelEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace kr70::ui {
namespace {

TEST(DesktopTest, JapaneseTableBringsQtsOwnJapaneseTexts) {
  LmLangClose();
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1041, KR70_BIN_DIR, "KR70"), 0);
  ASSERT_TRUE(installQtTranslations()) << "qt6-translations-l10n missing?";
  // A standard button of every Qt dialog.
  EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
  LmLangClose();
}

class DesktopWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1033, KR70_BIN_DIR, "KR70"), 0);
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
    options.showMessageBoxes = false;
    options.startup = loadStartupSettings(profile, "/tmp/kr70-ui-test");
    window = std::make_unique<MainWindow>(profile, options);
    window->setMessageObserver([this](const Message& message) { messages.push_back(message); });
    window->show();
    directory = std::filesystem::temp_directory_path() / ("kr70-desktop-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
  }
  void TearDown() override {
    window.reset();
    std::filesystem::remove_all(directory);
    LmLangClose();
  }
  std::string writeWav(const char* name, uint32_t count) {
    const std::string path = (directory / name).string();
    kr70::testing::writeTestWav(path, 8000, count, 12000.0, 2 * M_PI * 440 / 8000);
    return path;
  }

  MemoryProfile profile;
  MainWindow::Options options;
  std::unique_ptr<MainWindow> window;
  std::vector<Message> messages;
  std::filesystem::path directory;
};

// Two WAV files and a text file dropped at once: the WAV files join the
// display list, the last acceptable one is shown, as the open command does.
TEST_F(DesktopWindowTest, DroppedFilesOpenAsTheOpenCommandOpensThem) {
  const std::string first = writeWav("first.wav", 8000);
  const std::string second = writeWav("second.wav", 16000);
  const std::string junk = (directory / "notes.txt").string();
  { std::ofstream(junk) << "not a waveform"; }
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(first)), QUrl::fromLocalFile(QString::fromStdString(junk)),
                QUrl::fromLocalFile(QString::fromStdString(second))});
  // Straight to the window: without a platform drag in progress Qt's own
  // dispatch drops a synthetic drop event before any widget sees it.
  QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(window.get())->event(&enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(window.get())->event(&drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(window->state().Settings().currentFile, second);
  EXPECT_EQ(window->waveformPage()->logic().count(), 16000u);
  auto* combo = qobject_cast<QComboBox*>(window->formControl(1094));
  ASSERT_NE(combo, nullptr);
  EXPECT_GE(combo->findText(QString::fromStdString(first)), 0);
  EXPECT_LT(combo->findText(QString::fromStdString(junk)), 0);
}

// Over a plot the wheel scrolls a line of the scroll bar per notch; with Ctrl
// it zooms a slider step and keeps the time under the mouse in place.
TEST_F(DesktopWindowTest, WheelScrollsAndCtrlWheelZoomsAroundTheMouse) {
  window->setFileChooser([path = writeWav("tone.wav", 16000)](const FileDialogRequest&) {
    return std::vector<std::string>{path};
  });
  window->runCommand(57601);
  WaveformPageWidget& page = *window->waveformPage();
  PlotWidget* plot = page.plot(0);
  const QPointF at(plot->width() * 0.75, plot->height() / 2.0);
  auto turn = [&](int angle, Qt::KeyboardModifiers modifiers, PlotWidget* target = nullptr) {
    target = target ? target : plot;
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
  };
  turn(120, Qt::ControlModifier);
  EXPECT_EQ(page.logic().view().zoom(), 2);
  const int position = page.logic().view().scrollPosition();
  EXPECT_NEAR(position, 375, 2);  // 3/4 of the record stays at 3/4 of the plot
  turn(-120, Qt::NoModifier);      // towards the user: later times, a line (page 500 / 10)
  EXPECT_EQ(page.logic().view().scrollPosition(), position + 50);
  turn(-120, Qt::ControlModifier);
  EXPECT_EQ(page.logic().view().zoom(), 1);
  // The abnormal-sound page's plot takes the wheel the same way.
  window->form().viewCommand(32780);
  turn(120, Qt::ControlModifier, window->abnormalPage()->plot(0));
  EXPECT_EQ(window->abnormalPage()->logic().view().zoom(), 2);
}

// One open of three files, two of them refused: one box names both with
// their reasons, and the acceptable file is shown.
TEST_F(DesktopWindowTest, RefusedFilesOfOneOpenShareOneBoxWithTheirReasons) {
  const std::string good = writeWav("good.wav", 8000);
  const std::string stereo = writeWav("stereo.wav", 8000);
  {
    std::fstream patch(stereo, std::ios::in | std::ios::out | std::ios::binary);
    patch.seekp(22);  // the format chunk's channel count
    patch.put(2);
  }
  const std::string song = (directory / "song.mp3").string();
  { std::ofstream(song) << "ID3 not a waveform"; }
  window->setFileChooser([&](const FileDialogRequest&) { return std::vector<std::string>{stereo, good, song}; });
  window->runCommand(57601);
  EXPECT_EQ(window->state().Settings().currentFile, good);
  ASSERT_EQ(messages.size(), 1u);
  const QString text = messageText(messages[0]);
  EXPECT_TRUE(text.startsWith(languageText(text::kMsgFilesNotOpened))) << text.toStdString();
  EXPECT_TRUE(text.contains("\nstereo.wav: 2 channels; only mono")) << text.toStdString();
  EXPECT_TRUE(text.contains("\nsong.mp3: neither a raw-data file")) << text.toStdString();
}

// Dragging over the waveform plot draws the band as it goes; a release
// beyond the plot ends the selection at the plot's edge.
TEST_F(DesktopWindowTest, DragDrawsTheBandLiveAndEndsAtThePlotEdge) {
  window->setFileChooser([path = writeWav("tone.wav", 16000)](const FileDialogRequest&) {
    return std::vector<std::string>{path};
  });
  window->runCommand(57601);
  WaveformPageWidget& page = *window->waveformPage();
  PlotWidget* plot = page.plot(0);
  const int width = plot->width();
  auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, plot->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(plot, &event);
  };
  const QColor teal(0, 192, 192);
  const int pressed = width / 4;
  const uint32_t start = 16000u * pressed / width;  // the sample at that pixel
  send(QEvent::MouseButtonPress, QPointF(pressed, 2), Qt::LeftButton);
  send(QEvent::MouseMove, QPointF(width * 0.5, 2), Qt::LeftButton);
  QImage picture = plot->grab().toImage();
  EXPECT_EQ(picture.pixelColor(picture.width() * 3 / 8, 2), teal);
  EXPECT_NE(picture.pixelColor(picture.width() * 3 / 4, 2), teal);
  EXPECT_EQ(page.logic().selectionStart(), 0u);  // nothing chosen before the release
  // Beyond the plot's right edge and below the page's plots.
  send(QEvent::MouseMove, QPointF(width * 1.5, plot->height() * 4.0), Qt::LeftButton);
  picture = plot->grab().toImage();
  EXPECT_EQ(picture.pixelColor(picture.width() - 2, 2), teal);
  send(QEvent::MouseButtonRelease, QPointF(width * 1.5, plot->height() * 4.0), Qt::NoButton);
  EXPECT_EQ(page.logic().selectionStart(), start);
  EXPECT_EQ(page.logic().selectionLength(), 16000u - start);
  EXPECT_EQ(window->state().Settings().fftStart, start);
}

TEST_F(DesktopWindowTest, ClosedMenuBringsBackTheIdleText) {
  QMenu* file = window->menuBar()->findChildren<QMenu*>().value(0);
  ASSERT_NE(file, nullptr);
  file->popup(QPoint(0, 0));
  window->statusBar()->showMessage(QStringLiteral("prompt of an item"));
  file->hide();
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_EQ(window->statusBar()->currentMessage(), languageText(text::kPromptReady));
}

}  // namespace
}  // namespace kr70::ui
