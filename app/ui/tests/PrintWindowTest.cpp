// The window's print command to a PDF file, the viewer's frame and the dB
// index the spectrum page starts with.
#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "PageWidgets.h"
#include "Printing.h"
#include "TestWav.h"
#include "WAFilter.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPrinterInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace kr70::ui {
namespace {

namespace fs = std::filesystem;

class PrintWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1033, KR70_BIN_DIR, "KR70"), 0);
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
    options.showMessageBoxes = false;
    directory = fs::absolute("print-" + std::to_string(::getpid()));
    fs::create_directories(directory);
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(directory);
    LmLangClose();
  }
  void open() {
    options.startup = loadStartupSettings(profile, directory.string());
    window = std::make_unique<MainWindow>(profile, options);
    window->setMessageObserver([this](const Message& message) { messages.push_back(message); });
    window->show();
  }
  static QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
  }

  MemoryProfile profile;
  MainWindow::Options options;
  std::unique_ptr<MainWindow> window;
  std::vector<Message> messages;
  fs::path directory;
};

TEST_F(PrintWindowTest, PrintsThePlotTheFileNameAndTheSettingsToPdf) {
  open();
  const std::string wav = (directory / "tone-for-the-printed-page.wav").string();
  kr70::testing::writeTestWav(wav, 8000, 8000, 12000.0, 2 * M_PI * 440 / 8000);
  ASSERT_EQ(window->state().LoadWaveform(wav), 1);
  QApplication::processEvents();
  const QString pdf = QString::fromStdString((directory / "page.pdf").string());
  window->printing().usePdfFile(pdf);
  window->runCommand(32792);
  EXPECT_TRUE(messages.empty());
  ASSERT_TRUE(QFileInfo(pdf).size() > 0);

  const QString text = run("pdftotext", {"-layout", pdf, "-"}).simplified();
  EXPECT_TRUE(text.contains(languageText(text::kPrintDisplayFile).trimmed())) << text.toStdString();
  EXPECT_TRUE(text.contains("tone-for-the-printed-page.wav")) << text.toStdString();
  EXPECT_TRUE(text.contains(languageText(text::kPrintHeadSampling))) << text.toStdString();
  EXPECT_TRUE(text.contains(languageText(text::kPrintHeadAbnormal))) << text.toStdString();

  const QString stem = QString::fromStdString((directory / "page").string());
  run("pdftoppm", {"-r", "40", "-png", "-singlefile", pdf, stem});
  const QImage image(stem + ".png");
  ASSERT_FALSE(image.isNull());
  // The picture of the waveform page fills the top of the page: curves,
  // frames and labels there (the text lines start further down).
  int inked = 0;
  const int rows = image.height() / 3;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 230) ++inked;
  EXPECT_GT(inked, image.width() * rows / 20);
}

TEST_F(PrintWindowTest, NoPrinterSaysSo) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this machine has a default printer";
  open();
  window->runCommand(32792);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].parts[0].textId, text::kMsgNoPrinter);
}

TEST_F(PrintWindowTest, ViewerFrameHidesAcquisitionAndAnOddDecibelIndexStartsAtTwo) {
  profile.setInt("Custom", "dB", 7);
  options.viewer = true;
  std::vector<std::string> sentTo;
  options.sendToInstances = [&](const char* className, const instance::InstanceMessage& message) {
    sentTo.push_back(std::string(className) + " " + message.name);
  };
  open();
  window->firstActivation();
  EXPECT_EQ(window->windowTitle(), languageText(text::kTitleMain) + languageText(text::kTitleViewerSuffix));
  EXPECT_FALSE(window->formControl(1008)->isVisible());
  EXPECT_FALSE(window->formControl(1007)->isVisible());
  EXPECT_FALSE(window->action(32785)->isEnabled());
  EXPECT_FALSE(window->action(32786)->isEnabled());
  EXPECT_EQ(sentTo, (std::vector<std::string>{"QZ-KR70MainClassAndMutex GETCOMBOBOXLISTPLUS",
                                              "QZ-KR70MainClassAndMutex GETBOARDINFOPLUS"}));
  EXPECT_EQ(window->spectrumPage()->logic().decibelIndex(0), 2);
  EXPECT_LE(window->maximumWidth(), 800);
  EXPECT_LE(window->maximumHeight(), 600);
}

}  // namespace
}  // namespace kr70::ui
