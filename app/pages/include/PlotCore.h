#pragma once
// Drawing rules shared by every graph page: coordinate mapping, time and
// frequency axes with their labels, the selection band, per-column min/max
// decimation, logarithmic frequency mapping, filter shading, decibel grid and
// difference bars. Everything paints into one plot frame of width × height
// pixels through a Painter; nothing is cached. The work per plot is bounded by
// the width, not by the number of samples: one vertical min/max segment and
// one connecting line per pixel column, and the sample pass stops at the
// right edge without allocating.
#include "Painter.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kr70::plot {

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kGrey{128, 128, 128};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kTeal{0, 192, 192};
inline constexpr Rgb kCyan{0, 255, 255};
inline constexpr Rgb kPaleYellow{255, 255, 128};
inline constexpr Rgb kLevelLine{222, 90, 50};

// Waveform plot input. The samples array holds `count` values; the view shows
// count / zoom samples from `firstSample` on, with `top` at y = 0 and `bottom`
// at y = height.
struct WaveformView {
  const double* samples = nullptr;
  uint32_t count = 0;
  uint32_t samplingFrequency = 0;
  int zoom = 1;
  int64_t firstSample = 0;
  double top = 5.0, bottom = -5.0;
  bool showSelection = true;
  uint32_t selectionStart = 0, selectionLength = 0;
  // Values above `top` are drawn on the top edge (else they run past it and
  // are clipped).
  bool clampTop = true;
};

// Fills white, paints the selection band (unless it is the whole record or
// showSelection is off), the time grid with `tickStep` milliseconds per line
// and the curve with a 1-pixel black pen.
void drawWaveformPlot(Painter& painter, int width, int height, const WaveformView& view,
                      double tickStep);

// Pixel column of sample `index` (integer arithmetic): (index - s0)·W / M.
int64_t sampleColumn(int64_t index, int64_t firstSample, int width, int64_t visibleCount);
// Row of value v: trunc(H·(top - v) / (top - bottom)), never above 0.
int valueRow(double value, double top, double bottom, int height);

// Millisecond-style time axis. Span S = N / fs / z · 1000 ms, step S / 10,
// offset N / fs · p ms (p = scroll position 0..999, so one unit is a
// thousandth of the record), ten labels "%.3f" with up to two trailing zeros
// removed; the font height follows the longest label.
struct MillisecondAxis {
  double span = 0.0;  // ms; 0 when N or fs is 0
  double step = 0.0;
  std::array<std::string, 10> labels;
  int fontHeight = 15;
};
MillisecondAxis millisecondAxis(uint32_t count, uint32_t samplingFrequency, int zoom,
                                int scrollPosition);
std::string millisecondLabel(double milliseconds);
int millisecondFontHeight(size_t longestLabel);
void drawMillisecondAxis(Painter& painter, int width, int height, const MillisecondAxis& axis);

// Seconds-style time axis for a visible span of `seconds`.
double secondsAxisStep(double seconds);
int secondsAxisDecimals(double step);  // 4, 3, 2 or 1
void drawSecondsAxis(Painter& painter, int width, int height, double seconds);

// Logarithmic frequency mapping of the spectrum plots.
class FrequencyMap {
 public:
  FrequencyMap(double lowest, double highest, int width);
  bool valid() const { return valid_; }  // both ends > 0 and lowest < highest
  // trunc((log10 f - log10 lo) / (log10 hi - log10 lo) · W), limited to a
  // band a few widths around the plot; f ≤ 0 maps far left.
  int x(double frequency) const;
  // The frequency where column `column` starts: x(f) is `column` or more for
  // f at or above it (up to rounding; callers confirm with x()).
  double columnStart(int column) const;

 private:
  double logLow_ = 0.0, scale_ = 0.0;
  int width_ = 0;
  bool valid_ = false;
};

// Frequency-response filter whose pass band is shaded: type 0 none, 1 LPF
// (cut-off `low`), 2 HPF (cut-off `low`), 3 BPF and 4 BEF (`low` .. `high`).
struct FilterBand {
  int type = 0;
  double low = 0.0, high = 0.0;
};

struct SpectrumView {
  const double* values = nullptr;  // normalised power or amplitude, N bins
  uint32_t size = 0;               // N, the full transform length
  uint32_t samplingFrequency = 0;
  double lowest = 0.0, highest = 0.0;  // display range in Hz
  int decibelIndex = 4;                // 0..4 for 10, 20, 50, 100, 200 dB
  FilterBand filter;
};

int decibelRange(int index);  // index clamped to 0..4
// Row of a bin value: trunc(-20·log10(v) / R · H); a value ≤ 0 (no decibel
// value) is drawn on the bottom row.
int decibelRow(double value, int range, int height);
// Fills white, then (when the range is valid) filter shading, decade grid,
// decibel lines and the curve with a 2-pixel pen. The bins of one pixel
// column are found from the column's edges and only compared, so the
// logarithms taken are bounded by the width, not by the number of bins.
void drawSpectrumPlot(Painter& painter, int width, int height, const SpectrumView& view);
// Difference bars: black boxes from each positive bin's row down to the bottom.
void drawDifferenceBars(Painter& painter, int width, int height, const SpectrumView& view);

// A marked region of the difference spectrum: frequencies in Hz and two
// levels in decibels below 0 dB, drawn at level / R · H for the range R in
// force.
struct SpectrumMark {
  double left = 0.0, right = 0.0;
  double firstLevel = 0.0, secondLevel = 0.0;
};
int markRow(double level, int range, int height);
// The difference spectrum page's plot: white, the marks (the selected one
// cyan, the others teal), the decade and decibel grids, then the bars.
void drawDifferenceSpectrum(Painter& painter, int width, int height, const SpectrumView& view,
                            const std::vector<SpectrumMark>& marks, int selected);

// "%d" for values of 1 or more, else as many decimals as multiplications by
// 10 are needed to reach 1 (0.5 → "0.5", 0.05 → "0.05").
std::string frequencyLabel(double frequency);
void drawFrequencyAxis(Painter& painter, int width, int height, double lowest, double highest);

// Mouse-to-plot mapping: the fraction x / W of the first plot rectangle (in
// page coordinates) that holds the point, or -1.0 when neither holds it.
struct PlotFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool contains(int x, int y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};
double plotFraction(int x, int y, const PlotFrame& upper, const PlotFrame& lower);

}  // namespace kr70::plot
