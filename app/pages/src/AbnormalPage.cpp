#include "AbnormalPage.h"

#include "PageText.h"
#include "PlotCore.h"
#include "UiPort.h"

#include <cmath>

namespace kr70 {
using namespace abnormal_page;

AbnormalPage::AbnormalPage(UiPort& port, PageControls& controls)
    : port_(port), controls_(controls) {}

void AbnormalPage::setData(uint32_t count, uint32_t selectionStart, uint32_t selectionLength) {
  count_ = count;
  start_ = selectionStart;
  length_ = selectionLength;
  controls_.setText(kSquareCount, text::formatInt(count));
  controls_.setText(kPeakCount, "0");
  refresh();
}

void AbnormalPage::setAreas(const std::string& total, const std::string& exceeding) {
  controls_.setText(kTotalArea, total);
  controls_.setText(kExceedingArea, exceeding);
}

void AbnormalPage::editFinished(int32_t controlId, const std::string& text) {
  for (int plot = 0; plot < 2; ++plot) {
    LimitEdit& edit = limits_[plot];
    if (edit.id != controlId) continue;
    if (!edit.ready) return;
    // A text that is no number is refused like a value out of range.
    const double value = text::parseNumber(text).value_or(std::nan(""));
    if (value == edit.accepted) return;
    if (!(value - 0.0 >= 1e-6)) {
      edit.ready = false;
      showPageWarning(port_, kTextAboveRange, kCaptionFileDialog);
      controls_.setText(edit.id, text::formatShortest(edit.accepted));
      controls_.focusAndSelectAll(edit.id);
      edit.ready = true;
      return;
    }
    edit.accepted = value;
    controls_.redraw(plot);
  }
}

void AbnormalPage::sliderMoved(int position) {
  if (!view_.sliderEnabled()) return;
  view_.setSliderPosition(position);
  refresh();
}

void AbnormalPage::scrolled(ScrollAction action, int trackPosition) {
  if (!view_.scrollEnabled()) return;
  if (view_.scroll(action, trackPosition)) refresh();
}

void AbnormalPage::wheelTurned(int notches, bool zoom, double fraction) {
  if (count_ != 0 && view_.wheel(notches, zoom, fraction)) refresh();
}

void AbnormalPage::refresh() {
  view_.applyDuration(count_, square_.samplingFrequency);
  view_.show(controls_, kSlider, kZoomText, kScrollBar);
  controls_.redraw(-1);
}

void AbnormalPage::mouseMoved(double fraction) {
  const uint32_t fs = square_.samplingFrequency;
  if (count_ == 0 || fs == 0 || fraction < 0.0) return;
  const double t = view_.timeAt(count_, fs, fraction);
  const auto index = static_cast<int64_t>(std::trunc(fs / 1000.0 * t));
  controls_.setText(kTimeText, text::formatFixed(t, 3));
  controls_.setText(kIndexText, text::formatInt(index));
  controls_.setText(kValueText, index >= 0 && index < square_.count && square_.samples
                                    ? text::formatFixed(square_.samples[index], 6)
                                    : std::string());
}

void AbnormalPage::paintAxis(Painter& painter, int width, int height) const {
  plot::drawMillisecondAxis(
      painter, width, height,
      plot::millisecondAxis(count_, square_.samplingFrequency, view_.zoom(), view_.scrollPosition()));
}

void AbnormalPage::paintPlot(int plot, Painter& painter, int width, int height) const {
  plot::WaveformView view;
  if (plot == 0) {
    view.samples = square_.samples;
    view.count = square_.count;
    view.samplingFrequency = square_.samplingFrequency;
  }
  view.zoom = view_.zoom();
  view.firstSample = view_.firstSample(count_);
  view.top = limits_[plot & 1].accepted;
  view.bottom = 0.0;
  view.showSelection = false;
  const double step =
      plot::millisecondAxis(count_, square_.samplingFrequency, view_.zoom(), view_.scrollPosition()).step;
  plot::drawWaveformPlot(painter, width, height, view, step);
  if (plot != 0 || view.count == 0 || view.samplingFrequency == 0) return;
  const double top = view.top;
  const int y = static_cast<int>(std::trunc(height * (top - level_) / (top - 0.0)));
  painter.setPen(plot::kLevelLine, 1);
  painter.drawLine(0, y, width, y);
}

}  // namespace kr70
