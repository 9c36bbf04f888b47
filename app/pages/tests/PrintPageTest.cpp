// The printed page: the settings columns, the wrapped file name and the
// places of the text lines, drawn on the recording painter.
#include "PrintPage.h"

#include "Kr70TextIds.h"
#include "RecordingPainter.h"

#include <gtest/gtest.h>

#include <map>

namespace kr70::print {
namespace {

// Texts with the conversions of the language files; other ids give "[id]".
std::string Text(int32_t id) {
  static const std::map<int32_t, std::string> texts = {
      {2041, "File: "},           {2044, "Pitch: %u"},         {2050, "Fs: %u Hz"},
      {2057, "Band: %u Hz to %u Hz"}, {2062, "Taps: %u"},       {2063, "Cut-off: %u Hz"},
      {2065, "Points: %u"},       {2066, "Smoothing: %d"},     {2068, "Limit: %f"},
      {2077, "Time: %g ms"}};
  const auto it = texts.find(id);
  return it != texts.end() ? it->second : "[" + std::to_string(id) + "]";
}

int TenPerByte(std::string_view text, int) { return static_cast<int>(text.size()) * 10; }

TEST(PrintPage, SettingsColumnsFollowTheFilterType) {
  PrintValues values;
  values.samplingPitch = 2;
  values.samplingFrequency = 44100;
  values.filterType = 1;
  values.taps = 128;
  values.lowerFrequency = 900;
  values.upperFrequency = 5000;
  values.dataPoints = 4410;
  values.smoothingLength = -3;
  values.passThreshold = 1.5;
  values.acquisitionTimeMs = 100.0;
  std::vector<std::string> left = LeftColumn(values, Text);
  EXPECT_EQ(left, (std::vector<std::string>{"[2042]", "Pitch: 2", "[2045]", "[2046]", "[2047]", "[2048]", "[2049]",
                                            "Fs: 44100 Hz", "[2061]", "Taps: 128", "Cut-off: 900 Hz"}));
  values.filterType = 3;
  left = LeftColumn(values, Text);
  EXPECT_EQ(std::vector<std::string>(left.end() - 3, left.end()),
            (std::vector<std::string>{"[2055]", "[2056]", "Band: 900 Hz to 5000 Hz"}));
  values.filterType = 0;
  EXPECT_EQ(LeftColumn(values, Text).back(), "[2051]");
  EXPECT_EQ(RightColumn(values, Text),
            (std::vector<std::string>{"[2064]", "Points: 4410", "Smoothing: -3", "[2067]", "Limit: 1.500000",
                                      "[2075]", "[2076]", "Time: 100 ms"}));
  EXPECT_EQ(PageTitleId(4), 2038);
  EXPECT_EQ(PageTitleId(7), 2039);
}

TEST(PrintPage, FormatTextFillsInOrderAndNeverTrustsTheText) {
  EXPECT_EQ(FormatText("%5.2f%% of %u", {2.0, uint32_t{7}}), " 2.00% of 7");
  // A conversion without a value, or one that does not fit its value, is left out.
  EXPECT_EQ(FormatText("%s and %d", {}), " and ");
  EXPECT_EQ(FormatText("%d", {1.5}), "");
}

TEST(PrintPage, FileNameBreaksAtSeparatorsAndContinuesIndented) {
  const std::string path = "/home/operator/recordings/line-7/run-0042#01.wav";
  const std::vector<std::string> lines = WrapFileName("File: ", path, 200, TenPerByte);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "File: /home/");
  std::string joined = lines[0].substr(6);
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].substr(0, 4), "    ");
    EXPECT_LE(TenPerByte(lines[i], 16), 200) << lines[i];
    if (i + 1 < lines.size()) {
      EXPECT_EQ(lines[i].back(), '/') << lines[i];
    }
    joined += lines[i].substr(4);
  }
  EXPECT_EQ(joined, path);
  // A name wider than a line is cut between characters, never lost.
  const std::vector<std::string> cut = WrapFileName("F ", "/" + std::string(45, 'x'), 200, TenPerByte);
  EXPECT_EQ(cut, (std::vector<std::string>{"F /", "    " + std::string(16, 'x'), "    " + std::string(16, 'x'),
                                            "    " + std::string(13, 'x')}));
  EXPECT_EQ(WrapFileName("File: ", "", 200, TenPerByte), (std::vector<std::string>{"File: "}));
}

TEST(PrintPage, LayoutPutsThePictureFirstAndTheColumnsSideBySide) {
  PrintValues values;
  values.pageIndex = 1;
  values.displayFile = "/data/a.wav";
  // A tall picture is limited to 55 % of the page and keeps its aspect.
  const PrintLayout layout = LayoutPrintPage(values, Text, TenPerByte, 1400, 400, 600);
  EXPECT_EQ(layout.pictureHeight, 770);
  EXPECT_EQ(layout.pictureWidth, 513);
  RecordingPainter painter;
  DrawPrintText(painter, layout);
  const auto& calls = painter.calls();
  ASSERT_EQ(calls.size(), 1u + 1u + 9u + 8u);
  EXPECT_EQ(calls[0].text, "[2035]");
  EXPECT_EQ(calls[0].y1, 770 + kLineSpacing);
  EXPECT_EQ(calls[0].width, kFontHeight);
  EXPECT_EQ(calls[1].text, "File: /data/a.wav");
  const int columnsTop = calls[1].y1 + 2 * kLineSpacing;
  EXPECT_EQ(calls[2].text, "[2042]");
  EXPECT_EQ(calls[2].x1, 0);
  EXPECT_EQ(calls[2].y1, columnsTop);
  EXPECT_EQ(calls[11].text, "[2064]");
  EXPECT_EQ(calls[11].x1, kPageWidth / 2);
  EXPECT_EQ(calls[11].y1, columnsTop);
}

}  // namespace
}  // namespace kr70::print
