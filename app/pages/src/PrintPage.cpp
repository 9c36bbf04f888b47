#include "PrintPage.h"

#include "AnalysisState.h"
#include "Kr70TextIds.h"
#include "NumberText.h"

#include <algorithm>

namespace kr70::print {
namespace {

namespace ids = kr70::text;

std::string Line(const TextSource& text, int32_t id, const std::vector<FormatValue>& values = {}) {
  return FormatText(text(id), values);
}

// Length of the UTF-8 character starting with byte lead.
size_t CharLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

PrintValues ValuesFromState(const AnalysisState& state, int pageIndex, uint32_t recorderFrequency,
                            uint32_t recorderCount) {
  const AnalysisSettings& s = state.Settings();
  PrintValues values;
  values.pageIndex = pageIndex;
  values.displayFile = s.currentFile;
  values.samplingPitch = s.samplingPitch;
  for (int i = 0; i < 3; ++i) values.yuragi[i] = s.yuragiParameter[i];
  values.samplingFrequency = s.samplingFrequency;
  values.dataPoints = s.dataPoints;
  if (s.acquisitionChanged != 0) {
    const WAData& raw = state.RawWaveform();
    if (raw.GetSampFreq() != 0) values.samplingFrequency = raw.GetSampFreq();
    else if (recorderFrequency != 0) values.samplingFrequency = recorderFrequency;
    if (raw.GetSize() != 0) values.dataPoints = raw.GetSize();
    else if (recorderCount != 0) values.dataPoints = recorderCount;
  }
  values.filterType = s.filterType;
  values.taps = s.filterTaps;
  values.lowerFrequency = s.lowerFrequency;
  values.upperFrequency = s.upperFrequency;
  values.smoothingLength = s.smoothingLength;
  values.peakThreshold = s.peakThreshold;
  values.passThreshold = s.passThreshold;
  values.storedSamplingFrequency = s.samplingFrequency;
  values.acquisitionTimeMs = s.acquisitionTimeMs;
  return values;
}

int32_t PageTitleId(int pageIndex) {
  return pageIndex >= 0 && pageIndex <= 4 ? ids::kPageTitleFirst + pageIndex : ids::kPageTitleOther;
}

std::string FormatText(std::string_view format, const std::vector<FormatValue>& values) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) {
      out += format[i];
      continue;
    }
    if (format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    size_t end = i + 1;
    std::string conversionText = "%";
    while (end < format.size() && std::string_view("-+ #0123456789.").find(format[end]) != std::string_view::npos)
      conversionText += format[end++];
    while (end < format.size() && std::string_view("lhzjt").find(format[end]) != std::string_view::npos) ++end;
    if (end >= format.size() || conversionText.size() > 12) {
      out += format[i];
      continue;
    }
    const char conversion = format[end];
    const bool integer = std::string_view("diuxX").find(conversion) != std::string_view::npos;
    const bool real = std::string_view("fFeEgG").find(conversion) != std::string_view::npos;
    if (!integer && !real && conversion != 's') {
      out += format[i];
      continue;
    }
    i = end;
    if (next >= values.size()) continue;
    const FormatValue& value = values[next++];
    if (integer && !value.real) {
      conversionText += "ll";
      conversionText += conversion;
      if (conversion == 'd' || conversion == 'i') out += FormatC(conversionText.c_str(), static_cast<long long>(value.integer));
      else out += FormatC(conversionText.c_str(), static_cast<unsigned long long>(value.integer));
    } else if (real && value.real) {
      conversionText += conversion;
      out += FormatC(conversionText.c_str(), value.number);
    }
  }
  return out;
}

std::vector<std::string> LeftColumn(const PrintValues& v, const TextSource& text) {
  std::vector<std::string> lines = {
      Line(text, ids::kPrintHeadSampling),
      Line(text, ids::kPrintSamplingPitch, {v.samplingPitch}),
      Line(text, ids::kPrintHeadYuragi),
      Line(text, ids::kPrintYuragiParam1, {v.yuragi[0]}),
      Line(text, ids::kPrintYuragiParam2, {v.yuragi[1]}),
      Line(text, ids::kPrintYuragiParam3, {v.yuragi[2]}),
      Line(text, ids::kPrintHeadFreqFilter),
      Line(text, ids::kPrintSamplingFrequency, {v.samplingFrequency}),
  };
  switch (v.filterType) {
    case 0:
      lines.push_back(Line(text, ids::kPrintNoFilter));
      break;
    case 2:
      lines.push_back(Line(text, ids::kPrintHpf));
      lines.push_back(Line(text, ids::kPrintHpfTaps, {v.taps}));
      lines.push_back(Line(text, ids::kPrintHpfCutOff, {v.lowerFrequency}));
      break;
    case 3:
      lines.push_back(Line(text, ids::kPrintBpf));
      lines.push_back(Line(text, ids::kPrintBpfTaps, {v.taps}));
      lines.push_back(Line(text, ids::kPrintBpfBand, {v.lowerFrequency, v.upperFrequency}));
      break;
    case 4:
      lines.push_back(Line(text, ids::kPrintBef));
      lines.push_back(Line(text, ids::kPrintBefTaps, {v.taps}));
      lines.push_back(Line(text, ids::kPrintBefBand, {v.lowerFrequency, v.upperFrequency}));
      break;
    default:
      lines.push_back(Line(text, ids::kPrintLpf));
      lines.push_back(Line(text, ids::kPrintLpfTaps, {v.taps}));
      lines.push_back(Line(text, ids::kPrintLpfCutOff, {v.lowerFrequency}));
      break;
  }
  return lines;
}

std::vector<std::string> RightColumn(const PrintValues& v, const TextSource& text) {
  return {
      Line(text, ids::kPrintHeadAbnormal),
      Line(text, ids::kPrintDataPoints, {v.dataPoints}),
      Line(text, ids::kPrintSmoothing, {v.smoothingLength}),
      Line(text, ids::kPrintPeakThreshold, {v.peakThreshold}),
      Line(text, ids::kPrintPassThreshold, {v.passThreshold}),
      Line(text, ids::kPrintHeadAcquisition),
      Line(text, ids::kPrintAcqSamplingFrequency, {v.storedSamplingFrequency}),
      Line(text, ids::kPrintAcquisitionTime, {v.acquisitionTimeMs}),
  };
}

std::vector<std::string> WrapFileName(const std::string& label, const std::string& path, int width,
                                      const TextWidth& measure) {
  // Pieces: each directory with its separator, then the file name.
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start < path.size()) {
    const size_t slash = path.find('/', start);
    const size_t end = slash == std::string::npos ? path.size() : slash + 1;
    pieces.push_back(path.substr(start, end - start));
    start = end;
  }
  const std::string indent = "    ";
  std::vector<std::string> lines;
  std::string line = label;
  bool lineHasPiece = false;
  const auto fits = [&](const std::string& text) { return measure(text, kFontHeight) <= width; };
  for (const std::string& piece : pieces) {
    if (fits(line + piece)) {
      line += piece;
      lineHasPiece = true;
      continue;
    }
    if (lineHasPiece) {
      lines.push_back(line);
      line = indent;
      lineHasPiece = false;
    }
    if (fits(line + piece)) {
      line += piece;
      lineHasPiece = true;
      continue;
    }
    // A piece wider than a line: cut it between characters.
    for (size_t i = 0; i < piece.size();) {
      const size_t length = std::min(CharLength(static_cast<unsigned char>(piece[i])), piece.size() - i);
      const std::string character = piece.substr(i, length);
      if (lineHasPiece && !fits(line + character)) {
        lines.push_back(line);
        line = indent;
        lineHasPiece = false;
      }
      line += character;
      lineHasPiece = true;
      i += length;
    }
  }
  lines.push_back(line);
  return lines;
}

PrintLayout LayoutPrintPage(const PrintValues& values, const TextSource& text, const TextWidth& measure,
                            int pageHeight, int pictureWidth, int pictureHeight) {
  PrintLayout layout;
  layout.pageHeight = pageHeight;
  if (pictureWidth > 0 && pictureHeight > 0) {
    int width = kPageWidth;
    int height = static_cast<int>(static_cast<int64_t>(width) * pictureHeight / pictureWidth);
    const int most = pageHeight * kMaxPictureShare / 100;
    if (height > most) {
      height = most;
      width = static_cast<int>(static_cast<int64_t>(height) * pictureWidth / pictureHeight);
    }
    layout.pictureWidth = width;
    layout.pictureHeight = height;
  }
  int y = layout.pictureHeight + kLineSpacing;
  layout.lines.push_back({0, y, text(PageTitleId(values.pageIndex))});
  y += kLineSpacing;
  for (std::string& line : WrapFileName(text(kr70::text::kPrintDisplayFile), values.displayFile, kPageWidth, measure)) {
    layout.lines.push_back({0, y, std::move(line)});
    y += kLineSpacing;
  }
  y += kLineSpacing;
  int left = y, right = y;
  for (std::string& line : LeftColumn(values, text)) {
    layout.lines.push_back({0, left, std::move(line)});
    left += kLineSpacing;
  }
  for (std::string& line : RightColumn(values, text)) {
    layout.lines.push_back({kPageWidth / 2, right, std::move(line)});
    right += kLineSpacing;
  }
  return layout;
}

void DrawPrintText(Painter& painter, const PrintLayout& layout) {
  for (const PlacedText& line : layout.lines) painter.drawText(line.x, line.y, line.text, kFontHeight, Rgb{0, 0, 0});
}

}  // namespace kr70::print
