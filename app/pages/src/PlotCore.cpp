#include "PlotCore.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace kr70::plot {
namespace {

// Keeps coordinates that lie far outside the plot representable as int;
// whatever lies outside is clipped anyway.
int clampCoordinate(double value, int extent) {
  const double limit = 4.0 * extent + 16.0;
  if (std::isnan(value)) return extent;
  return static_cast<int>(std::clamp(value, -limit, limit));
}

// Per-column min/max decimation: consecutive points on the same column only
// widen that column's vertical segment; when the column changes, the segment
// is drawn and a line joins the last point of the old column to the first
// point of the new one. add() answers false after the first column beyond the
// right edge, which ends the pass.
class ColumnDecimator {
 public:
  ColumnDecimator(Painter& painter, int width) : painter_(painter), width_(width) {}

  bool add(int x, int yFirst, int yMin, int yMax, int yLast) {
    if (!started_) {
      started_ = true;
    } else if (x == column_) {
      lowest_ = std::min(lowest_, yMin);
      highest_ = std::max(highest_, yMax);
      last_ = yLast;
      return true;
    } else if (column_ >= 0 || x >= 0) {
      if (column_ >= 0) painter_.drawLine(column_, lowest_, column_, highest_);
      painter_.drawLine(column_, last_, x, yFirst);
    }
    column_ = x;
    lowest_ = yMin;
    highest_ = yMax;
    last_ = yLast;
    return x <= width_;
  }
  bool addPoint(int x, int y) { return add(x, y, y, y, y); }

  void finish() {
    if (started_ && column_ >= 0 && column_ <= width_)
      painter_.drawLine(column_, lowest_, column_, highest_);
  }

 private:
  Painter& painter_;
  int width_;
  bool started_ = false;
  int column_ = 0, lowest_ = 0, highest_ = 0, last_ = 0;
};

std::string fixed(double value, int decimals) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                              decimals);
  if (result.ec != std::errc()) return "?";
  return std::string(buffer, result.ptr);
}

}  // namespace

int64_t sampleColumn(int64_t index, int64_t firstSample, int width, int64_t visibleCount) {
  return (index - firstSample) * width / visibleCount;
}

int valueRow(double value, double top, double bottom, int height) {
  const double row = std::trunc(height * (top - value) / (top - bottom));
  if (std::isnan(row)) return height;
  if (row < 0.0) return 0;
  return clampCoordinate(row, height);
}

void drawWaveformPlot(Painter& painter, int width, int height, const WaveformView& view,
                      double tickStep) {
  if (width <= 0 || height <= 0) return;
  painter.setClip(0, 0, width, height);
  painter.fillRect(0, 0, width, height, kWhite);
  const uint32_t count = view.count;
  if (count == 0 || view.samplingFrequency == 0 || view.samples == nullptr) return;
  const int zoom = std::max(1, view.zoom);
  const int64_t visible = count / zoom;
  if (visible == 0) return;
  const int64_t s0 = std::max<int64_t>(0, view.firstSample);

  // Selection band.
  bool onePixelBand = false;
  int64_t bandLeft = 0;
  if (view.showSelection && !(view.selectionStart == 0 && view.selectionLength == count)) {
    const int64_t start = view.selectionStart;
    bandLeft = (start - s0) * width / visible;
    int64_t bandRight = (start + view.selectionLength - s0) * width / visible;
    if (bandRight <= bandLeft) bandRight = bandLeft + 1;
    onePixelBand = bandRight - bandLeft == 1;
    const int64_t left = std::clamp<int64_t>(bandLeft, 0, width);
    const int64_t right = std::clamp<int64_t>(bandRight, 0, width);
    if (right > left)
      painter.fillRect(static_cast<int>(left), 0, static_cast<int>(right - left), height, kTeal);
  }

  // Time grid.
  const double span = static_cast<double>(count) / view.samplingFrequency / zoom * 1000.0;
  if (tickStep > 0.0 && span > 0.0) {
    painter.setPen(kGrey, 1);
    bool grey = true;
    for (int k = 0; k * tickStep < span * (1.0 - 1e-9) && k <= 4 * width; ++k) {
      const int x = static_cast<int>(std::trunc(k * tickStep * width / span));
      const bool teal = onePixelBand && x == bandLeft;
      if (teal == grey) {
        painter.setPen(teal ? kTeal : kGrey, 1);
        grey = !teal;
      }
      painter.drawLine(x, 0, x, height);
    }
  }

  // Curve, one column at a time: the samples of column x are those with
  // (i - s0)·W / M == x, i.e. offsets [ceil(x·M / W), ceil((x + 1)·M / W)).
  painter.setPen(kBlack, 1);
  ColumnDecimator decimator(painter, width);
  const double* v = view.samples;
  auto offset = [&](int64_t column) { return (column * visible + width - 1) / width; };
  // Rows above the plot either stay on the top edge or run past it (clipped).
  auto row = [&](double value) {
    if (view.clampTop) return valueRow(value, view.top, view.bottom, height);
    const double unclamped = std::trunc(height * (view.top - value) / (view.top - view.bottom));
    return std::isnan(unclamped) ? height : clampCoordinate(unclamped, height);
  };
  for (int64_t x = 0; x <= width + 1; ++x) {
    const int64_t first = s0 + offset(x);
    if (first >= count) break;
    const int64_t end = std::min<int64_t>(count, s0 + offset(x + 1));
    if (first >= end) continue;
    double lowest = v[first], highest = v[first];
    for (int64_t i = first + 1; i < end; ++i) {
      const double value = v[i];
      lowest = value < lowest ? value : lowest;
      highest = value > highest ? value : highest;
    }
    const int rowA = row(highest);
    const int rowB = row(lowest);
    if (!decimator.add(static_cast<int>(x), row(v[first]), std::min(rowA, rowB), std::max(rowA, rowB),
                       row(v[end - 1])))
      return;
  }
  decimator.finish();
}

std::string millisecondLabel(double milliseconds) {
  std::string text = fixed(milliseconds, 3);
  for (int removed = 0; removed < 2 && !text.empty() && text.back() == '0'; ++removed)
    text.pop_back();
  return text;
}

int millisecondFontHeight(size_t longestLabel) {
  if (longestLabel <= 6) return 15;
  if (longestLabel == 7) return 13;
  if (longestLabel <= 9) return 12;
  return 11;
}

MillisecondAxis millisecondAxis(uint32_t count, uint32_t samplingFrequency, int zoom,
                                int scrollPosition) {
  MillisecondAxis axis;
  if (count == 0 || samplingFrequency == 0) return axis;
  const double seconds = static_cast<double>(count) / samplingFrequency;
  axis.span = seconds / std::max(1, zoom) * 1000.0;
  axis.step = axis.span / 10.0;
  const double offset = seconds * scrollPosition;
  size_t longest = 0;
  for (int k = 0; k < 10; ++k) {
    axis.labels[k] = millisecondLabel(offset + k * axis.step);
    longest = std::max(longest, axis.labels[k].size());
  }
  axis.fontHeight = millisecondFontHeight(longest);
  return axis;
}

void drawMillisecondAxis(Painter& painter, int width, int height, const MillisecondAxis& axis) {
  if (width <= 0 || height <= 0) return;
  painter.setClip(0, 0, width, height);
  painter.fillRect(0, 0, width, height, kWhite);
  if (axis.span <= 0.0) return;
  painter.setPen(kGrey, 1);
  for (int k = 0; k < 10; ++k) {
    const int x = static_cast<int>(std::trunc(width * k * axis.step / axis.span));
    painter.drawLine(x, 0, x, height);
    painter.drawText(x + 2, 1, axis.labels[k], axis.fontHeight, kBlack);
  }
}

double secondsAxisStep(double seconds) {
  static constexpr double kLadder[] = {0.0002, 0.0005, 0.001, 0.002, 0.005, 0.01,
                                       0.02,   0.05,   0.1,   0.2,   0.5,   1.0};
  double step = 0.0001;
  for (double candidate : kLadder)
    if (5.0 * candidate < seconds) step = candidate;
  return step;
}

int secondsAxisDecimals(double step) {
  if (step < 0.001) return 4;
  if (step < 0.01) return 3;
  if (step < 0.1) return 2;
  return 1;
}

void drawSecondsAxis(Painter& painter, int width, int height, double seconds) {
  if (width <= 0 || height <= 0) return;
  painter.setClip(0, 0, width, height);
  painter.fillRect(0, 0, width, height, kWhite);
  if (!(seconds > 0.0)) return;
  const double step = secondsAxisStep(seconds);
  const int decimals = secondsAxisDecimals(step);
  painter.setPen(kGrey, 1);
  for (int k = 0; k * step < seconds * (1.0 - 1e-9) && k <= width; ++k) {
    const double t = k * step;
    const int x = static_cast<int>(std::trunc(t * width / seconds));
    painter.drawLine(x, 0, x, height);
    painter.drawText(x + 2, 1, fixed(t, decimals), 15, kBlack);
  }
}

FrequencyMap::FrequencyMap(double lowest, double highest, int width) : width_(width) {
  valid_ = lowest > 0.0 && highest > lowest && width > 0 && std::isfinite(highest);
  if (!valid_) return;
  logLow_ = std::log10(lowest);
  scale_ = width / (std::log10(highest) - logLow_);
}

double FrequencyMap::columnStart(int column) const {
  return std::pow(10.0, logLow_ + column / scale_);
}

int FrequencyMap::x(double frequency) const {
  if (!(frequency > 0.0)) return clampCoordinate(-1e300, width_);
  return clampCoordinate(std::trunc((std::log10(frequency) - logLow_) * scale_), width_);
}

int decibelRange(int index) {
  static constexpr int kRanges[] = {10, 20, 50, 100, 200};
  return kRanges[std::clamp(index, 0, 4)];
}

int decibelRow(double value, int range, int height) {
  if (!(value > 0.0)) return height - 1;
  return clampCoordinate(std::trunc(-20.0 * std::log10(value) / range * height), height);
}

namespace {

void shadeFilterBand(Painter& painter, int width, int height, const FrequencyMap& map,
                     double lowest, double highest, const FilterBand& filter) {
  auto shade = [&](int left, int right) {
    left = std::max(left, 0);
    right = std::min(right, width);
    if (right > left) painter.fillRect(left, 0, right - left, height, kPaleYellow);
  };
  auto lowPass = [&](double cutOff) {
    if (cutOff > lowest) shade(0, map.x(cutOff));
  };
  auto highPass = [&](double cutOff) {
    if (cutOff < highest) shade(map.x(cutOff), width);
  };
  switch (filter.type) {
    case 1: lowPass(filter.low); break;
    case 2: highPass(filter.low); break;
    case 3: shade(map.x(filter.low), map.x(filter.high)); break;
    case 4:
      lowPass(filter.low);
      highPass(filter.high);
      break;
    default: break;
  }
}

// Calls visit(decade) for lowest, 10·lowest, ... while below highest.
template <typename Visit>
void forEachDecade(double lowest, double highest, Visit visit) {
  int guard = 0;
  for (double decade = lowest; decade < highest && guard < 64; decade *= 10.0, ++guard)
    visit(decade);
}

void drawDecadeGrid(Painter& painter, int height, const FrequencyMap& map, double lowest,
                    double highest) {
  painter.setPen(kGrey, 1);
  forEachDecade(lowest, highest, [&](double decade) {
    for (int multiple = 1; multiple <= 9; ++multiple) {
      const int x = map.x(multiple * decade);
      painter.drawLine(x, 0, x, height);
    }
  });
}

void drawDecibelGrid(Painter& painter, int width, int height, int range) {
  painter.setPen(kGrey, 1);
  for (int j = 0; j <= 10; ++j) {
    const int level = j * range / 10;
    const int y = static_cast<int>(std::trunc(static_cast<double>(height) * level / range));
    painter.drawLine(0, y, width, y);
  }
}

// Fill, and the shading and grids shared by curve and bar spectra; answers
// false when the range is not drawable.
bool drawSpectrumBackground(Painter& painter, int width, int height, const SpectrumView& view,
                            const FrequencyMap& map) {
  if (width <= 0 || height <= 0) return false;
  painter.setClip(0, 0, width, height);
  painter.fillRect(0, 0, width, height, kWhite);
  if (!map.valid()) return false;
  shadeFilterBand(painter, width, height, map, view.lowest, view.highest, view.filter);
  drawDecadeGrid(painter, height, map, view.lowest, view.highest);
  drawDecibelGrid(painter, width, height, decibelRange(view.decibelIndex));
  return true;
}

}  // namespace

void drawSpectrumPlot(Painter& painter, int width, int height, const SpectrumView& view) {
  const FrequencyMap map(view.lowest, view.highest, width);
  if (!drawSpectrumBackground(painter, width, height, view, map)) return;
  if (view.values == nullptr || view.size < 4 || view.samplingFrequency == 0) return;
  const int range = decibelRange(view.decibelIndex);
  const double binWidth = static_cast<double>(view.samplingFrequency) / view.size;
  const double* v = view.values;
  const uint64_t last = view.size / 2 - 1;
  auto column = [&](uint64_t bin) { return map.x(bin * binWidth); };
  auto row = [&](double value) { return decibelRow(value, range, height); };
  painter.setPen(kBlack, 2);
  ColumnDecimator decimator(painter, width);
  for (uint64_t i = 1; i <= last;) {
    const int x = column(i);
    // End of the column: the first bin of a later column. The estimate from
    // the next column's edge is confirmed with x() itself, so the bins of
    // each column are exactly those of a bin-by-bin pass.
    uint64_t end = i + 1;
    if (x < width + 1) {
      const double edge = std::ceil(map.columnStart(x + 1) / binWidth);
      if (edge > static_cast<double>(end)) end = static_cast<uint64_t>(std::min(edge, static_cast<double>(last + 1)));
      while (end > i + 1 && column(end - 1) != x) --end;
    }
    while (end <= last && column(end) == x) ++end;
    // A bin's row falls as its value rises; a value of no decibels (≤ 0)
    // sits on the bottom row.
    double highest = 0.0, lowest = 0.0;
    bool none = false;
    for (uint64_t k = i; k < end; ++k) {
      const double value = v[k];
      if (!(value > 0.0)) {
        none = true;
      } else if (highest == 0.0) {
        highest = lowest = value;
      } else {
        highest = value > highest ? value : highest;
        lowest = value < lowest ? value : lowest;
      }
    }
    int top = none ? height - 1 : row(highest), bottom = top;
    if (highest > 0.0) {
      top = std::min(top, row(highest));
      bottom = std::max(bottom, row(lowest));
    }
    if (!decimator.add(x, row(v[i]), top, bottom, row(v[end - 1]))) return;
    i = end;
  }
  decimator.finish();
}

namespace {

void drawBars(Painter& painter, int width, int height, const SpectrumView& view, const FrequencyMap& map) {
  if (view.values == nullptr || view.size < 4 || view.samplingFrequency == 0) return;
  const int range = decibelRange(view.decibelIndex);
  const double binWidth = static_cast<double>(view.samplingFrequency) / view.size;
  int x = map.x(binWidth);
  for (uint32_t i = 1; i <= view.size / 2 - 1; ++i) {
    const int next = map.x((i + 1) * binWidth);
    if (x > width) return;
    if (view.values[i] > 0.0 && next != x && next >= 0) {
      const int y = decibelRow(view.values[i], range, height);
      painter.fillRect(x, y, next - x, height - y, kBlack);
    }
    x = next;
  }
}

}  // namespace

void drawDifferenceBars(Painter& painter, int width, int height, const SpectrumView& view) {
  const FrequencyMap map(view.lowest, view.highest, width);
  if (!drawSpectrumBackground(painter, width, height, view, map)) return;
  drawBars(painter, width, height, view, map);
}

int markRow(double level, int range, int height) {
  return clampCoordinate(level / range * height, height);
}

void drawDifferenceSpectrum(Painter& painter, int width, int height, const SpectrumView& view,
                            const std::vector<SpectrumMark>& marks, int selected) {
  if (width <= 0 || height <= 0) return;
  const FrequencyMap map(view.lowest, view.highest, width);
  painter.setClip(0, 0, width, height);
  painter.fillRect(0, 0, width, height, kWhite);
  if (!map.valid()) return;
  const int range = decibelRange(view.decibelIndex);
  for (size_t i = 0; i < marks.size(); ++i) {
    const SpectrumMark& mark = marks[i];
    const int x1 = map.x(mark.left), x2 = map.x(mark.right);
    const int y1 = markRow(std::min(mark.firstLevel, mark.secondLevel), range, height);
    const int y2 = markRow(std::max(mark.firstLevel, mark.secondLevel), range, height);
    painter.fillRect(x1, y1, std::max(x2 - x1, 1), std::max(y2 - y1, 1),
                     static_cast<int>(i) == selected ? kCyan : kTeal);
  }
  drawDecadeGrid(painter, height, map, view.lowest, view.highest);
  drawDecibelGrid(painter, width, height, range);
  drawBars(painter, width, height, view, map);
}

std::string frequencyLabel(double frequency) {
  if (frequency >= 1.0) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer,
                                static_cast<long long>(frequency * (1.0 + 1e-12)));
    return std::string(buffer, result.ptr);
  }
  if (!(frequency > 0.0)) return "0";
  int decimals = 0;
  for (double value = frequency; value < 1.0 - 1e-9 && decimals < 20; value *= 10.0) ++decimals;
  return fixed(frequency, decimals);
}

void drawFrequencyAxis(Painter& painter, int width, int height, double lowest, double highest) {
  if (width <= 0 || height <= 0) return;
  painter.setClip(0, 0, width, height);
  painter.fillRect(0, 0, width, height, kWhite);
  const FrequencyMap map(lowest, highest, width);
  if (!map.valid()) return;
  painter.setPen(kGrey, 1);
  forEachDecade(lowest, highest, [&](double decade) {
    const int x = map.x(decade);
    painter.drawLine(x, 0, x, height);
    painter.drawText(x + 2, 1, frequencyLabel(decade), 15, kBlack);
    for (int multiple = 2; multiple <= 9; ++multiple) {
      const int xm = map.x(multiple * decade);
      painter.drawLine(xm, 0, xm, height);
    }
  });
}

double plotFraction(int x, int y, const PlotFrame& upper, const PlotFrame& lower) {
  for (const PlotFrame* frame : {&upper, &lower})
    if (frame->width > 0 && frame->contains(x, y))
      return static_cast<double>(x - frame->left) / frame->width;
  return -1.0;
}

}  // namespace kr70::plot
