#pragma once
// The printed page of the print command: a picture of the current display
// page, then in the print font the page title, the display file's name
// (broken at directory separators so that it fits the width, continued on
// lines indented by four blanks) and the settings in two columns, the right
// one starting at half the page width.
//
// The page is laid out in page units: kPageWidth units across the printable
// width, text lines kFontHeight units high. The printer side maps the units
// onto the printable area and draws the picture into the reserved rectangle.
#include "Painter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kr70 {
class AnalysisState;
}

namespace kr70::print {

inline constexpr int kPageWidth = 1000;
inline constexpr int kFontHeight = 16;
inline constexpr int kLineSpacing = 20;
inline constexpr int kMaxPictureShare = 55;  // percent of the page height

// The settings that the page lists.
struct PrintValues {
  int pageIndex = 0;
  std::string displayFile;
  uint32_t samplingPitch = 1;
  int32_t yuragi[3] = {0, 0, 0};
  uint32_t samplingFrequency = 0;  // of the data
  int32_t filterType = 0;          // 0 none, 1 LPF, 2 HPF, 3 BPF, 4 BEF
  uint32_t taps = 0, lowerFrequency = 0, upperFrequency = 0;
  uint32_t dataPoints = 0;         // of the data
  int32_t smoothingLength = 0;
  double peakThreshold = 0.0, passThreshold = 0.0;
  uint32_t storedSamplingFrequency = 0;
  double acquisitionTimeMs = 0.0;
};

// The values of the analysis state. The data's sampling frequency and point
// count are the raw waveform's after an acquisition change, else the
// recorder's, else the stored ones (0 from the recorder means none).
PrintValues ValuesFromState(const AnalysisState& state, int pageIndex, uint32_t recorderFrequency,
                            uint32_t recorderCount);

// Title text of a page index: 2034 + index for 0 … 4, 2039 for any other.
int32_t PageTitleId(int pageIndex);

// One value for a printf conversion of a language text.
struct FormatValue {
  bool real = false;
  int64_t integer = 0;
  double number = 0.0;
  FormatValue(int64_t value) : integer(value) {}        // NOLINT: implicit on purpose
  FormatValue(int32_t value) : integer(value) {}        // NOLINT
  FormatValue(uint32_t value) : integer(value) {}       // NOLINT
  FormatValue(double value) : real(true), number(value) {}  // NOLINT
};
// Fills the conversions of format (%d %u %f %g …, with flags, width and
// precision) in order with values, in the C locale. A conversion without a
// value, or of a kind that does not fit its value, is left out.
std::string FormatText(std::string_view format, const std::vector<FormatValue>& values);

using TextSource = std::function<std::string(int32_t id)>;  // UTF-8 text of a language id
using TextWidth = std::function<int(std::string_view utf8, int fontHeight)>;  // in page units

std::vector<std::string> LeftColumn(const PrintValues& values, const TextSource& text);
std::vector<std::string> RightColumn(const PrintValues& values, const TextSource& text);

// label + path in lines no wider than width: the path is split after each
// '/', and a line takes as many pieces as fit; further lines start with four
// blanks. A piece wider than a whole line is cut between characters.
std::vector<std::string> WrapFileName(const std::string& label, const std::string& path, int width,
                                      const TextWidth& measure);

struct PlacedText {
  int x = 0, y = 0;
  std::string text;
};
struct PrintLayout {
  int pictureX = 0, pictureY = 0, pictureWidth = 0, pictureHeight = 0;
  std::vector<PlacedText> lines;
  int pageHeight = 0;
};
// pageHeight in page units; the picture keeps the aspect of
// pictureWidth × pictureHeight (the page on the screen).
PrintLayout LayoutPrintPage(const PrintValues& values, const TextSource& text, const TextWidth& measure,
                            int pageHeight, int pictureWidth, int pictureHeight);
// Draws the text lines of a layout (black, kFontHeight).
void DrawPrintText(Painter& painter, const PrintLayout& layout);

}  // namespace kr70::print
