#include "SpectrumPage.h"

#include <cmath>

#include "PageText.h"
#include "UiPort.h"

#include <algorithm>

namespace kr70 {
using namespace spectrum_page;

std::vector<std::string> frequencyRangeEntries(uint32_t size, uint32_t samplingFrequency) {
  std::vector<std::string> entries;
  if (size == 0 || samplingFrequency == 0) return entries;
  const double resolution = static_cast<double>(samplingFrequency) / size;
  const double nyquist = samplingFrequency / 2.0;
  double lowest = 100000.0;
  for (int guard = 0; lowest > resolution && guard < 400; ++guard) lowest /= 10.0;
  double highest = 100000.0;
  for (int guard = 0; highest / 10.0 >= nyquist && guard < 400; ++guard) highest /= 10.0;
  if (highest == lowest) lowest = highest / 10.0;
  if (!(lowest > 0.0)) return entries;
  for (double value = lowest; value <= highest * (1.0 + 1e-9) && entries.size() < 40; value *= 10.0)
    entries.push_back(plot::frequencyLabel(value));
  return entries;
}

SpectrumPage::SpectrumPage(UiPort& port, PageControls& controls, int decibelIndex)
    : port_(port), controls_(controls) {
  decibel_[0] = decibel_[1] = std::clamp(decibelIndex, 0, 4);
}

void SpectrumPage::setData(uint32_t size, uint32_t samplingFrequency) {
  controls_.setText(kCount, text::formatInt(size));
  for (int32_t id : {kFrequencyText, kUpperLevel, kLowerLevel}) controls_.setText(id, std::string());
  if (size != 0) range_.reset(size, samplingFrequency, controls_, kFrom, kTo);
  controls_.redraw(-1);
}

void SpectrumPage::mouseMoved(double fraction) {
  const double lowest = lowestFrequency(), highest = highestFrequency();
  if (fraction < 0.0 || lowest <= 0.0 || highest <= lowest) return;
  // The inverse of the plot's logarithmic frequency mapping.
  const double frequency = lowest * std::pow(highest / lowest, fraction);
  controls_.setText(kFrequencyText, text::formatFixed(frequency, 2));
  auto level = [this, frequency](const SpectrumSpan& span) {
    const double* values = kind_ == 0 ? span.power : span.amplitude;
    if (values == nullptr || span.samplingFrequency == 0) return std::string();
    const double bin = std::round(frequency * span.size / span.samplingFrequency);
    if (bin < 1.0 || bin > span.size / 2.0 - 1.0) return std::string();
    const double value = values[static_cast<uint32_t>(bin)];
    return value > 0.0 ? text::formatFixed(20.0 * std::log10(value), 2) : std::string();
  };
  controls_.setText(kUpperLevel, level(upper_));
  controls_.setText(kLowerLevel, level(lower_));
}

void FrequencyRange::reset(uint32_t size, uint32_t samplingFrequency, PageControls& controls, int32_t fromId,
                           int32_t toId) {
  std::vector<std::string> formed = frequencyRangeEntries(size, samplingFrequency);
  if (formed.empty()) return;
  entries = std::move(formed);
  from = 0;
  to = static_cast<int>(entries.size()) - 1;
  controls.setListEntries(fromId, entries, from);
  controls.setListEntries(toId, entries, to);
}

double FrequencyRange::lowest() const {
  return from < static_cast<int>(entries.size()) ? text::parseDouble(entries[from]) : 0.0;
}

double FrequencyRange::highest() const {
  return to < static_cast<int>(entries.size()) ? text::parseDouble(entries[to]) : 0.0;
}

double SpectrumPage::lowestFrequency() const { return range_.lowest(); }

double SpectrumPage::highestFrequency() const { return range_.highest(); }

void SpectrumPage::kindChosen(int kind) {
  if (kind == kind_) return;
  kind_ = kind;
  controls_.redraw(-1);
}

void SpectrumPage::fromChosen(int index) {
  if (index == range_.from) return;
  if (!range_.fromAllowed(index)) {
    showPageWarning(port_, kTextFromNotBelowTo, kCaptionMainView);
    controls_.setListSelection(kFrom, range_.from);
    return;
  }
  range_.from = index;
  controls_.redraw(-1);
}

void SpectrumPage::toChosen(int index) {
  if (index == range_.to) return;
  if (!range_.toAllowed(index)) {
    showPageWarning(port_, kTextToNotAboveFrom, kCaptionMainView);
    controls_.setListSelection(kTo, range_.to);
    return;
  }
  range_.to = index;
  controls_.redraw(-1);
}

void SpectrumPage::decibelChosen(int plot, int index) {
  index = std::clamp(index, 0, 4);
  if (decibel_[plot & 1] == index) return;
  decibel_[plot & 1] = index;
  controls_.redraw(plot & 1);
}

void SpectrumPage::paintPlot(int plot, Painter& painter, int width, int height) const {
  const SpectrumSpan& span = plot == 0 ? upper_ : lower_;
  plot::SpectrumView view;
  view.values = kind_ == 0 ? span.power : span.amplitude;
  view.size = span.size;
  view.samplingFrequency = span.samplingFrequency;
  view.lowest = lowestFrequency();
  view.highest = highestFrequency();
  view.decibelIndex = decibel_[plot & 1];
  view.filter = filter_;
  plot::drawSpectrumPlot(painter, width, height, view);
}

void SpectrumPage::paintAxis(Painter& painter, int width, int height) const {
  plot::drawFrequencyAxis(painter, width, height, lowestFrequency(), highestFrequency());
}

}  // namespace kr70
