#include "WaveformPage.h"

#include "PageText.h"
#include "PlotCore.h"
#include "UiPort.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kr70 {
using namespace waveform_page;

WaveformPage::WaveformPage(UiPort& port, PageControls& controls)
    : port_(port), controls_(controls) {}

void WaveformPage::setWaveforms(SampleSpan upper, SampleSpan lower) {
  upper_ = upper;
  lower_ = lower;
}

void WaveformPage::setData(uint32_t count, uint32_t selectionStart, uint32_t selectionLength) {
  count_ = count;
  start_ = selectionStart;
  length_ = selectionLength;
  controls_.setText(kCount, text::formatInt(count));
  // The read-out described the previous data; it starts empty again.
  for (int32_t id : {kTimeText, kIndexText, kUpperValue, kLowerValue}) controls_.setText(id, std::string());
  showSelection();
  refresh();
}

double WaveformPage::limit(int32_t editId) const {
  for (const LimitEdit& edit : limits_)
    if (edit.id == editId) return edit.accepted;
  return 0.0;
}

double WaveformPage::tickStep() const {
  const uint32_t fs = upper_.samplingFrequency;
  return plot::millisecondAxis(count_, fs, view_.zoom(), view_.scrollPosition()).step;
}

WaveformPage::LimitEdit* WaveformPage::findLimit(int32_t id) {
  for (LimitEdit& edit : limits_)
    if (edit.id == id) return &edit;
  return nullptr;
}

void WaveformPage::editFinished(int32_t controlId, const std::string& text) {
  if (LimitEdit* edit = findLimit(controlId)) {
    validateLimit(*edit, text);
  } else if (controlId == kStart) {
    validateStart(text);
  } else if (controlId == kLength) {
    validateLength(text);
  }
}

void WaveformPage::refuse(int32_t controlId, int32_t textId, const std::string& restored,
                          bool& ready) {
  ready = false;  // the box takes the focus; that focus loss must not validate again
  showPageWarning(port_, textId, kCaptionFileDialog);
  controls_.setText(controlId, restored);
  controls_.focusAndSelectAll(controlId);
  ready = true;
}

void WaveformPage::validateLimit(LimitEdit& edit, const std::string& text) {
  if (!edit.ready) return;
  // A text that is no number is refused like a value out of range.
  const double value = text::parseNumber(text).value_or(std::nan(""));
  if (value == edit.accepted) return;
  const bool isTop = edit.id == kUpperTop || edit.id == kLowerTop;
  // The partner of a top edit is the bottom edit of the same plot and back.
  const int index = static_cast<int>(&edit - limits_);
  const LimitEdit& partner = limits_[index ^ 1];
  const double spread = isTop ? value - partner.accepted : partner.accepted - value;
  if (!(spread >= 1e-6)) {
    refuse(edit.id, isTop ? kTextAboveRange : kTextBelowRange, text::formatShortest(edit.accepted),
           edit.ready);
    return;
  }
  edit.accepted = value;
  controls_.redraw(index < 2 ? 0 : 1);
}

void WaveformPage::validateStart(const std::string& text) {
  if (!startReady_) return;
  const std::optional<uint32_t> value = text::parseUnsigned(text);
  if (value && *value == start_) return;
  if (!value || *value >= count_) {
    refuse(kStart, kTextBelowRange, text::formatInt(start_), startReady_);
    return;
  }
  start_ = *value;
  if (static_cast<uint64_t>(start_) + length_ > count_) {
    length_ = count_ - start_;
    controls_.setText(kLength, text::formatInt(length_));
  }
  commitSelection();
}

void WaveformPage::validateLength(const std::string& text) {
  if (!lengthReady_) return;
  const std::optional<uint32_t> value = text::parseUnsigned(text);
  if (value && *value == length_) return;
  if (value && count_ != 0 && *value == 0) {
    refuse(kLength, kTextAboveRange, text::formatInt(length_), lengthReady_);
    return;
  }
  if (!value || static_cast<uint64_t>(start_) + *value > count_) {
    refuse(kLength, kTextBelowRange, text::formatInt(length_), lengthReady_);
    return;
  }
  length_ = *value;
  commitSelection();
}

void WaveformPage::selectAll() {
  if (start_ == 0 && length_ == count_) return;
  start_ = 0;
  length_ = count_;
  showSelection();
  commitSelection();
}

void WaveformPage::commitSelection() {
  if (commit_) commit_(start_, length_);
  controls_.redraw(-1);
}

void WaveformPage::showSelection() {
  controls_.setText(kStart, text::formatInt(start_));
  controls_.setText(kLength, text::formatInt(length_));
}

void WaveformPage::sliderMoved(int position) {
  if (!view_.sliderEnabled()) return;
  view_.setSliderPosition(position);
  refresh();
}

void WaveformPage::scrolled(ScrollAction action, int trackPosition) {
  if (!view_.scrollEnabled()) return;
  if (view_.scroll(action, trackPosition)) refresh();
}

void WaveformPage::wheelTurned(int notches, bool zoom, double fraction) {
  if (count_ != 0 && view_.wheel(notches, zoom, fraction)) refresh();
}

void WaveformPage::refresh() {
  view_.applyDuration(count_, upper_.samplingFrequency);
  view_.show(controls_, kSlider, kZoomText, kScrollBar);
  controls_.redraw(-1);
}

void WaveformPage::mousePressed(double fraction) {
  if (count_ == 0 || fraction < 0.0) return;
  pressed_ = fraction;
  dragged_ = -1.0;
  controls_.captureMouse(true);
}

bool WaveformPage::dragRange(double to, uint32_t& start, uint32_t& length) const {
  const double at = std::clamp(to, 0.0, 1.0);
  const double left = std::min(pressed_, at), right = std::max(pressed_, at);
  const int64_t visible = count_ / view_.zoom();
  const int64_t s0 = firstSample();
  const auto first = static_cast<int64_t>(std::trunc(s0 + visible * left));
  const auto end = std::min<int64_t>(static_cast<int64_t>(std::trunc(s0 + visible * right)), count_);
  if (first >= end) return false;
  start = static_cast<uint32_t>(first);
  length = static_cast<uint32_t>(end - first);
  return true;
}

void WaveformPage::mouseDragged(double horizontal) {
  if (pressed_ < 0.0) return;
  dragged_ = std::clamp(horizontal, 0.0, 1.0);
  controls_.redraw(0);
  controls_.redraw(1);
}

void WaveformPage::mouseReleased(double horizontal) {
  if (pressed_ < 0.0) return;
  controls_.captureMouse(false);
  uint32_t start = 0, length = 0;
  const bool selected = count_ != 0 && dragRange(horizontal, start, length);
  pressed_ = -1.0;
  dragged_ = -1.0;
  if (!selected) {
    controls_.redraw(-1);  // a band drawn while dragging goes
    return;
  }
  start_ = start;
  length_ = length;
  showSelection();
  commitSelection();
}

void WaveformPage::mouseMoved(double fraction) {
  const uint32_t fs = upper_.samplingFrequency;
  if (count_ == 0 || fs == 0 || fraction < 0.0) return;
  const double t = view_.timeAt(count_, fs, fraction);
  const auto index = static_cast<int64_t>(std::trunc(fs / 1000.0 * t));
  controls_.setText(kTimeText, text::formatFixed(t, 3));
  controls_.setText(kIndexText, text::formatInt(index));
  auto value = [index](const SampleSpan& span) {
    return index >= 0 && index < span.count && span.samples ? text::formatFixed(span.samples[index], 6)
                                                            : std::string();
  };
  controls_.setText(kUpperValue, value(upper_));
  controls_.setText(kLowerValue, value(lower_));
}

void WaveformPage::paintAxis(Painter& painter, int width, int height) const {
  plot::drawMillisecondAxis(
      painter, width, height,
      plot::millisecondAxis(count_, upper_.samplingFrequency, view_.zoom(), view_.scrollPosition()));
}

void WaveformPage::paintPlot(int plot, Painter& painter, int width, int height) const {
  const SampleSpan& span = plot == 0 ? upper_ : lower_;
  plot::WaveformView view;
  view.samples = span.samples;
  view.count = span.count;
  view.samplingFrequency = span.samplingFrequency;
  view.zoom = view_.zoom();
  view.firstSample = firstSample();
  view.top = limits_[plot == 0 ? 0 : 2].accepted;
  view.bottom = limits_[plot == 0 ? 1 : 3].accepted;
  view.selectionStart = start_;
  view.selectionLength = length_;
  // While dragging, the band shows what the release would select.
  uint32_t dragStart = 0, dragLength = 0;
  if (pressed_ >= 0.0 && dragged_ >= 0.0 && dragRange(dragged_, dragStart, dragLength)) {
    view.selectionStart = dragStart;
    view.selectionLength = dragLength;
  }
  plot::drawWaveformPlot(painter, width, height, view, tickStep());
}

}  // namespace kr70
