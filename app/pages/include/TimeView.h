#pragma once
// Zoom and horizontal scrolling of the time-domain pages (waveform and
// abnormal-sound). The slider picks a row of the zoom table (factor, scroll
// page size in thousandths of the record); the scroll position p (0..999)
// makes the view start at sample trunc(N·p / 1000).
#include <cstdint>

namespace kr70 {

class PageControls;

enum class ScrollAction { LineLeft, LineRight, PageLeft, PageRight, LeftEnd, RightEnd, Track, EndScroll };

class TimeView {
 public:
  static constexpr int kPositions = 6;
  static constexpr int kZoomFactor[kPositions] = {1, 2, 4, 5, 10, 20};
  static constexpr int kScrollPage[kPositions] = {1, 500, 250, 200, 100, 50};

  // Records too short to zoom: below 20 samples (the largest factor) the
  // duration counts as 0, and a duration of 1 ms or less disables zooming.
  // Returns whether the slider is usable; when not, zoom and scroll reset.
  bool applyDuration(uint32_t count, uint32_t samplingFrequency);

  // Slider position 0..5 (others are clamped). Position 0 resets the scroll
  // position and disables the scroll bar.
  void setSliderPosition(int position);
  // Moves the scroll position; EndScroll changes nothing. The position stays
  // within 0 .. 1000 − page (0 .. 999 for page 0). Returns whether it moved.
  bool scroll(ScrollAction action, int trackPosition = 0);

  // Mouse wheel, `notches` turned (positive away from the user). Plain:
  // a line of the scroll bar per notch, away from the user to earlier times.
  // With zoom (Ctrl): a slider step per notch, away from the user zooming
  // in, keeping the place under the mouse (fraction of the plot width; the
  // centre when outside) where it was. Returns whether the view changed.
  bool wheel(int notches, bool zoom, double fraction);

  int sliderPosition() const { return slider_; }
  int zoom() const { return kZoomFactor[slider_]; }
  // Scroll page as the scroll bar has it: 0 while zooming is off.
  int scrollPage() const { return sliderEnabled_ ? kScrollPage[slider_] : 0; }
  int scrollPosition() const { return position_; }
  bool sliderEnabled() const { return sliderEnabled_; }
  bool scrollEnabled() const { return sliderEnabled_ && slider_ != 0; }
  // Time in ms under the mouse at `fraction` of the plot width:
  // N / fs / z · 1000 · u + N / fs · p.
  double timeAt(uint32_t count, uint32_t samplingFrequency, double fraction) const;
  // Shows slider position, zoom factor and scroll bar, enabled or not.
  void show(PageControls& controls, int32_t sliderId, int32_t zoomTextId, int32_t scrollBarId) const;
  int64_t firstSample(uint32_t count) const {
    return static_cast<int64_t>(static_cast<uint64_t>(count) * position_ / 1000);
  }

 private:
  int maxPosition() const;
  int slider_ = 0;
  int position_ = 0;
  bool sliderEnabled_ = false;
};

}  // namespace kr70
