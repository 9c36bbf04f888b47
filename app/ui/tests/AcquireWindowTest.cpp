// The acquire button on the simulated A/D board, in a process of its own:
// the card backend is chosen once per process (KR70_CARD, set by ctest).
#include "AcquisitionRunWindows.h"
#include "LanguageText.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "WAFilter.h"
#include "WavGetRecorder.h"
#include "WaveFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <filesystem>
#include <fstream>

namespace kr70::ui {
namespace {

// A workstation on the simulated A/D board with its own data directory.
class AcquireWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartFilterSystem();
    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1041, KR70_BIN_DIR, "KR70"), 0);
    data = std::filesystem::temp_directory_path() / ("kr70-acquire-" + std::to_string(::getpid()));
    std::filesystem::create_directories(data);
    profile.setString("DirPosPlus", "DirDefaultPlus", data.string());
    MainWindow::Options options;
    options.showMessageBoxes = false;
    window = std::make_unique<MainWindow>(profile, options);
    window->setMessageObserver([this](const Message& message) { warnings.push_back(message.parts[0].textId); });
  }
  void TearDown() override {
    window.reset();
    std::filesystem::remove_all(data);
    LmLangClose();
    StopFilterSystem();
  }
  AcquireOutcome acquire() {
    qobject_cast<QPushButton*>(window->formControl(1008))->click();
    return window->lastAcquireOutcome().value_or(AcquireOutcome::NoBoard);
  }

  std::filesystem::path data;
  MemoryProfile profile;
  std::unique_ptr<MainWindow> window;
  std::vector<int32_t> warnings;
};

// The operator's loop: detection at start, the acquire button records a WAV
// into the data directory, the chain runs and the measure judges it; the
// file number advances.
TEST_F(AcquireWindowTest, AcquireButtonRecordsLoadsAndJudges) {
  EXPECT_EQ(window->acquisition().Board().kind, 2);
  ASSERT_TRUE(window->formControl(1008)->isEnabled());
  EXPECT_EQ(acquire(), AcquireOutcome::Loaded);
  EXPECT_TRUE(warnings.empty());
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
  EXPECT_EQ(window->state().Settings().currentFile, wav.string());
  EXPECT_EQ(window->state().Settings().fileNumber, 2);
  EXPECT_EQ(window->state().RawWaveform().GetSize(), 5000u);
  EXPECT_NE(window->state().Measure().judgement, 0);
  EXPECT_TRUE(window->formControl(1008)->isEnabled());
  EXPECT_TRUE(window->menuBar()->isEnabled());
}

// The acquisition settings dialog: a time that gives no sample is refused
// with 2085, then 200 ms at 50000 Hz reconfigures the board, and the next
// recording has 10000 samples.
TEST_F(AcquireWindowTest, SettingsDialogChangesTheNextRecording) {
  window->setDialogHook([](QDialog& dialog) {
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
  window->runCommand(32774);
  EXPECT_EQ(warnings, std::vector<int32_t>{2085});
  EXPECT_EQ(window->state().Settings().dataPoints, 10000u);
  EXPECT_EQ(window->state().Settings().fileStem, "bench");
  EXPECT_EQ(acquire(), AcquireOutcome::Loaded);
  EXPECT_EQ(std::filesystem::file_size(data / "bench-001#01.wav"), 44u + 2 * 10000);
}

// Run with an overrun after 2000 samples: the card's message stops the run,
// the recorder answers "run stopped" and the operator sees 2020; no file is left under the final name, the number
// stays and the window is usable again.
TEST_F(AcquireWindowTest, OverrunStopsTheRecording) {
  const char* card = std::getenv("KR70_CARD");
  if (card == nullptr || std::string(card).find("overrun=") == std::string::npos)
    GTEST_SKIP() << "runs in the overrun entry of the suite";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(acquire(), AcquireOutcome::Refused);
  // Stopped by the view's handler at once, not by the recorder's own
  // timeout on a card that stopped delivering (about 2 s).
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(warnings, std::vector<int32_t>{2020});
  EXPECT_FALSE(std::filesystem::exists(data / "LmWAData-001#01.wav"));
  EXPECT_EQ(window->state().Settings().fileNumber, 1);
  EXPECT_TRUE(window->formControl(1008)->isEnabled());
  EXPECT_TRUE(window->menuBar()->isEnabled());
}

// The acquire button with the trigger flag: the triggered dialog records two
// files on the card's trigger; when it ends the view takes the next number and
// shows the last recording, analysed.
TEST_F(AcquireWindowTest, TriggeredRunFromTheAcquireButton) {
  const char* card = std::getenv("KR70_CARD");
  if (card == nullptr || std::string(card).find("trigger=") == std::string::npos)
    GTEST_SKIP() << "runs in the trigger entry of the suite";
  window->state().Settings().triggerFlag = 1;
  window->setQuestionAnswerer([](const Message&) { return true; });
  QTimer driver;
  window->setDialogHook([&driver](QDialog& dialog) {
    auto* start = dialog.findChild<QPushButton*>("1184");
    auto* last = dialog.findChild<QPushButton*>("1185");
    auto* end = dialog.findChild<QPushButton*>("2");
    auto* name = dialog.findChild<QLabel*>("1173");
    QObject::connect(&driver, &QTimer::timeout, &dialog, [=] {
      if (last->isEnabled() && name->text().endsWith("-002")) last->click();  // the second one is armed
      else if (!last->isEnabled() && end->isEnabled()) end->click();
    });
    QTimer::singleShot(0, &dialog, [=, &driver] {
      start->click();
      driver.start(5);
    });
    QTimer::singleShot(20000, &dialog, [&dialog] { dialog.reject(); });
  });
  EXPECT_EQ(acquire(), AcquireOutcome::TriggerDialog);
  EXPECT_EQ(warnings, std::vector<int32_t>{2104});  // only the start question
  EXPECT_EQ(window->state().Settings().fileNumber, 3);
  const std::filesystem::path second = data / "LmWAData-002#01.wav";
  EXPECT_EQ(std::filesystem::file_size(data / "LmWAData-001#01.wav"), 44u + 2 * 5000);
  EXPECT_EQ(std::filesystem::file_size(second), 44u + 2 * 5000);
  EXPECT_EQ(window->state().Settings().currentFile, second.string());
  EXPECT_NE(window->state().Measure().judgement, 0);
  EXPECT_TRUE(window->menuBar()->isEnabled());
}

// The triggered acquisition dialog on a card whose external trigger fires
// shortly after each arming (KR70_CARD=sim:...,trigger=MS): the first
// recording overruns and is discarded, then each trigger gives a complete
// file under the next number; after "最終波形取得" the dialog goes idle and
// "終了" hands back the number and the last file.
TEST(RunWindowTest, TriggeredDialogRecordsASeriesOnTheCardTrigger) {
  const char* card = std::getenv("KR70_CARD");
  if (card == nullptr || std::string(card).find("trigger=") == std::string::npos)
    GTEST_SKIP() << "runs in the trigger entry of the suite";
  StartFilterSystem();
  LmLangClose();
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1041, KR70_BIN_DIR, "KR70"), 0);
  const std::filesystem::path data =
      std::filesystem::temp_directory_path() / ("kr70-trigger-" + std::to_string(::getpid()));
  std::filesystem::create_directories(data);
  {
    WavGetRecorder recorder;
    ASSERT_EQ(recorder.ChangeBoardSet(2, 0), 0);
    ASSERT_EQ(recorder.Initialize(16, 1, 1, 2000, 50000, 0), 0);
    TriggeredAcquisitionValues values;
    values.fileStem = (data / "trg").string();
    values.fileNumber = 1;
    values.samplingFrequency = recorder.GetSampFreq();
    values.acquisitionTimeMs = 40;
    values.channel = 1;
    std::vector<std::string> opened;
    std::vector<int32_t> warnings;
    MainViewOperations operations;
    operations.openFile = [&](const std::string& path) { opened.push_back(path); };
    lmp::cardhw::sim::InjectOverrun(500);
    TriggeredAcquisitionWindow dialog(
        values, recorder, operations, [&](const Message& m) { warnings.push_back(m.parts.at(0).textId); },
        [](const Message&) { return true; }, nullptr);
    auto* start = dialog.findChild<QPushButton*>("1184");
    auto* last = dialog.findChild<QPushButton*>("1185");
    auto* end = dialog.findChild<QPushButton*>("2");
    bool lastClicked = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, &dialog, [&] {
      if (!lastClicked && opened.size() >= 3) {
        last->click();
        lastClicked = true;
      } else if (lastClicked && end->isEnabled()) {
        end->click();
      }
    });
    QTimer::singleShot(0, &dialog, [&] {
      start->click();
      EXPECT_FALSE(end->isEnabled());
      driver.start(5);
    });
    QTimer::singleShot(20000, &dialog, [&] { dialog.reject(); });  // never hang the suite
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(dialog.exec(), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(15));
    EXPECT_EQ(warnings, std::vector<int32_t>{2102});  // the overrun
    ASSERT_GE(opened.size(), 3u);
    for (size_t i = 0; i < opened.size(); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "trg-%03d#01.wav", static_cast<int>(i + 1));
      EXPECT_EQ(opened[i], (data / name).string());
      ASSERT_TRUE(std::filesystem::exists(opened[i]));
      EXPECT_EQ(std::filesystem::file_size(opened[i]), 44u + 2 * 2000);  // never a half file
    }
    EXPECT_EQ(values.fileNumber, static_cast<int32_t>(opened.size()) + 1);
    EXPECT_EQ(values.lastFile, opened.back());
    EXPECT_TRUE(values.rebuildCombo);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data), std::filesystem::directory_iterator()),
              static_cast<std::ptrdiff_t>(opened.size()));
  }
  std::filesystem::remove_all(data);
  LmLangClose();
  StopFilterSystem();
}

// The real recorder with a digital input that rises twice (the A/D board has
// none of its own): the collection dialog records on its recording thread
// through the simulated card, the operator stops it while it waits, and the
// two files are complete and converted to raw data.
class TwoPulseInput : public Recorder {
 public:
  explicit TwoPulseInput(WavGetRecorder& real) : real_(real) {}
  int ChangeBoardSet(int32_t kind, int fileOnly) override { return real_.ChangeBoardSet(kind, fileOnly); }
  int32_t GetBoardKind() const override { return real_.GetBoardKind(); }
  int Initialize(int bits, int channel, int gain, unsigned count, unsigned frequency, uint32_t timeout) override {
    return real_.Initialize(bits, channel, gain, count, frequency, timeout);
  }
  int StartRec(void* window, const char* baseName) override {
    const int status = real_.StartRec(window, baseName);
    ++recorded;
    return status;
  }
  int StopRec() override { return real_.StopRec(); }
  int GetData(double* out, int32_t mode, int32_t channel) override { return real_.GetData(out, mode, channel); }
  int Halt() override { return real_.Halt(); }
  unsigned GetCount() const override { return real_.GetCount(); }
  unsigned GetSampFreq() const override { return real_.GetSampFreq(); }
  int GetDISignal(uint16_t* word) override {
    if (recorded.load() < 2 && pulses.load() == recorded.load()) {
      ++pulses;
      *word = 1;
    }
    return 1;
  }
  std::atomic<int> recorded{0}, pulses{0};

 private:
  WavGetRecorder& real_;
};

TEST(RunWindowTest, CollectionDialogRecordsOnTheRecordingThread) {
  const char* card = std::getenv("KR70_CARD");
  if (card == nullptr || std::string(card).find("trigger=") == std::string::npos)
    GTEST_SKIP() << "runs in the trigger entry of the suite";
  LmLangClose();
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1041, KR70_BIN_DIR, "KR70"), 0);
  const std::filesystem::path data =
      std::filesystem::temp_directory_path() / ("kr70-collect-" + std::to_string(::getpid()));
  std::filesystem::create_directories(data);
  {
    WavGetRecorder real;
    ASSERT_EQ(real.ChangeBoardSet(2, 0), 0);
    ASSERT_EQ(real.Initialize(16, 1, 1, 2000, 50000, 0), 0);
    TwoPulseInput recorder(real);
    NullUiPort port;
    std::vector<std::string> opened;
    MainViewOperations operations;
    operations.openFile = [&](const std::string& path) { opened.push_back(path); };
    operations.convertToRawData = [&](const std::string& path) { return ConvertWavToRawData(path, port); };
    std::vector<int32_t> warnings;
    WaveCollectionWindow dialog(
        recorder, operations, 1, true, [&] { return (data / "col").string(); },
        [&](const Message& m) { warnings.push_back(m.parts.at(0).textId); }, nullptr);
    auto* start = dialog.findChild<QPushButton*>("1154");
    auto* cancel = dialog.findChild<QPushButton*>("2");
    bool stopped = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, &dialog, [&] {
      if (!stopped && recorder.recorded.load() == 2 && dialog.logic().State() == 1) {
        cancel->click();  // stop while waiting for the next trigger
        stopped = true;
      } else if (stopped && !dialog.logic().Running()) {
        cancel->click();  // closes
      }
    });
    QTimer::singleShot(0, &dialog, [&] {
      start->click();
      driver.start(5);
    });
    QTimer::singleShot(20000, &dialog, [&] { dialog.done(99); });  // never hang the suite
    EXPECT_NE(dialog.exec(), 99);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(dialog.findChild<QLabel*>("1156")->text(), "2");
    for (const char* name : {"col-001#01", "col-002#01"}) {
      EXPECT_EQ(std::filesystem::file_size(data / (std::string(name) + ".wav")), 44u + 2 * 2000) << name;
      EXPECT_TRUE(std::filesystem::exists(data / (std::string(name) + ".rdt"))) << name;
    }
    EXPECT_EQ(opened, std::vector<std::string>{(data / "col-002#01.wav").string()});
  }
  std::filesystem::remove_all(data);
  LmLangClose();
}

}  // namespace
}  // namespace kr70::ui

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
