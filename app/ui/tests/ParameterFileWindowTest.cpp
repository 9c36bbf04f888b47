// The window's "open parameter file" (32789) gives exactly the verdict, areas
// and peaks that kr70-analyse --params prints, on the demo recordings with
// their parameter file and on a few generated parameter files.
#include "AnalyseReport.h"
#include "LanguageText.h"
#include "LmIni.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "WAFilter.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>

namespace kr70::ui {
namespace {

namespace fs = std::filesystem;

std::string run(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
    EXPECT_EQ(::pclose(pipe), 0) << command;
  }
  return output;
}

class ParameterFileWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_ENGLISH, KR70_BIN_DIR, "KR70"), 0);
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
    directory = fs::temp_directory_path() / ("kr70-params-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    run(std::string(KR70_BIN_DIR) + "/kr70-demo-gen " + directory.string());
    profile.setString("DirPosPlus", "DirDefaultPlus", directory.string());
    options.showMessageBoxes = false;
    window = std::make_unique<MainWindow>(profile, options);
    window->state().SetSpectraEnabled(true);
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(directory);
    LmLangClose();
  }
  std::string file(const char* name) const { return (directory / name).string(); }
  std::string writeParameters(const char* name, const std::function<void(LmIniRecord&)>& edit) {
    LmIniRecord record;
    LmIniInit(&record);
    edit(record);
    EXPECT_EQ(LmIniWrite(file(name).c_str(), &record), LMINI_OK);
    return file(name);
  }

  MemoryProfile profile;
  MainWindow::Options options;
  std::unique_ptr<MainWindow> window;
  fs::path directory;
};

TEST_F(ParameterFileWindowTest, OpeningAParameterFileAgreesWithTheHeadlessAnalyser) {
  const std::vector<std::string> waves = {file("demo-tone.wav"), file("demo-clicks.wav"), file("demo-noise.wav")};
  const std::vector<std::string> parameters = {
      file("demo.ini"),
      writeParameters("hpf.ini",
                      [](LmIniRecord& r) {
                        std::snprintf(r.cFltCase, sizeof r.cFltCase, "HPF");
                        r.lFltGO = 1;
                        r.lSyaDanFreq = 2000;
                        r.fPSikiiMen = 0.001;
                        r.fSikiiOverMen = 5.0;
                      }),
      writeParameters("bpf-pitch2.ini", [](LmIniRecord& r) {
        std::snprintf(r.cFltCase, sizeof r.cFltCase, "BPF");
        r.lFltGO = 1;
        r.lSmpPitch = 2;
        r.lTukaTaiMin = 500;
        r.lTukaTaiMax = 3000;
        r.lHeikatu = 8;
        r.lOMOUflg = 1;
      })};
  for (const std::string& parameterFile : parameters) {
    std::string command = std::string(KR70_BIN_DIR) + "/kr70-analyse --json --params " + parameterFile;
    for (const std::string& wave : waves) command += " " + wave;
    std::istringstream expected(run(command));
    for (const std::string& wave : waves) {
      // The wave is the one selected in the display-file list; opening the
      // parameter file loads it again with the new settings.
      ASSERT_EQ(window->state().LoadWaveform(wave), 1);
      window->setFileChooser([&](const FileDialogRequest&) { return std::vector<std::string>{parameterFile}; });
      window->runCommand(32789);
      EXPECT_EQ(window->state().Settings().parameterFile, parameterFile);
      std::string line;
      ASSERT_TRUE(std::getline(expected, line)) << parameterFile;
      EXPECT_EQ(ReportJson(MakeReport(wave, window->state())), line) << parameterFile << " " << wave;
    }
  }
  // The demos' intended verdicts: tone OK, clicks NG.
  window->state().LoadWaveform(file("demo-tone.wav"));
  window->setFileChooser([&](const FileDialogRequest&) { return std::vector<std::string>{file("demo.ini")}; });
  window->runCommand(32789);
  EXPECT_EQ(window->state().Measure().judgement, 1);
  window->state().LoadWaveform(file("demo-clicks.wav"));
  EXPECT_EQ(window->state().Measure().judgement, 2);
}

// Dialog 1064's window: a bare name typed into 1124 and "保存" clicked saves
// the environment file beside the default directory; opening it again with
// 32804 takes its stem and number (no board here: the rest is taken as is).
TEST_F(ParameterFileWindowTest, EnvironmentFileSavedThroughDialog1064OpensAgain) {
  window->state().Settings().fileStem = "bench";
  window->state().Settings().fileNumber = 17;
  window->setDialogHook([](QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
      EXPECT_EQ(dialog.windowTitle(), languageText(564));
      dialog.findChild<QLineEdit*>("1124")->setText("line2");
      dialog.findChild<QPushButton*>("1")->click();
    });
  });
  window->runCommand(32805);
  ASSERT_EQ(window->environment().Path(), file("line2.bet"));
  window->state().Settings().fileStem = "other";
  window->state().Settings().fileNumber = 1;
  window->setFileChooser([&](const FileDialogRequest&) { return std::vector<std::string>{file("line2.bet")}; });
  window->runCommand(32804);
  EXPECT_EQ(window->state().Settings().fileStem, "bench");
  EXPECT_EQ(window->state().Settings().fileNumber, 17);
}

}  // namespace
}  // namespace kr70::ui

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
