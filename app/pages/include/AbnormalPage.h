#pragma once
// Logic of the abnormal-sound page: the square-mean waveform with its area
// level line (zoomed and scrolled like the waveform page, lower limit fixed at
// 0), the total and threshold-exceeding areas, and the result lamp. The
// peak-emphasis plot exists but stays empty: nothing fills that waveform.
#include "PageControls.h"
#include "Painter.h"
#include "TimeView.h"
#include "WaveformPage.h"

#include <cstdint>
#include <string>

namespace kr70 {

class UiPort;

namespace abnormal_page {
inline constexpr int32_t kSquareTop = 1036, kPeakTop = 1040;
inline constexpr int32_t kSlider = 1047, kZoomText = 1186, kScrollBar = 1043;
inline constexpr int32_t kSquareCount = 1068, kPeakCount = 1057;
inline constexpr int32_t kTotalArea = 1216, kExceedingArea = 1217;
inline constexpr int32_t kTimeText = 1190, kIndexText = 1191, kValueText = 1195;
}  // namespace abnormal_page

class AbnormalPage {
 public:
  AbnormalPage(UiPort& port, PageControls& controls);

  void setWaveform(SampleSpan squareMean, double areaLevel) {
    square_ = squareMean;
    level_ = areaLevel;
  }
  // Set data: the square-mean size (shown with the empty peak-emphasis
  // count), the current FFT frame; refreshes.
  void setData(uint32_t count, uint32_t selectionStart, uint32_t selectionLength);
  // The "%lf" texts of the last measure (empty when it failed).
  void setAreas(const std::string& total, const std::string& exceeding);

  void editFinished(int32_t controlId, const std::string& text);
  void sliderMoved(int position);
  void scrolled(ScrollAction action, int trackPosition = 0);
  void mouseMoved(double fraction);
  // Mouse wheel over the plot: as on the waveform page (TimeView::wheel).
  void wheelTurned(int notches, bool zoom, double fraction);
  void refresh();

  void paintAxis(Painter& painter, int width, int height) const;
  // Plot 0 the square-mean waveform with its level line; plot 1 the
  // peak-emphasis plot (white).
  void paintPlot(int plot, Painter& painter, int width, int height) const;

  double upperLimit(int plot) const { return limits_[plot & 1].accepted; }
  const TimeView& view() const { return view_; }
  uint32_t count() const { return count_; }

 private:
  struct LimitEdit {
    int32_t id;
    double accepted;
    bool ready = true;
  };
  UiPort& port_;
  PageControls& controls_;
  SampleSpan square_;
  double level_ = 0.0;
  LimitEdit limits_[2] = {{abnormal_page::kSquareTop, 5.0}, {abnormal_page::kPeakTop, 5.0}};
  uint32_t count_ = 0, start_ = 0, length_ = 0;
  TimeView view_;
};

// The result-indicator page: state 0 both lamps off, 1 OK lit (pass), 2 NG lit
// (fail); the display setting shows or hides both lamps.
class ResultLamp {
 public:
  void setJudgement(int state) { state_ = (state == 1 || state == 2) ? state : 0; }
  void setDisplay(int flag) { shown_ = flag != 0; }
  int state() const { return state_; }
  bool shown() const { return shown_; }
  bool okLit() const { return state_ == 1; }
  bool ngLit() const { return state_ == 2; }
  // Bitmap numbers: OK lamp 166 lit / 163 off, NG lamp 168 lit / 167 off.
  int okBitmap() const { return okLit() ? 166 : 163; }
  int ngBitmap() const { return ngLit() ? 168 : 167; }

 private:
  int state_ = 0;
  bool shown_ = false;
};

}  // namespace kr70
