#include "DifferencePages.h"

#include "Kr70TextIds.h"
#include "PageText.h"
#include "UiPort.h"

#include <algorithm>
#include <cmath>

namespace kr70 {
using namespace dif_page;

namespace {
// Spans of a mark below this fraction of the plot make no mark.
constexpr double kMinimumSpan = 0.01;
constexpr double kMinimumLimitGap = 1e-6;

bool inside(double fraction) { return fraction >= 0.0 && fraction <= 1.0; }
}  // namespace

// ---- Difference spectrum page ------------------------------------------------

DifSpectrumPage::DifSpectrumPage(UiPort& port, PageControls& controls, int decibelIndex)
    : port_(port), controls_(controls), decibel_(std::clamp(decibelIndex, 0, 4)) {}

void DifSpectrumPage::setData(uint32_t size, uint32_t samplingFrequency) {
  controls_.setText(kCount, text::formatInt(size));
  range_.reset(size, samplingFrequency, controls_, kFrom, kTo);
  controls_.redraw(-1);
}

double DifSpectrumPage::lowestFrequency() const { return range_.lowest(); }

double DifSpectrumPage::highestFrequency() const { return range_.highest(); }

void DifSpectrumPage::kindChosen(int kind) {
  if (kind == kind_) return;
  kind_ = kind;
  controls_.redraw(-1);
}

void DifSpectrumPage::fromChosen(int index) {
  if (index == range_.from) return;
  if (!range_.fromAllowed(index)) {
    showPageWarning(port_, text::kMsgDifFromTooLarge, text::kCaptionError);
    controls_.setListSelection(kFrom, range_.from);
    return;
  }
  range_.from = index;
  controls_.redraw(-1);
}

void DifSpectrumPage::toChosen(int index) {
  if (index == range_.to) return;
  if (!range_.toAllowed(index)) {
    showPageWarning(port_, text::kMsgDifToTooSmall, text::kCaptionError);
    controls_.setListSelection(kTo, range_.to);
    return;
  }
  range_.to = index;
  controls_.redraw(-1);
}

void DifSpectrumPage::decibelChosen(int index) {
  index = std::clamp(index, 0, 4);
  if (index == decibel_) return;
  decibel_ = index;
  controls_.redraw(-1);
}

void DifSpectrumPage::markChosen(int index) {
  selected_ = index >= 0 && index < static_cast<int>(marks_.size()) ? index : -1;
  controls_.redraw(-1);
}

void DifSpectrumPage::mousePressed(double x, double y) {
  if (spectrum_.size == 0 || !inside(x) || !inside(y)) return;
  pressedX_ = x;
  pressedY_ = y;
  controls_.captureMouse(true);
}

void DifSpectrumPage::mouseReleased(double x, double y) {
  if (pressedX_ < 0.0) return;
  const double startX = pressedX_, startY = pressedY_;
  pressedX_ = pressedY_ = -1.0;
  controls_.captureMouse(false);
  if (!inside(x) || !inside(y)) return;
  if (static_cast<int>(marks_.size()) >= kMaxMarks) {
    showPageWarning(port_, text::kMsgDifNoMoreMarks, text::kCaptionError);
    return;
  }
  const double xMin = std::min(startX, x), xMax = std::max(startX, x);
  const double yMin = std::min(startY, y), yMax = std::max(startY, y);
  if (xMax - xMin < kMinimumSpan || yMax - yMin < kMinimumSpan) return;
  const double low = lowestFrequency(), high = highestFrequency();
  if (!(low > 0.0) || !(high > 0.0)) return;
  const double range = plot::decibelRange(decibel_);
  plot::SpectrumMark mark;
  mark.left = low * std::pow(high / low, xMin);
  mark.right = low * std::pow(high / low, xMax);
  mark.firstLevel = range * yMax;
  mark.secondLevel = range * yMin;
  marks_.push_back(mark);
  showMarkList();
  controls_.redraw(-1);
}

void DifSpectrumPage::showMarkList() {
  std::vector<std::string> names;
  for (size_t i = 0; i < marks_.size(); ++i) names.push_back("Mark " + std::to_string(i + 1));
  controls_.setListEntries(kMarks, names, selected_);
}

void DifSpectrumPage::deleteMark() {
  if (selected_ < 0 || selected_ >= static_cast<int>(marks_.size())) return;
  marks_.erase(marks_.begin() + selected_);
  selected_ = -1;
  showMarkList();
  controls_.redraw(-1);
}

void DifSpectrumPage::clearMarks() {
  if (marks_.empty()) return;
  marks_.clear();
  selected_ = -1;
  showMarkList();
  controls_.redraw(-1);
}

void DifSpectrumPage::paintPlot(Painter& painter, int width, int height) const {
  plot::SpectrumView view;
  view.values = kind_ == 0 ? spectrum_.power : spectrum_.amplitude;
  view.size = spectrum_.size;
  view.samplingFrequency = spectrum_.samplingFrequency;
  view.lowest = lowestFrequency();
  view.highest = highestFrequency();
  view.decibelIndex = decibel_;
  plot::drawDifferenceSpectrum(painter, width, height, view, marks_, selected_);
}

void DifSpectrumPage::paintAxis(Painter& painter, int width, int height) const {
  plot::drawFrequencyAxis(painter, width, height, lowestFrequency(), highestFrequency());
}

// ---- Difference waveform page ------------------------------------------------

DifWaveformPage::DifWaveformPage(UiPort& port, PageControls& controls) : port_(port), controls_(controls) {}

int64_t DifWaveformPage::scrollMaximum() const {
  return static_cast<int64_t>(zoom_ - 1) * count_ / zoom_;
}

double DifWaveformPage::span() const {
  if (wave_.samplingFrequency == 0) return 0.0;
  return static_cast<double>(count_) / wave_.samplingFrequency / zoom_;
}

void DifWaveformPage::applyScrollRange() {
  const int64_t maximum = scrollMaximum();
  position_ = std::clamp<int64_t>(position_, 0, maximum);
  controls_.enable(kScrollBar, maximum > 0);
}

void DifWaveformPage::setData(uint32_t count) {
  count_ = count;
  controls_.setText(kCount, text::formatInt(count));
  applyScrollRange();
  controls_.redraw(-1);
}

void DifWaveformPage::sliderMoved(int position) {
  const int zoom = std::clamp(position, 0, 9) + 1;
  if (zoom == zoom_) return;
  zoom_ = zoom;
  applyScrollRange();
  controls_.redraw(-1);
}

void DifWaveformPage::scrolled(ScrollAction action, int trackPosition) {
  const int64_t maximum = scrollMaximum();
  int64_t position = position_;
  switch (action) {
    case ScrollAction::LineLeft: position -= 1; break;
    case ScrollAction::LineRight: position += 1; break;
    case ScrollAction::PageLeft: position -= 10; break;
    case ScrollAction::PageRight: position += 10; break;
    case ScrollAction::LeftEnd: position = 0; break;
    case ScrollAction::RightEnd: position = maximum; break;
    case ScrollAction::Track: position = trackPosition; break;
    case ScrollAction::EndScroll: return;
  }
  position = std::clamp<int64_t>(position, 0, maximum);
  if (position == position_) return;
  position_ = position;
  controls_.redraw(-1);
}

void DifWaveformPage::editFinished(int32_t controlId, const std::string& text) {
  if (warning_ || (controlId != kUpper && controlId != kLower)) return;
  double& accepted = controlId == kUpper ? upper_ : lower_;
  const std::optional<double> parsed = text::parseNumber(text);
  const bool number = parsed.has_value();
  const double value = parsed.value_or(0.0);
  const double upper = controlId == kUpper ? value : upper_;
  const double lower = controlId == kLower ? value : lower_;
  if (number && upper - lower >= kMinimumLimitGap) {
    if (value != accepted) {
      accepted = value;
      controls_.redraw(-1);
    }
    return;
  }
  warning_ = true;
  showPageWarning(port_, controlId == kUpper ? text::kMsgDifUpperTooSmall : text::kMsgDifLowerTooLarge,
                  text::kCaptionError);
  warning_ = false;
  controls_.setText(controlId, text::formatShortest(accepted));
  controls_.focusAndSelectAll(controlId);
}

void DifWaveformPage::paintPlot(Painter& painter, int width, int height) const {
  plot::WaveformView view;
  view.samples = wave_.samples;
  view.count = wave_.samples ? std::min(count_, wave_.count) : 0;
  view.samplingFrequency = wave_.samplingFrequency;
  view.zoom = zoom_;
  view.firstSample = position_;
  view.top = upper_;
  view.bottom = lower_;
  view.showSelection = false;
  view.clampTop = false;
  // Grid lines at the axis strip's seconds step.
  plot::drawWaveformPlot(painter, width, height, view, plot::secondsAxisStep(span()) * 1000.0);
}

void DifWaveformPage::paintAxis(Painter& painter, int width, int height) const {
  plot::drawSecondsAxis(painter, width, height, span());
}

}  // namespace kr70
