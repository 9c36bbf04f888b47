// Plots on a screen with device pixel ratio 2 (run by the ctest entry
// kr70ui_highdpi with QT_SCALE_FACTOR=2): the waveform must be drawn in every
// device pixel column, not in every second one.
#include "LmLang.h"
#include "MainWindow.h"
#include "PageWidgets.h"
#include "Profile.h"
#include "TestWav.h"
#include "WAFilter.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace kr70::ui {
namespace {

TEST(HighDpiTest, WaveformIsSolidAtDevicePixelRatioTwo) {
  StartFilterSystem();
  LmLangClose();
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1033, KR70_BIN_DIR, "KR70"), 0);
  ::setenv("KR70_CARD", "none", 1);
  ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
  const auto directory = std::filesystem::temp_directory_path() / ("kr70-hidpi-" + std::to_string(::getpid()));
  std::filesystem::create_directories(directory);
  const std::string path = (directory / "tone.wav").string();
  kr70::testing::writeTestWav(path, 8000, 16000, 12000.0, 2 * M_PI * 440 / 8000);
  {
    MemoryProfile profile;
    MainWindow::Options options;
    options.showMessageBoxes = false;
    options.startup = loadStartupSettings(profile, "/tmp/kr70-ui-test");
    MainWindow window(profile, options);
    window.show();
    if (window.devicePixelRatioF() < 2) {
      std::filesystem::remove_all(directory);
      GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2 (ctest kr70ui_highdpi)";
    }
    window.setFileChooser([path](const FileDialogRequest&) { return std::vector<std::string>{path}; });
    window.runCommand(57601);
    const QImage image = window.waveformPage()->plot(0)->grab().toImage();
    ASSERT_GE(image.devicePixelRatio(), 2.0);
    // Black pixels in even and in odd device columns: a curve drawn at the
    // logical resolution with one-device-pixel lines leaves the odd ones bare.
    long even = 0, odd = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) == QColor(0, 0, 0)) ++(x % 2 ? odd : even);
    EXPECT_GT(even + odd, 1000);
    EXPECT_GT(std::min(even, odd), std::max(even, odd) * 7 / 10) << "even " << even << ", odd " << odd;
  }
  std::filesystem::remove_all(directory);
  LmLangClose();
  StopFilterSystem();
}

}  // namespace
}  // namespace kr70::ui
