// The data-file save (150) and cut-out (151) dialogs in the real window,
// offscreen: the window's saved files must equal kr70-analyse's byte for byte.
#include "DataSaveDialog.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "WaveCutDialog.h"
#include "WAFilter.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kr70::ui {
namespace {

namespace fs = std::filesystem;
using namespace kr70::dialog;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int RunShell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The demo recordings and parameter file, a window with the demo parameters
// and the tone recording open.
class FileSaveWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    directory = fs::temp_directory_path() / ("kr70-ui-save-" + std::to_string(::getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory);
    ASSERT_EQ(RunShell(std::string(KR70_BIN_DIR) + "/kr70-demo-gen '" + directory.string() + "' >/dev/null"), 0);
    tone = (directory / "demo-tone.wav").string();
    parameters = (directory / "demo.ini").string();

    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1033, KR70_BIN_DIR, "KR70"), 0);
    options.showMessageBoxes = false;
    options.startup = loadStartupSettings(profile, directory.string());
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
    window = std::make_unique<MainWindow>(profile, options);
    window->setMessageObserver([this](const Message& message) { messages.push_back(message); });
    window->show();
    ASSERT_EQ(window->state().OpenParameterFile(parameters), 1);
    window->state().SetSpectraEnabled(true);
    window->setFileChooser([this](const FileDialogRequest&) { return std::vector<std::string>{tone}; });
    window->runCommand(57601);
    ASSERT_EQ(window->state().Settings().currentFile, tone);
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(directory);
    LmLangClose();
  }

  fs::path directory;
  std::string tone, parameters;
  MemoryProfile profile;
  MainWindow::Options options;
  std::unique_ptr<MainWindow> window;
  std::vector<Message> messages;
};

TEST_F(FileSaveWindowTest, EveryStageSavedFromTheWindowEqualsTheHeadlessSave) {
  const fs::path fromWindow = directory / "window";
  const fs::path fromTool = directory / "tool";
  fs::create_directories(fromWindow);
  window->setDialogHook([&](QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog, fromWindow] {
      dialog.findChild<QLineEdit*>(QString::number(kEditSaveDirectory))->setText(QString::fromStdString(fromWindow));
      for (int32_t id : {kCheckSaveRaw, kCheckSaveAnalysis, kCheckSaveYuragi, kCheckSaveSpectrum,
                         kCheckSaveYuragiSpectrum, kCheckSaveSquareMean})
        dialog.findChild<QCheckBox*>(QString::number(id))->setChecked(true);
      dialog.accept();
    });
  });
  window->runCommand(kCommandSaveData);
  EXPECT_TRUE(messages.empty());

  ASSERT_EQ(RunShell(std::string(KR70_BIN_DIR) + "/kr70-analyse --params '" + parameters + "' --save '" +
                fromTool.string() + "' '" + tone + "' >/dev/null"),
            0);
  for (const char* extension : {".rdt", ".adt", ".ydt", ".spd", ".ysp", ".sdt"}) {
    const std::string name = std::string("demo-tone") + extension;
    const std::string saved = ReadAll(fromWindow / name);
    EXPECT_GT(saved.size(), 100u) << name;
    EXPECT_TRUE(saved == ReadAll(fromTool / name)) << name << " differs";
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(fromWindow), fs::directory_iterator()), 6);
}

TEST_F(FileSaveWindowTest, CutOutWritesTheChosenSliceAt8Bit) {
  const std::string target = (directory / "slice.wav").string();
  window->setFileChooser([target](const FileDialogRequest&) { return std::vector<std::string>{target}; });
  window->setDialogHook([&](QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
      dialog.findChild<QLineEdit*>(QString::number(kEditCutStart))->setText("100");
      dialog.findChild<QLineEdit*>(QString::number(kEditCutEnd))->setText("200");
      dialog.findChild<QRadioButton*>(QString::number(kRadioCut8Bit))->setChecked(true);
      dialog.accept();
    });
  });
  window->runCommand(kCommandWaveCut);
  EXPECT_TRUE(messages.empty());
  const uint32_t rate = window->state().RawWaveform().GetSampFreq();
  EXPECT_EQ(fs::file_size(target), 44u + rate / 10);  // 100 ms of one byte per sample
}

}  // namespace
}  // namespace kr70::ui
