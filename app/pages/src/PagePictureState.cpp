// The page pictures' texts and data from the analysis state.
#include "AnalysisState.h"
#include "Kr70TextIds.h"
#include "LmCp932.h"
#include "LmLang.h"
#include "PagePicture.h"
#include "PrintPage.h"

#include <filesystem>

namespace kr70::picture {
namespace {

namespace ids = kr70::text;

SampleSpan spanOf(const WAData& data) {
  double* samples = nullptr;
  if (data.GetSize() == 0 || data.GetDataPointer(&samples) != 0) return {};
  return {samples, data.GetSize(), data.GetSampFreq()};
}

// The page reads bins up to the Nyquist frequency only, so a long spectrum
// need not form its mirrored upper bins for it.
SpectrumSpan spectrumSpanOf(const WAPowerSpectrum& spectrum) {
  double* power = nullptr;
  double* amplitude = nullptr;
  if (spectrum.GetSize() == 0 || spectrum.GetPowerSpectrumLowerPtr(&power) != 0 ||
      spectrum.GetAmpSpectrumLowerPtr(&amplitude) != 0)
    return {};
  return SpectrumSpan{power, amplitude, spectrum.GetSize(), spectrum.GetSampFreq()};
}

std::string filterText(const AnalysisSettings& s, const TextSource& text) {
  using print::FormatText;
  switch (s.filterType) {
    case 1: return FormatText(text(ids::kPictureLpf), {s.lowerFrequency, s.filterTaps});
    case 2: return FormatText(text(ids::kPictureHpf), {s.lowerFrequency, s.filterTaps});
    case 3: return FormatText(text(ids::kPictureBpf), {s.lowerFrequency, s.upperFrequency, s.filterTaps});
    case 4: return FormatText(text(ids::kPictureBef), {s.lowerFrequency, s.upperFrequency, s.filterTaps});
    default: return text(ids::kPictureNoFilter);
  }
}

std::string verdictText(const MeasureResult& measure, const TextSource& text) {
  if (measure.valid && measure.judgement == 1) return text(ids::kPictureVerdictOk);
  if (measure.valid && measure.judgement == 2) return text(ids::kPictureVerdictNg);
  return text(ids::kPictureVerdictNone);
}

}  // namespace

std::string tableText(int32_t id) { return lang::Cp932ToUtf8(LmLangGetIdxString(id)); }

std::vector<std::string> titleLines(const AnalysisState& state, PageKind kind, const TextSource& text) {
  const AnalysisSettings& s = state.Settings();
  const int pageIndex = kind == PageKind::Waveform ? 0 : kind == PageKind::Spectrum ? 1 : 4;
  const WAData& raw = state.RawWaveform();
  std::string first = text(print::PageTitleId(pageIndex)) + "   " +
                      std::filesystem::path(s.currentFile).filename().string() + "   " +
                      print::FormatText(text(ids::kPictureData), {raw.GetSampFreq(), raw.GetSize()});
  std::string settings = print::FormatText(
      text(ids::kPictureSettings), {s.samplingPitch, s.yuragiParameter[0], s.yuragiParameter[1],
                                    s.yuragiParameter[2], s.smoothingLength, s.peakThreshold, s.passThreshold});
  settings += "   " + filterText(s, text);
  const MeasureResult& measure = state.Measure();
  std::string verdict = verdictText(measure, text);
  if (measure.valid)
    verdict += "   " + text(ids::kResultTotalArea) + " " + measure.totalAreaText + "   " +
               text(ids::kResultExceedingArea) + " " + measure.exceedingAreaText;
  return {std::move(first), std::move(settings), std::move(verdict)};
}

PictureText pictureText(const AnalysisState& state, PageKind kind, const TextSource& text) {
  PictureText picture;
  picture.title = titleLines(state, kind, text);
  if (kind == PageKind::Spectrum) {
    picture.side.push_back(text(ids::kPicturePeaks));
    for (int i = 0; i < SpectrumPeakList::kLines; ++i) picture.side.push_back(state.Peaks().Line(i));
  } else if (kind == PageKind::Abnormal) {
    const MeasureResult& measure = state.Measure();
    picture.side = {text(ids::kResultTotalArea), "  " + (measure.valid ? measure.totalAreaText : std::string()),
                    text(ids::kResultExceedingArea),
                    "  " + (measure.valid ? measure.exceedingAreaText : std::string()), std::string(),
                    verdictText(measure, text)};
  }
  return picture;
}

void feedWaveformPage(WaveformPage& page, const AnalysisState& state, uint32_t count, uint32_t start,
                      uint32_t length) {
  page.setWaveforms(spanOf(state.AnalysisWaveform()), spanOf(state.YuragiWaveform()));
  page.setData(count, start, length);
}

void feedSpectrumPage(SpectrumPage& page, const AnalysisState& state) {
  const SpectrumSpan upper = spectrumSpanOf(state.AnalysisSpectrum());
  page.setSpectra(upper, spectrumSpanOf(state.YuragiSpectrum()));
  plot::FilterBand band;
  const WAFreqFilter& filter = state.FreqFilter();
  band.type = filter.GetType();
  uint32_t low = 0, high = 0;
  if ((band.type == 1 || band.type == 2) && filter.GetCutoff(low) == 0) band.low = low;
  if ((band.type == 3 || band.type == 4) && filter.GetBand(low, high) == 0) {
    band.low = low;
    band.high = high;
  }
  page.setFilter(band);
  page.setData(upper.size, upper.samplingFrequency);
}

void feedAbnormalPage(AbnormalPage& page, const AnalysisState& state, uint32_t count, uint32_t start,
                      uint32_t length) {
  page.setWaveform(spanOf(state.SquareMeanWaveform()), state.Settings().peakThreshold);
  const MeasureResult& measure = state.Measure();
  page.setAreas(measure.valid ? measure.totalAreaText : std::string(),
                measure.valid ? measure.exceedingAreaText : std::string());
  page.setData(count, start, length);
}

// Page controls that show nothing: the picture pages have no widgets.
class PicturePages::NoControls final : public PageControls {
 public:
  void setText(int32_t, const std::string&) override {}
  void enable(int32_t, bool) override {}
  void setSliderPosition(int32_t, int) override {}
  void setScrollBar(int32_t, int, int) override {}
  void focusAndSelectAll(int32_t) override {}
  void setListEntries(int32_t, const std::vector<std::string>&, int) override {}
  void setListSelection(int32_t, int) override {}
  void captureMouse(bool) override {}
  void redraw(int) override {}
};

PicturePages::PicturePages(UiPort& port, int decibelIndex)
    : controls_(std::make_unique<NoControls>()),
      waveform_(port, *controls_),
      spectrum_(port, *controls_, decibelIndex),
      abnormal_(port, *controls_) {}

PicturePages::~PicturePages() = default;

void PicturePages::notify(PageId page, const PageNotification& notification, const AnalysisState& state) {
  if (notification.notice != PageNotice::TakeData) return;
  const auto value = [&](int i) { return static_cast<uint32_t>(notification.values[i]); };
  switch (page) {
    case PageId::Waveform: feedWaveformPage(waveform_, state, value(0), value(1), value(2)); break;
    case PageId::Spectrum: feedSpectrumPage(spectrum_, state); break;
    case PageId::Abnormal: feedAbnormalPage(abnormal_, state, value(0), value(1), value(2)); break;
    default: break;
  }
}

void PicturePages::draw(PageKind kind, Painter& painter, int width, int height, const PictureText& text) const {
  switch (kind) {
    case PageKind::Waveform: drawPagePicture(painter, width, height, plotsOf(waveform_), text); break;
    case PageKind::Spectrum: drawPagePicture(painter, width, height, plotsOf(spectrum_), text); break;
    case PageKind::Abnormal: drawPagePicture(painter, width, height, plotsOf(abnormal_), text); break;
  }
}

}  // namespace kr70::picture
