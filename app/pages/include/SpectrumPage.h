#pragma once
// Logic of the spectrum page: the analysis spectrum above and the yuragi
// spectrum below on a logarithmic frequency axis, the spectrum kind (power or
// amplitude), the display range lists ("from" / "to", decades between the
// frequency resolution and the Nyquist frequency), one decibel range list per
// plot, and the shaded pass band of the frequency filter.
#include "PageControls.h"
#include "Painter.h"
#include "PlotCore.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

class UiPort;

namespace spectrum_page {
inline constexpr int32_t kPower = 1050, kAmplitude = 1051;
inline constexpr int32_t kFrom = 1054, kTo = 1055;
inline constexpr int32_t kUpperDecibel = 1060, kLowerDecibel = 1061;
inline constexpr int32_t kCount = 1056, kPeaks = 1095;
// Read-out under the mouse: frequency, level of the upper and the lower spectrum.
inline constexpr int32_t kFrequencyText = 1190, kUpperLevel = 1194, kLowerLevel = 1196;
inline constexpr int32_t kTextFromNotBelowTo = 2091, kTextToNotAboveFrom = 2092;
}  // namespace spectrum_page

// A borrowed spectrum of `size` bins; the page reads bins 0 … size/2 only.
struct SpectrumSpan {
  const double* power = nullptr;
  const double* amplitude = nullptr;
  uint32_t size = 0;
  uint32_t samplingFrequency = 0;
};

// The entries of the display range lists for N bins at fs: from the lowest
// power of ten (≤ 100000) not above the resolution fs / N up to the lowest
// power of ten whose tenth is below the Nyquist frequency, as texts of the
// frequency label rule. Empty when N or fs is 0.
std::vector<std::string> frequencyRangeEntries(uint32_t size, uint32_t samplingFrequency);
// The display range of a spectrum page: the entries of its lower and upper
// range lists and the chosen indices, lower below upper.
struct FrequencyRange {
  std::vector<std::string> entries;
  int from = 0, to = 0;

  // New entries for N bins at fs with the whole range chosen, shown in the
  // lists fromId and toId; nothing changes when no entry can be formed.
  void reset(uint32_t size, uint32_t samplingFrequency, PageControls& controls, int32_t fromId, int32_t toId);
  // Whether index may become the lower (upper) end.
  bool fromAllowed(int index) const { return index >= 0 && index < to; }
  bool toAllowed(int index) const { return index > from && index < static_cast<int>(entries.size()); }
  // The chosen ends as numbers read from the list texts (0 when none).
  double lowest() const;
  double highest() const;
};

inline const std::vector<std::string> kDecibelEntries = {"-10dB", "-20dB", "-50dB", "-100dB",
                                                        "-200dB"};

class SpectrumPage {
 public:
  // decibelIndex: initial index of both decibel lists (the "dB" setting).
  SpectrumPage(UiPort& port, PageControls& controls, int decibelIndex = 4);

  void setSpectra(SpectrumSpan upper, SpectrumSpan lower) {
    upper_ = upper;
    lower_ = lower;
  }
  void setFilter(plot::FilterBand filter) { filter_ = filter; }
  // Set data: shows N and, when N is not 0, rebuilds both range lists
  // selecting the first and the last entry; redraws.
  void setData(uint32_t size, uint32_t samplingFrequency);

  void kindChosen(int kind);                 // 0 power, 1 amplitude
  void fromChosen(int index);                // refused unless below "to"
  void toChosen(int index);                  // refused unless above "from"
  void decibelChosen(int plot, int index);   // 0 upper, 1 lower
  // Mouse over the plots at `fraction` of the plot width (-1.0 outside
  // both): the frequency there ("%.2f" Hz) and, at the nearest drawn bin
  // (1 .. N/2 - 1), the level of each spectrum of the shown kind
  // (20·log10 of its value, "%.2f" dB; empty for 0 or no bin). Set data
  // clears the read-out.
  void mouseMoved(double fraction);

  void paintPlot(int plot, Painter& painter, int width, int height) const;
  void paintAxis(Painter& painter, int width, int height) const;

  int kind() const { return kind_; }
  int fromIndex() const { return range_.from; }
  int toIndex() const { return range_.to; }
  int decibelIndex(int plot) const { return decibel_[plot & 1]; }
  const std::vector<std::string>& rangeEntries() const { return range_.entries; }
  // The display range as numbers read from the list texts (0 when none).
  double lowestFrequency() const;
  double highestFrequency() const;

 private:
  UiPort& port_;
  PageControls& controls_;
  SpectrumSpan upper_, lower_;
  plot::FilterBand filter_;
  FrequencyRange range_;
  int kind_ = 0;
  int decibel_[2];
};

}  // namespace kr70
