#include "TimeView.h"

#include "PageControls.h"
#include "PageText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kr70 {

bool TimeView::applyDuration(uint32_t count, uint32_t samplingFrequency) {
  const double milliseconds =
      (count < 20 || samplingFrequency == 0) ? 0.0
                                             : static_cast<double>(count) / samplingFrequency * 1000.0;
  sliderEnabled_ = milliseconds > 1.0;
  if (!sliderEnabled_) {
    slider_ = 0;
    position_ = 0;
  }
  return sliderEnabled_;
}

void TimeView::setSliderPosition(int position) {
  slider_ = std::clamp(position, 0, kPositions - 1);
  if (slider_ == 0) position_ = 0;
  position_ = std::clamp(position_, 0, maxPosition());
}

int TimeView::maxPosition() const {
  const int page = scrollPage();
  return page == 0 ? 999 : 1000 - page;
}

bool TimeView::scroll(ScrollAction action, int trackPosition) {
  const int page = scrollPage();
  int position = position_;
  switch (action) {
    case ScrollAction::LineLeft: position -= page / 10; break;
    case ScrollAction::LineRight: position += page / 10; break;
    case ScrollAction::PageLeft: position -= page; break;
    case ScrollAction::PageRight: position += page; break;
    case ScrollAction::LeftEnd: position = 0; break;
    case ScrollAction::RightEnd: position = 999; break;
    case ScrollAction::Track: position = trackPosition; break;
    case ScrollAction::EndScroll: return false;
  }
  position = std::clamp(position, 0, maxPosition());
  const bool moved = position != position_;
  position_ = position;
  return moved;
}

bool TimeView::wheel(int notches, bool zoom, double fraction) {
  if (notches == 0) return false;
  if (!zoom) {
    if (!scrollEnabled()) return false;
    bool moved = false;
    for (int i = 0; i < std::abs(notches); ++i)
      moved = scroll(notches > 0 ? ScrollAction::LineLeft : ScrollAction::LineRight) || moved;
    return moved;
  }
  if (!sliderEnabled()) return false;
  const double anchor = fraction < 0.0 ? 0.5 : std::min(fraction, 1.0);
  // The place in the record (0..1) under the mouse before the zoom changes.
  const double at = position_ / 1000.0 + anchor / this->zoom();
  const int before = slider_;
  setSliderPosition(before + notches);
  if (slider_ == before) return false;
  if (scrollEnabled())
    scroll(ScrollAction::Track, static_cast<int>(std::lround((at - anchor / this->zoom()) * 1000.0)));
  return true;
}

double TimeView::timeAt(uint32_t count, uint32_t samplingFrequency, double fraction) const {
  const double seconds = static_cast<double>(count) / samplingFrequency;
  return seconds / zoom() * 1000.0 * fraction + seconds * position_;
}

void TimeView::show(PageControls& controls, int32_t sliderId, int32_t zoomTextId,
                    int32_t scrollBarId) const {
  controls.setSliderPosition(sliderId, slider_);
  controls.setText(zoomTextId, text::formatInt(zoom()));
  controls.enable(sliderId, sliderEnabled());
  controls.setScrollBar(scrollBarId, scrollPage(), position_);
  controls.enable(scrollBarId, scrollEnabled());
}

}  // namespace kr70
