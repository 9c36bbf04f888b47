#pragma once
// Logic of the difference spectrum page (138) and the difference waveform
// page (139).
//
// The difference spectrum page draws the difference spectrum as bars on a
// logarithmic frequency axis with the spectrum page's range and decibel
// lists, and keeps up to ten rectangular marks made by dragging over the
// plot; a mark keeps its levels in decibels, so it is drawn at level / R · H
// for whatever range R is in force. The difference waveform page draws the
// difference waveform with a zoom of 1 … 10 and a scroll bar in samples.
#include "PageControls.h"
#include "Painter.h"
#include "PlotCore.h"
#include "SpectrumPage.h"
#include "WaveformPage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

class UiPort;

namespace dif_page {
inline constexpr int32_t kPower = 1050, kAmplitude = 1051;
inline constexpr int32_t kPlot = 1052;
inline constexpr int32_t kFrom = 1054, kTo = 1055, kCount = 1056;
inline constexpr int32_t kMarks = 1057, kDeleteMark = 1058, kClearMarks = 1059;
inline constexpr int32_t kDecibel = 1060;
inline constexpr int kMaxMarks = 10;
// Difference waveform page.
inline constexpr int32_t kUpper = 1036, kLower = 1037, kWavePlot = 1038;
inline constexpr int32_t kScrollBar = 1043, kSlider = 1047;
}  // namespace dif_page

class DifSpectrumPage {
 public:
  DifSpectrumPage(UiPort& port, PageControls& controls, int decibelIndex = 4);

  // The difference power and amplitude (borrowed until the next call).
  void setSpectrum(SpectrumSpan spectrum) { spectrum_ = spectrum; }
  // Set data: shows N and rebuilds the range lists as the spectrum page does.
  void setData(uint32_t size, uint32_t samplingFrequency);

  void kindChosen(int kind);
  void fromChosen(int index);
  void toChosen(int index);
  void decibelChosen(int index);
  void markChosen(int index);  // -1: none
  // Mouse over the plot as fractions of its width and height; outside the
  // plot both are -1.0.
  void mousePressed(double x, double y);
  void mouseReleased(double x, double y);
  void deleteMark();
  void clearMarks();

  void paintPlot(Painter& painter, int width, int height) const;
  void paintAxis(Painter& painter, int width, int height) const;

  const std::vector<plot::SpectrumMark>& marks() const { return marks_; }
  int selectedMark() const { return selected_; }
  int decibelIndex() const { return decibel_; }
  int kind() const { return kind_; }
  double lowestFrequency() const;
  double highestFrequency() const;

 private:
  void showMarkList();
  UiPort& port_;
  PageControls& controls_;
  SpectrumSpan spectrum_;
  FrequencyRange range_;
  int kind_ = 0, decibel_ = 4;
  std::vector<plot::SpectrumMark> marks_;
  int selected_ = -1;
  double pressedX_ = -1.0, pressedY_ = -1.0;
};

class DifWaveformPage {
 public:
  DifWaveformPage(UiPort& port, PageControls& controls);

  void setWaveform(SampleSpan waveform) { wave_ = waveform; }
  // Set data (N): shows N, recomputes the scroll range.
  void setData(uint32_t count);
  // Slider position 0 … 9: zoom = position + 1.
  void sliderMoved(int position);
  void scrolled(ScrollAction action, int trackPosition = 0);
  void editFinished(int32_t controlId, const std::string& text);

  void paintPlot(Painter& painter, int width, int height) const;
  void paintAxis(Painter& painter, int width, int height) const;

  int zoom() const { return zoom_; }
  // Scroll range 0 … (z − 1)·N / z in samples; the bar is enabled above 0.
  int64_t scrollMaximum() const;
  int64_t scrollPosition() const { return position_; }
  double limit(int32_t editId) const { return editId == dif_page::kUpper ? upper_ : lower_; }
  // Visible span in seconds.
  double span() const;

 private:
  void applyScrollRange();
  UiPort& port_;
  PageControls& controls_;
  SampleSpan wave_;
  uint32_t count_ = 0;
  int zoom_ = 1;
  int64_t position_ = 0;
  double upper_ = 5.0, lower_ = -5.0;
  bool warning_ = false;
};

}  // namespace kr70
