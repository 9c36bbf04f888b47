#include "PlotCore.h"
#include "RecordingPainter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace kr70::plot {
namespace {

using Image = RecordingPainter::Image;

int countColumnsWith(const Image& image, Rgb colour, int row) {
  int columns = 0;
  for (int x = 0; x < image.width; ++x)
    if (image.at(x, row) == colour) ++columns;
  return columns;
}

bool anyPixel(const Image& image, Rgb colour) {
  for (const Rgb& pixel : image.pixels)
    if (pixel == colour) return true;
  return false;
}

TEST(SecondsAxis, StepFromTheLadder) {
  // 5·0.0005 < 0.004 but 5·0.001 is not.
  EXPECT_DOUBLE_EQ(secondsAxisStep(0.004), 0.0005);
  EXPECT_EQ(secondsAxisDecimals(0.0005), 4);
  // Nothing on the ladder qualifies: 5·0.0002 = 0.001 > 0.0004.
  EXPECT_DOUBLE_EQ(secondsAxisStep(0.0004), 0.0001);
  EXPECT_DOUBLE_EQ(secondsAxisStep(10.0), 1.0);
  EXPECT_EQ(secondsAxisDecimals(0.005), 3);
  EXPECT_EQ(secondsAxisDecimals(0.05), 2);
  EXPECT_EQ(secondsAxisDecimals(0.5), 1);
}

TEST(SecondsAxis, LabelsEveryStepFromTheLeftEdge) {
  RecordingPainter painter;
  drawSecondsAxis(painter, 800, 20, 0.004);
  std::vector<std::string> labels;
  for (const auto& call : painter.calls())
    if (call.kind == RecordingPainter::Kind::Text) labels.push_back(call.text);
  ASSERT_EQ(labels.size(), 8u);  // 0 … 0.0035; 0.004 is the right edge itself
  EXPECT_EQ(labels[0], "0.0000");
  EXPECT_EQ(labels[1], "0.0005");
  EXPECT_EQ(labels[7], "0.0035");
}

TEST(MillisecondAxis, LabelsDropAtMostTwoTrailingZeros) {
  EXPECT_EQ(millisecondLabel(0.0), "0.0");
  EXPECT_EQ(millisecondLabel(0.1), "0.1");
  EXPECT_EQ(millisecondLabel(1.25), "1.25");
  EXPECT_EQ(millisecondLabel(12.5), "12.5");
  EXPECT_EQ(millisecondLabel(3.0), "3.0");
  EXPECT_EQ(millisecondLabel(0.125), "0.125");
}

TEST(MillisecondAxis, FontHeightFollowsTheLongestLabel) {
  EXPECT_EQ(millisecondFontHeight(6), 15);
  EXPECT_EQ(millisecondFontHeight(7), 13);
  EXPECT_EQ(millisecondFontHeight(8), 12);
  EXPECT_EQ(millisecondFontHeight(9), 12);
  EXPECT_EQ(millisecondFontHeight(10), 11);
  // One second at zoom 1: steps of 100 ms, labels up to "900.0".
  MillisecondAxis axis = millisecondAxis(44100, 44100, 1, 0);
  EXPECT_DOUBLE_EQ(axis.span, 1000.0);
  EXPECT_DOUBLE_EQ(axis.step, 100.0);
  EXPECT_EQ(axis.labels[0], "0.0");
  EXPECT_EQ(axis.labels[9], "900.0");
  EXPECT_EQ(axis.fontHeight, 15);
  // Scrolled to 950 of a 100 s record: offset 95000 ms, labels "95000.0" … (7 chars).
  axis = millisecondAxis(1000000, 10000, 20, 950);
  EXPECT_EQ(axis.labels[0], "95000.0");
  EXPECT_EQ(axis.fontHeight, 13);
}

TEST(MillisecondAxis, TenLinesAtTenthsOfTheWidth) {
  RecordingPainter painter;
  drawMillisecondAxis(painter, 700, 20, millisecondAxis(44100, 44100, 1, 0));
  std::vector<int> xs;
  for (const auto& call : painter.calls())
    if (call.kind == RecordingPainter::Kind::Line) xs.push_back(call.x1);
  ASSERT_EQ(xs.size(), 10u);
  EXPECT_EQ(xs[0], 0);
  EXPECT_EQ(xs[3], 210);
  EXPECT_EQ(xs[9], 630);
}

struct WaveformFixture : ::testing::Test {
  std::vector<double> samples = std::vector<double>(1000, 0.0);
  WaveformView view() {
    WaveformView v;
    v.samples = samples.data();
    v.count = static_cast<uint32_t>(samples.size());
    v.samplingFrequency = 1000;
    v.selectionStart = 0;
    v.selectionLength = v.count;
    return v;
  }
};

TEST_F(WaveformFixture, WholeRecordSelectionShowsNoBand) {
  RecordingPainter painter;
  drawWaveformPlot(painter, 200, 100, view(), 100.0);
  EXPECT_FALSE(anyPixel(painter.rasterise(200, 100), kTeal));
}

TEST_F(WaveformFixture, OneSampleSelectionShowsOnePixelBand) {
  WaveformView v = view();
  v.selectionStart = 501;  // x1 = x2 = 100 at 1000 samples over 200 pixels
  v.selectionLength = 1;
  RecordingPainter painter;
  drawWaveformPlot(painter, 200, 100, v, 100.0);
  const Image image = painter.rasterise(200, 100);
  EXPECT_EQ(countColumnsWith(image, kTeal, 10), 1);
  EXPECT_EQ(image.at(100, 10), kTeal);
}

TEST_F(WaveformFixture, GridLineOnAOnePixelBandIsTeal) {
  WaveformView v = view();
  v.selectionStart = 500;  // x1 = 100, where the grid line of 500 ms falls
  v.selectionLength = 1;
  RecordingPainter painter;
  drawWaveformPlot(painter, 200, 100, v, 100.0);
  const Image image = painter.rasterise(200, 100);
  EXPECT_EQ(image.at(100, 10), kTeal);
  EXPECT_EQ(image.at(120, 10), kGrey);  // an ordinary grid line
}

TEST_F(WaveformFixture, BandCoversTheSelectedColumns) {
  WaveformView v = view();
  v.selectionStart = 250;
  v.selectionLength = 250;  // x 50 … 100
  RecordingPainter painter;
  drawWaveformPlot(painter, 200, 100, v, 100.0);
  const Image image = painter.rasterise(200, 100);
  EXPECT_EQ(image.at(49, 10), kWhite);
  EXPECT_EQ(image.at(51, 10), kTeal);
  EXPECT_EQ(image.at(99, 10), kTeal);
  EXPECT_EQ(image.at(101, 10), kWhite);
}

TEST_F(WaveformFixture, ValuesBeyondTheLimitsStayInsideThePlot) {
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = i < 500 ? 9.0 : -9.0;
  RecordingPainter painter;
  drawWaveformPlot(painter, 200, 100, view(), 100.0);
  // Above the upper limit: the top row; below the lower limit: past the
  // bottom, so only the clip keeps it in.
  const Image image = painter.rasterise(200, 100);
  EXPECT_EQ(image.at(20, 0), kBlack);
  EXPECT_EQ(image.at(150, 99), kWhite);  // the low half is drawn past the bottom
  bool beyondBottom = false;
  for (const auto& call : painter.calls())
    if (call.kind == RecordingPainter::Kind::Line && (call.y1 > 100 || call.y2 > 100)) beyondBottom = true;
  EXPECT_TRUE(beyondBottom);
  EXPECT_EQ(painter.calls().front().kind, RecordingPainter::Kind::Clip);
  EXPECT_EQ(valueRow(9.0, 5.0, -5.0, 100), 0);
  EXPECT_EQ(valueRow(0.0, 5.0, -5.0, 100), 50);
  EXPECT_EQ(valueRow(-9.0, 5.0, -5.0, 100), 140);
}

TEST_F(WaveformFixture, ColumnKeepsTheSpikeOfEverySample) {
  // 1000 samples on 100 columns: a single spike must still reach the top.
  samples[555] = 5.0;
  RecordingPainter painter;
  drawWaveformPlot(painter, 100, 100, view(), 100.0);
  const Image image = painter.rasterise(100, 100);
  EXPECT_EQ(image.at(55, 0), kBlack);
  EXPECT_EQ(image.at(55, 50), kBlack);
  EXPECT_NE(image.at(30, 0), kBlack);
}

TEST(WaveformPlot, DrawCallsAreBoundedByTheWidthWhateverN) {
  const int width = 700;
  for (uint32_t count : {10u, 1000u, 3000000u}) {
    std::vector<double> samples(count);
    for (uint32_t i = 0; i < count; ++i) samples[i] = (i * 7919 % 1000) / 100.0 - 5.0;
    for (int zoom : {1, 20}) {
      WaveformView v;
      v.samples = samples.data();
      v.count = count;
      v.samplingFrequency = 44100;
      v.zoom = zoom;
      v.firstSample = zoom == 20 ? static_cast<int64_t>(count) * 950 / 1000 : 0;
      v.selectionStart = 10;
      v.selectionLength = count / 3;
      RecordingPainter painter(false);
      drawWaveformPlot(painter, width, 200, v, 0.1 * count / 44100.0 * 1000.0 / zoom);
      EXPECT_LE(painter.drawCallCount(), 3 * width) << count << " zoom " << zoom;
      if (count / zoom >= static_cast<uint32_t>(width)) {
        EXPECT_GE(painter.lineCount(), width) << count;  // one segment per column
      }
    }
  }
}

TEST(FrequencyMapping, LogarithmicAndLabelled) {
  const FrequencyMap map(10.0, 100000.0, 400);
  EXPECT_EQ(map.x(10.0), 0);
  EXPECT_EQ(map.x(1000.0), 200);
  EXPECT_EQ(map.x(100000.0), 400);
  EXPECT_FALSE(FrequencyMap(0.0, 1000.0, 400).valid());
  EXPECT_EQ(frequencyLabel(100.0), "100");
  EXPECT_EQ(frequencyLabel(0.5), "0.5");
  EXPECT_EQ(frequencyLabel(0.05), "0.05");
  EXPECT_EQ(frequencyLabel(1.0), "1");
}

struct SpectrumFixture : ::testing::Test {
  std::vector<double> bins = std::vector<double>(4096, 0.01);  // -40 dB
  SpectrumView view(double lowest = 10.0, double highest = 100000.0) {
    SpectrumView v;
    v.values = bins.data();
    v.size = 4096;
    v.samplingFrequency = 44100;
    v.lowest = lowest;
    v.highest = highest;
    v.decibelIndex = 4;
    return v;
  }
};

TEST_F(SpectrumFixture, ZeroLowerFrequencyDrawsWhite) {
  RecordingPainter painter;
  drawSpectrumPlot(painter, 300, 100, view(0.0));
  const Image image = painter.rasterise(300, 100);
  for (const Rgb& pixel : image.pixels) ASSERT_EQ(pixel, kWhite);
}

TEST_F(SpectrumFixture, CurveAtItsDecibelRowAndZeroBinsOnTheBottom) {
  // -40 dB in a 200 dB range lies a fifth down: row 20 of 100.
  EXPECT_EQ(decibelRow(0.01, 200, 100), 20);
  EXPECT_EQ(decibelRow(0.0, 200, 100), 99);
  EXPECT_EQ(decibelRange(-3), 10);
  EXPECT_EQ(decibelRange(9), 200);
  RecordingPainter painter;
  drawSpectrumPlot(painter, 400, 100, view());
  Image image = painter.rasterise(400, 100);
  EXPECT_EQ(image.at(250, 20), kBlack);
  std::fill(bins.begin(), bins.end(), 0.0);
  painter.clear();
  drawSpectrumPlot(painter, 400, 100, view());
  image = painter.rasterise(400, 100);
  EXPECT_EQ(image.at(250, 99), kBlack);
  EXPECT_NE(image.at(250, 20), kBlack);
}

TEST_F(SpectrumFixture, DecibelLinesAtTenths) {
  RecordingPainter painter;
  drawSpectrumPlot(painter, 400, 100, view());
  const Image image = painter.rasterise(400, 100);
  EXPECT_EQ(image.at(333, 0), kGrey);
  EXPECT_EQ(image.at(333, 30), kGrey);
  EXPECT_EQ(image.at(333, 35), kWhite);
}

TEST_F(SpectrumFixture, FilterBandIsShaded) {
  std::fill(bins.begin(), bins.end(), 0.0);
  SpectrumView v = view();
  v.filter = {1, 1000.0, 0.0};  // LPF 1 kHz: x 0 … 200
  RecordingPainter painter;
  drawSpectrumPlot(painter, 400, 100, v);
  Image image = painter.rasterise(400, 100);
  EXPECT_EQ(image.at(150, 55), kPaleYellow);
  EXPECT_EQ(image.at(250, 55), kWhite);
  v.filter = {3, 100.0, 1000.0};  // BPF: x 100 … 200
  painter.clear();
  drawSpectrumPlot(painter, 400, 100, v);
  image = painter.rasterise(400, 100);
  EXPECT_EQ(image.at(50, 55), kWhite);
  EXPECT_EQ(image.at(150, 55), kPaleYellow);
  EXPECT_EQ(image.at(250, 55), kWhite);
  v.filter = {4, 100.0, 1000.0};  // BEF: outside 100 … 200
  painter.clear();
  drawSpectrumPlot(painter, 400, 100, v);
  image = painter.rasterise(400, 100);
  EXPECT_EQ(image.at(50, 55), kPaleYellow);
  EXPECT_EQ(image.at(150, 55), kWhite);
  EXPECT_EQ(image.at(250, 55), kPaleYellow);
}

TEST(SpectrumPlot, DrawCallsAreBoundedByTheWidth) {
  std::vector<double> bins(1 << 18);
  for (size_t i = 0; i < bins.size(); ++i) bins[i] = 1.0 / (1.0 + i % 97);
  SpectrumView v;
  v.values = bins.data();
  v.size = static_cast<uint32_t>(bins.size());
  v.samplingFrequency = 50000;
  v.lowest = 0.1;
  v.highest = 100000.0;
  RecordingPainter painter(false);
  drawSpectrumPlot(painter, 700, 200, v);
  EXPECT_LE(painter.drawCallCount(), 3 * 700 + 100);
}

// Each column's segment reaches the rows of its loudest and its quietest bin
// (bins without decibels on the bottom row), however many bins it holds.
TEST(SpectrumPlot, ColumnsSpanTheRowsOfAllTheirBins) {
  std::vector<double> bins(1 << 16);
  for (size_t i = 0; i < bins.size(); ++i) bins[i] = i % 251 == 0 ? 0.0 : 1e-4 + ((i * 7919) % 1009) / 1009.0;
  SpectrumView v;
  v.values = bins.data();
  v.size = static_cast<uint32_t>(bins.size());
  v.samplingFrequency = 48000;
  v.lowest = 1.0;
  v.highest = 100000.0;
  v.decibelIndex = 3;
  const int width = 300, height = 200;
  RecordingPainter painter;
  drawSpectrumPlot(painter, width, height, v);
  const Image image = painter.rasterise(width, height);
  const FrequencyMap map(v.lowest, v.highest, width);
  std::vector<int> top(width, height), bottom(width, -1);
  for (uint32_t i = 1; i < v.size / 2; ++i) {
    const int x = map.x(i * 48000.0 / v.size);
    if (x < 0 || x >= width) continue;
    const int y = std::min(decibelRow(bins[i], 100, height), height - 1);
    top[x] = std::min(top[x], y);
    bottom[x] = std::max(bottom[x], y);
  }
  int columns = 0;
  for (int x = 0; x < width; ++x) {
    if (bottom[x] < 0) continue;
    EXPECT_EQ(image.at(x, top[x]), kBlack) << x;
    EXPECT_EQ(image.at(x, bottom[x]), kBlack) << x;
    ++columns;
  }
  EXPECT_GT(columns, 100);
}

TEST(DifferenceBars, PositiveBinsAreBoxesToTheBottom) {
  std::vector<double> bins(16, 0.0);
  bins[4] = 1.0;  // 0 dB: from the top
  SpectrumView v;
  v.values = bins.data();
  v.size = 16;
  v.samplingFrequency = 16;  // bin i at i Hz
  v.lowest = 1.0;
  v.highest = 10.0;
  RecordingPainter painter;
  drawDifferenceBars(painter, 100, 50, v);
  const Image image = painter.rasterise(100, 50);
  const FrequencyMap map(1.0, 10.0, 100);
  EXPECT_EQ(image.at((map.x(4) + map.x(5)) / 2, 1), kBlack);
  EXPECT_EQ(image.at((map.x(4) + map.x(5)) / 2, 49), kBlack);
  EXPECT_NE(image.at((map.x(6) + map.x(7)) / 2, 25), kBlack);
}

TEST(MouseMapping, FractionOfTheFirstPlotHolding) {
  const PlotFrame upper{10, 10, 200, 50}, lower{10, 70, 200, 50};
  EXPECT_DOUBLE_EQ(plotFraction(10, 20, upper, lower), 0.0);
  EXPECT_DOUBLE_EQ(plotFraction(110, 80, upper, lower), 0.5);
  EXPECT_DOUBLE_EQ(plotFraction(110, 65, upper, lower), -1.0);  // the gap between them
  EXPECT_DOUBLE_EQ(plotFraction(210, 20, upper, lower), -1.0);  // right edge is outside
}

}  // namespace
}  // namespace kr70::plot
