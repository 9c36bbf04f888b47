// Page pictures: kr70-analyse --plot draws the curve where the analysed
// samples put it and the title strip's text, and the window's "Save picture"
// gives the same pixels as --plot at the same size.
#include "AnalysisState.h"
#include "LmLang.h"
#include "MainWindow.h"
#include "PagePicture.h"
#include "PageWidgets.h"
#include "PictureRender.h"
#include "PlotCore.h"
#include "WAFilter.h"

#include <QApplication>
#include <QImage>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace kr70::ui {
namespace {

namespace fs = std::filesystem;

int run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool isBlack(QRgb pixel) { return qRed(pixel) == 0 && qGreen(pixel) == 0 && qBlue(pixel) == 0; }

class PictureWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartFilterSystem(); }
  static void TearDownTestSuite() { StopFilterSystem(); }
  void SetUp() override {
    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_ENGLISH, KR70_BIN_DIR, "KR70"), 0);
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
    directory = fs::temp_directory_path() / ("kr70-pictures-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    ASSERT_EQ(run(std::string(KR70_BIN_DIR) + "/kr70-demo-gen " + directory.string() + " >/dev/null"), 0);
    options.showMessageBoxes = false;
    window = std::make_unique<MainWindow>(profile, options);
    window->state().SetSpectraEnabled(true);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(directory);
    LmLangClose();
  }
  std::string file(const std::string& name) const { return (directory / name).string(); }
  // kr70-analyse --plot into directory/plots; its exit code.
  int plot(const std::string& wave, QSize size, const char* format = "png") const {
    return run(std::string(KR70_BIN_DIR) + "/kr70-analyse --plot " + file("plots") + " --plot-format " + format +
               " --plot-size " + std::to_string(size.width()) + "x" + std::to_string(size.height()) + " " + wave +
               " >/dev/null");
  }

  MemoryProfile profile;
  MainWindow::Options options;
  std::unique_ptr<MainWindow> window;
  fs::path directory;
};

TEST_F(PictureWindowTest, CurveLiesWhereTheAnalysedSamplesPutItAndTheTitleStripSaysWhatWasAnalysed) {
  const QSize size(900, 640);
  ASSERT_EQ(plot(file("demo-clicks.wav"), size), 0);
  const QImage image(QString::fromStdString(file("plots/demo-clicks.waveform.png")));
  ASSERT_EQ(image.size(), size);

  ASSERT_EQ(window->state().LoadWaveform(file("demo-clicks.wav")), 1);
  const WAData& analysis = window->state().AnalysisWaveform();
  double* samples = nullptr;
  ASSERT_EQ(analysis.GetDataPointer(&samples), 0);
  const int64_t count = analysis.GetSize();
  const picture::PictureText text =
      picture::pictureText(window->state(), picture::PageKind::Waveform, picture::tableText);
  const picture::PictureLayout layout = picture::layoutPicture(size.width(), size.height(), text.title.size(), 2, false);
  const plot::PlotFrame frame = layout.plots[0];
  // Rows of the highest and lowest sample of each pixel column (±5 V view).
  auto columnRows = [&](int x) {
    const int64_t first = (x * count + frame.width - 1) / frame.width;
    const int64_t end = std::min(count, ((x + 1) * count + frame.width - 1) / frame.width);
    const auto [low, high] = std::minmax_element(samples + first, samples + end);
    return std::pair{plot::valueRow(*high, 5.0, -5.0, frame.height), plot::valueRow(*low, 5.0, -5.0, frame.height)};
  };
  int checked = 0;
  for (int x = 1; x + 1 < frame.width; x += frame.width / 9) {
    const auto [top, bottom] = columnRows(x);
    // The column's own extremes are black; nothing black lies beyond the
    // neighbours' extremes (the lines joining columns stay between them).
    EXPECT_TRUE(isBlack(image.pixel(frame.left + x, frame.top + top))) << x;
    EXPECT_TRUE(isBlack(image.pixel(frame.left + x, frame.top + bottom))) << x;
    int lowest = top, highest = bottom;
    for (int n : {x - 1, x + 1}) {
      lowest = std::min(lowest, columnRows(n).first);
      highest = std::max(highest, columnRows(n).second);
    }
    for (int y = 0; y < frame.height; ++y) {
      if (y < lowest || y > highest) {
        EXPECT_FALSE(isBlack(image.pixel(frame.left + x, frame.top + y))) << x << "," << y;
      }
    }
    ++checked;
  }
  EXPECT_GE(checked, 8);

  // The strip names the file and the verdict (the clicks fail) and shows
  // exactly these lines, as the painter renders them on their own.
  ASSERT_EQ(text.title.size(), 3u);
  EXPECT_NE(text.title[0].find("demo-clicks.wav"), std::string::npos);
  EXPECT_EQ(text.title[2].rfind("Verdict: NG", 0), 0u) << text.title[2];
  const QImage strip = render::renderImage(QSize(size.width(), layout.strip.height), 1.0,
                                           [&](Painter& painter, int width, int height) {
                                             painter.fillRect(0, 0, width, height, picture::kStripBackground);
                                             painter.fillRect(0, height - 1, width, 1, picture::kFrameColour);
                                             for (size_t i = 0; i < text.title.size(); ++i)
                                               painter.drawText(picture::kMargin + 2,
                                                                picture::kMargin + 2 + static_cast<int>(i) * picture::kLineHeight,
                                                                text.title[i], picture::kTextHeight, plot::kBlack);
                                           });
  EXPECT_EQ(image.copy(0, 0, size.width(), layout.strip.height).convertToFormat(QImage::Format_RGB32), strip);

  // SVG pictures of the same pages are valid drawings of that size.
  ASSERT_EQ(plot(file("demo-clicks.wav"), size, "svg"), 0);
  for (const char* page : {"waveform", "spectrum", "abnormal"}) {
    QSvgRenderer svg(QString::fromStdString(file(std::string("plots/demo-clicks.") + page + ".svg")));
    EXPECT_TRUE(svg.isValid()) << page;
    EXPECT_EQ(svg.defaultSize(), size) << page;
  }
}

TEST_F(PictureWindowTest, SavePictureGivesThePixelsOfThePlotOption) {
  ASSERT_EQ(window->state().LoadWaveform(file("demo-tone.wav")), 1);
  const struct {
    int32_t view;
    const char* page;
    QWidget* widget;
  } pages[] = {{32775, "waveform", window->waveformPage()},
               {32776, "spectrum", window->spectrumPage()},
               {32780, "abnormal", window->abnormalPage()}};
  for (const auto& page : pages) {
    window->runCommand(page.view);
    QApplication::processEvents();
    const QSize size = page.widget->size();
    ASSERT_GE(size.width(), 200);
    ASSERT_GE(size.height(), 200);
    const std::string saved = file(std::string("window.") + page.page + ".png");
    window->setFileChooser([&](const FileDialogRequest& request) {
      EXPECT_TRUE(request.save);
      EXPECT_EQ(request.initialName, std::string("demo-tone.") + page.page + ".png");
      return std::vector<std::string>{saved};
    });
    window->runCommand(kCommandSavePicture);
    ASSERT_EQ(plot(file("demo-tone.wav"), size), 0);
    const QImage fromWindow(QString::fromStdString(saved));
    const QImage fromPlot(QString::fromStdString(file(std::string("plots/demo-tone.") + page.page + ".png")));
    ASSERT_EQ(fromWindow.size(), size) << page.page;
    EXPECT_TRUE(fromWindow == fromPlot) << page.page;
  }
}

// Two files of one run with the same base name would write the same pictures:
// the second is refused (exit 1, the first file's pictures stay); a size out
// of range is a usage error.
TEST_F(PictureWindowTest, PlotRefusesASecondFileOfTheSameNameAndABadSize) {
  fs::create_directories(directory / "other");
  fs::copy_file(file("demo-clicks.wav"), directory / "other" / "demo-tone.wav");
  const QSize size(600, 400);
  ASSERT_EQ(plot(file("demo-tone.wav"), size), 0);
  const QImage alone(QString::fromStdString(file("plots/demo-tone.waveform.png")));
  ASSERT_EQ(run(std::string(KR70_BIN_DIR) + "/kr70-analyse --plot-size 600x400 --plot " + file("plots") + " " +
                file("demo-tone.wav") + " " + file("other/demo-tone.wav") + " >/dev/null 2>&1"),
            1);
  EXPECT_TRUE(QImage(QString::fromStdString(file("plots/demo-tone.waveform.png"))) == alone);
  EXPECT_EQ(plot(file("demo-tone.wav"), QSize(100, 640)), 2);
}

}  // namespace
}  // namespace kr70::ui
