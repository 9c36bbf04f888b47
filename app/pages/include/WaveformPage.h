#pragma once
// Logic of the waveform page: the analysis waveform above, the yuragi
// waveform below, the millisecond axis strip, zoom and scrolling, the four
// limit edits, and the FFT frame (selection) chosen by the start and length
// edits, the whole-range button or a mouse drag. Edits are validated when
// they lose the focus or on Enter; a refused value shows one warning (caption
// 2170), the last accepted value returns and the edit is selected again. While
// an edit's warning is open its validation does not run again.
#include "PageControls.h"
#include "Painter.h"
#include "TimeView.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kr70 {

class UiPort;

namespace waveform_page {
inline constexpr int32_t kUpperTop = 1036, kUpperBottom = 1037;
inline constexpr int32_t kLowerTop = 1040, kLowerBottom = 1041;
inline constexpr int32_t kStart = 1044, kLength = 1045, kSelectAll = 1046;
inline constexpr int32_t kSlider = 1047, kZoomText = 1186, kScrollBar = 1043;
inline constexpr int32_t kCount = 1056;
inline constexpr int32_t kTimeText = 1190, kIndexText = 1191, kUpperValue = 1194, kLowerValue = 1196;
}  // namespace waveform_page

// Language-table ids of the page's warnings.
inline constexpr int32_t kTextBelowRange = 2095;
inline constexpr int32_t kTextAboveRange = 2096;

// A borrowed sample array (the analysis state keeps the data).
struct SampleSpan {
  const double* samples = nullptr;
  uint32_t count = 0;
  uint32_t samplingFrequency = 0;
};

class WaveformPage {
 public:
  WaveformPage(UiPort& port, PageControls& controls);

  // Where a new selection goes: the owner stores it as the FFT frame and
  // recomputes the spectra.
  void setSelectionCommit(std::function<void(uint32_t start, uint32_t length)> commit) {
    commit_ = std::move(commit);
  }

  // The waveforms to draw; they stay borrowed until the next call.
  void setWaveforms(SampleSpan upper, SampleSpan lower);
  // Set data: total samples N, selection; shows N, sets s0 from the scroll
  // position, refreshes.
  void setData(uint32_t count, uint32_t selectionStart, uint32_t selectionLength);

  // Edit validation (focus lost or Enter) with the edit's current text.
  void editFinished(int32_t controlId, const std::string& text);
  void selectAll();
  void sliderMoved(int position);
  void scrolled(ScrollAction action, int trackPosition = 0);
  // Mouse over the plots as a fraction of the plot width (-1.0 outside both).
  void mousePressed(double fraction);
  void mouseMoved(double fraction);
  // While a drag goes on and when it ends: the pointer's horizontal place as
  // a fraction of the plot width wherever the pointer is; a place left or
  // right of the plots counts as their edge. The band follows the drag and
  // the release selects up to the place.
  void mouseDragged(double horizontal);
  void mouseReleased(double horizontal);
  // Mouse wheel over the plots, `notches` turned (positive away from the
  // user). Plain: scrolls a line of the scroll bar per notch, away from the
  // user to earlier times. With Ctrl (zoom): moves the slider a step per
  // notch, away from the user zooming in, and keeps the time under the mouse
  // (fraction of the plot width; the centre when outside) where it was.
  void wheelTurned(int notches, bool zoom, double fraction);

  // Re-applies the zoom rules and repaints.
  void refresh();
  // Painting of the three frames.
  void paintAxis(Painter& painter, int width, int height) const;
  void paintPlot(int plot, Painter& painter, int width, int height) const;

  uint32_t count() const { return count_; }
  uint32_t selectionStart() const { return start_; }
  uint32_t selectionLength() const { return length_; }
  double limit(int32_t editId) const;
  const TimeView& view() const { return view_; }
  // Grid step in milliseconds: a tenth of the visible span.
  double tickStep() const;
  double pressedFraction() const { return pressed_; }

 private:
  struct LimitEdit {
    int32_t id;
    double accepted;
    bool ready = true;
  };
  LimitEdit* findLimit(int32_t id);
  void validateLimit(LimitEdit& edit, const std::string& text);
  void validateStart(const std::string& text);
  void validateLength(const std::string& text);
  void refuse(int32_t controlId, int32_t textId, const std::string& restored, bool& ready);
  void commitSelection();
  // The samples between the pressed place and `to` (clamped to the plot);
  // false when that covers none.
  bool dragRange(double to, uint32_t& start, uint32_t& length) const;
  void showSelection();
  int64_t firstSample() const { return view_.firstSample(count_); }

  UiPort& port_;
  PageControls& controls_;
  std::function<void(uint32_t, uint32_t)> commit_;
  SampleSpan upper_, lower_;
  LimitEdit limits_[4] = {{waveform_page::kUpperTop, 5.0},
                          {waveform_page::kUpperBottom, -5.0},
                          {waveform_page::kLowerTop, 5.0},
                          {waveform_page::kLowerBottom, -5.0}};
  bool startReady_ = true, lengthReady_ = true;
  uint32_t count_ = 0, start_ = 0, length_ = 0;
  TimeView view_;
  double pressed_ = -1.0;
  double dragged_ = -1.0;  // where the drag is now, -1.0 before it moved
};

}  // namespace kr70
