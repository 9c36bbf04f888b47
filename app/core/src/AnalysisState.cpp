#include "AnalysisState.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "FilterDesign.h"
#include "LmWACore.h"
#include "LmWaIon.h"
#include "NumberText.h"
#include "TextIds.h"
#include "WaveFile.h"

namespace kr70 {

namespace {

void UpdateDifSpectrum(bool spectraValid, const WAPowerSpectrum& first, const WAPowerSpectrum& second,
                       WADifSpectrum& difference) {
    if (!spectraValid || difference.SetDifSpectrum(first, second) != WA_OK) {
        difference.ClearData();
    }
}

}  // namespace

namespace {

constexpr int32_t kComboDisplayFile = 1094;
constexpr int32_t kButtonWaveformPage = 1000;
constexpr int32_t kButtonSpectrumPage = 1001;
constexpr int32_t kCommandSpectrumPage = 32776;
constexpr int32_t kAttempts = 5;

PageNotification Notice(PageNotice notice, int64_t a = 0, int64_t b = 0, int64_t c = 0) {
    PageNotification notification;
    notification.notice = notice;
    notification.values[0] = a;
    notification.values[1] = b;
    notification.values[2] = c;
    return notification;
}

}  // namespace

AnalysisState::AnalysisState(UiPort& port) : port_(port) {
    freqFilter_.SetNone();
    const int32_t* p = settings_.yuragiParameter;
    yuragiFilter_.SetParamEx(p[0], static_cast<uint32_t>(p[1]), static_cast<uint32_t>(p[2]),
                             static_cast<uint32_t>(p[3]));
    LmIniInit(&parameterRecord_);
}

AnalysisState::~AnalysisState() = default;

void AnalysisState::Warn(int32_t textId) { port_.ShowWarning(textId, kCaptionMainView); }

// Work on a million samples or more (about 20 s at 50 kHz) goes through the
// port, so that a window keeps repainting while it runs; shorter work runs in
// place.
bool AnalysisState::IsLongWork(uint64_t samples) {
    constexpr uint64_t kLongWorkSamples = 1000000;
    return samples >= kLongWorkSamples;
}

void AnalysisState::Compute(int32_t textId, uint64_t samples, const std::function<void()>& work) {
    if (IsLongWork(samples)) {
        port_.RunLongWork(textId, work);
    } else {
        work();
    }
}

void AnalysisState::InitializeParameters(const std::string& parameterFile) {
    settings_.parameterFile = Trim(parameterFile);
    if (LoadAndApplyParameters() == 0) {
        LmIniInit(&parameterRecord_);
        ApplyParameterRecord(parameterRecord_);
    }
    settings_.yuragiParameter[0] = 4;
    settings_.peakThreshold = 0.0;
    const int32_t* p = settings_.yuragiParameter;
    yuragiFilter_.SetParamEx(p[0], static_cast<uint32_t>(p[1]), static_cast<uint32_t>(p[2]),
                             static_cast<uint32_t>(p[3]));
}

// ---- procedures ------------------------------------------------------------

int32_t AnalysisState::LoadWaveform(const std::string& path) {
    port_.NotifyPage(PageId::ResultIndicator, Notice(PageNotice::Judgement, 0));
    const std::string trimmed = Trim(path);
    if (trimmed.empty()) {
        return 0;
    }
    {
        WaitCursor wait(port_);
        int rawStatus = WA_OK;
        WavReadStatus status = WavReadStatus::Ok;
        std::error_code sizeError;
        const uintmax_t bytes = std::filesystem::file_size(trimmed, sizeError);
        Compute(kTextReadingFile, sizeError ? 0 : bytes / 2, [&] {
            rawStatus = LoadRawData(trimmed.c_str(), raw_);
            if (rawStatus != WA_OK) status = ReadWavFile(trimmed, raw_);
        });
        if (rawStatus != WA_OK && status != WavReadStatus::Ok) {
            const bool memory = status == WavReadStatus::OutOfMemory || rawStatus == WA_ERR_MEMORY;
            if (memory || status == WavReadStatus::StoreFailed) {
                Warn(kTextSamplesNotStored);
            }
            port_.ShowMessage(FileNotReadMessage(trimmed, memory));
            return 0;
        }
        settings_.fileLoaded = 1;
        settings_.currentFile = trimmed;
        settings_.currentFileTime = FileTime(trimmed);
        settings_.acquisitionChanged = 1;
        settings_.fftStart = 0;
        settings_.fftLength = 0;
        settings_.samplingFrequency = raw_.GetSampFreq();
        settings_.effectiveSamplingFrequency = settings_.samplingFrequency / settings_.samplingPitch;
        // A filter that cannot be designed for this file's rate is not used
        // for it: the chain then says honestly that nothing was filtered.
        if (RebuildFreqFilter(settings_.effectiveSamplingFrequency) != WA_OK) {
            Warn(kTextSettingRejected);
        }
        RunPreprocessing();
    }
    NotifyPagesOfNewData();
    recentFiles_.Add(trimmed);
    RebuildFileCombo(trimmed);
    if (loadedHook_) {
        loadedHook_(trimmed);
    }
    return 1;
}

int32_t AnalysisState::RunChainWaveforms() {
    if (raw_.GetSize() == 0 || raw_.GetSampFreq() == 0) {
        return kChainNoData;
    }
    const uint32_t pitch = settings_.samplingPitch;
    int status = WA_OK;
    analysisIsRaw_ = false;
    if (freqFilter_.GetType() == WAFreqFilter::TypeNone) {
        // Without a frequency filter the two results are the decimated and
        // the yuragi-filtered waveform themselves: build them in place. At
        // pitch 1 the decimated waveform is a copy of the raw one, so the raw
        // one serves instead (on a long recording a copy is hundreds of MB).
        if (pitch == 1) {
            analysis_.ClearData();
            analysisIsRaw_ = true;
        } else if (analysis_.SetDataFromSampling(raw_, pitch) != WA_OK) {
            return kChainSampling;
        }
        status = yuragi_.SetDataFromFiltering(AnalysisWaveform(), yuragiFilter_, 0);
        if (status != WA_OK) {
            return status;
        }
    } else {
        WAData decimated;
        const WAData* source = &raw_;
        if (pitch != 1) {
            if (decimated.SetDataFromSampling(raw_, pitch) != WA_OK) {
                return kChainSampling;
            }
            source = &decimated;
        }
        if (yuragiFilter_.GetTap() < freqFilter_.GetTap()) {
            status = FilterBothCommuted(*source);
            if (status != WA_OK) {
                return status;
            }
        } else {
            WAData yuragiOnly;
            status = yuragiOnly.SetDataFromFiltering(*source, yuragiFilter_, 0);
            if (status != WA_OK) {
                return status;
            }
            if (analysis_.SetDataFromFiltering(*source, freqFilter_, 1) != WA_OK ||
                yuragi_.SetDataFromFiltering(yuragiOnly, freqFilter_, 1) != WA_OK) {
                return kChainFreqFilter;
            }
        }
    }
    return WA_OK;
}

int32_t AnalysisState::RunChainSpectra() {
    if (settings_.spectraEnabled != 0) {
        if (analysisSpectrum_.SetSpectrumFromFFT(AnalysisWaveform(), settings_.fftStart, settings_.fftLength, -1) !=
                WA_OK ||
            yuragiSpectrum_.SetSpectrumFromFFT(yuragi_, settings_.fftStart, settings_.fftLength, -1) !=
                WA_OK) {
            return kChainSpectrum;
        }
    }
    // The difference pages: yuragi minus analysis waveform, and the same for
    // the spectra, as the library's analysis procedure forms them.
    if (!differenceData_ || difWaveform_.SetDifData(AnalysisWaveform(), yuragi_) != WA_OK) {
        difWaveform_.ClearData();
    }
    UpdateDifSpectrum(differenceData_ && settings_.spectraEnabled != 0, analysisSpectrum_, yuragiSpectrum_,
                      difSpectrum_);
    return WA_OK;
}

// yuragi = F(blank(Y(d))) computed as Y(F(d)) − F(head), where head holds
// the first T_Y values of Y(d) that the blanking removes: the filters are
// linear and time-invariant, so they commute, and the long frequency filter
// then runs once instead of twice. The correction touches only the first
// T_Y + T_F − 1 samples.
int32_t AnalysisState::FilterBothCommuted(const WAData& decimated) {
    if (yuragiFilter_.GetSampPitch() != 1 || freqFilter_.GetSampPitch() != 1) {
        return kChainFreqFilter;
    }
    const uint32_t size = decimated.GetSize();
    const uint32_t yuragiTaps = yuragiFilter_.GetTap();
    const uint32_t freqTaps = freqFilter_.GetTap();
    std::vector<double> yuragiCoefficients(yuragiTaps);
    std::vector<double> freqCoefficients(freqTaps);
    if (yuragiTaps == 0 || freqTaps == 0) {
        return WA_ERR_NO_COEFFICIENTS;
    }
    int status = FilterCoefficients(yuragiFilter_, yuragiTaps, yuragiCoefficients.data());
    if (status != WA_OK) {
        return status;
    }
    if (FilterCoefficients(freqFilter_, freqTaps, freqCoefficients.data()) != WA_OK ||
        analysis_.SetDataFromFiltering(decimated, freqFilter_, 1) != WA_OK ||
        yuragi_.SetDataFromFiltering(analysis_, yuragiFilter_, 1) != WA_OK) {
        return kChainFreqFilter;
    }
    double* input = nullptr;
    double* output = nullptr;
    if (decimated.GetDataPointer(&input) != WA_OK || yuragi_.GetDataPointer(&output) != WA_OK) {
        return kChainFreqFilter;
    }
    const uint32_t headSize = std::min(size, yuragiTaps);
    std::vector<double> head(headSize);
    for (uint32_t m = 0; m < headSize; ++m) {
        double sum = 0.0;
        for (uint32_t j = 0; j <= m; ++j) {
            sum += yuragiCoefficients[j] * input[m - j];
        }
        head[m] = sum;
    }
    // In the literal order the first T_Y outputs only ever see blanked
    // samples and are exactly 0.0; the subtraction would leave rounding
    // residue there (about 1e-20), so they are set, not corrected.
    std::fill(output, output + headSize, 0.0);
    const uint64_t corrected = std::min<uint64_t>(size, static_cast<uint64_t>(headSize) + freqTaps - 1);
    for (uint32_t n = headSize; n < corrected; ++n) {
        const uint32_t first = n >= freqTaps ? n - freqTaps + 1 : 0;
        const uint32_t last = std::min(n, headSize - 1);
        double sum = 0.0;
        for (uint32_t m = first; m <= last; ++m) {
            sum += freqCoefficients[n - m] * head[m];
        }
        output[n] -= sum;
    }
    return WA_OK;
}

void AnalysisState::ClearDerived() {
    analysis_.ClearData();
    analysisIsRaw_ = false;
    yuragi_.ClearData();
    difWaveform_.ClearData();
    analysisSpectrum_.ClearData();
    yuragiSpectrum_.ClearData();
    difSpectrum_.ClearData();
}

uint32_t AnalysisState::FftLengthOrRest() const {
    const uint32_t size = AnalysisWaveform().GetSize();
    return settings_.fftLength != 0 ? settings_.fftLength : size > settings_.fftStart ? size - settings_.fftStart : 0;
}

int32_t AnalysisState::RunPreprocessing() {
    WaitCursor wait(port_);
    int32_t status = WA_OK;
    Compute(kTextComputingChain, raw_.GetSize(), [&] {
        QualityChain chain;
        chain.samplingPitch = settings_.samplingPitch;
        chain.yuragiTaps = yuragiFilter_.GetTap();
        chain.freqTaps = freqFilter_.GetType() == WAFreqFilter::TypeNone ? 0 : freqFilter_.GetTap();
        quality_ = CheckQuality(raw_, qualityLimits_, chain);
        status = RunChainWaveforms();
    });
    if (status == WA_OK) {
        // On a long recording the waveforms are worth showing before the
        // spectra, which take as long again; the pages' own notifications
        // still follow the judgement.
        if (IsLongWork(raw_.GetSize())) {
            const uint32_t length = FftLengthOrRest();
            port_.PreviewWaveforms(length, settings_.fftStart, length);
        }
        Compute(kTextComputingSpectra, settings_.spectraEnabled != 0 ? raw_.GetSize() : 0,
                [&] { status = RunChainSpectra(); });
    }
    if (status != WA_OK && status != kChainNoData) {
        ClearDerived();
    }
    lastChainStatus_ = status;
    if (status == kChainNoData) {
        return status;
    }
    if (status != WA_OK) {
        Warn(kTextChainFailed);
    } else if (settings_.fftLength == 0) {
        settings_.fftLength = FftLengthOrRest();
    }
    if (settings_.spectraEnabled != 0) {
        ListSpectrumPeaks();
    } else {
        peaks_.Clear();
    }
    return RunAbnormalMeasure();
}

int32_t AnalysisState::ComputeSpectra() {
    WaitCursor wait(port_);
    if (settings_.spectraEnabled == 0) {
        peaks_.Clear();
        return WA_OK;
    }
    int32_t status = WA_OK;
    Compute(kTextComputingSpectra, raw_.GetSize(), [&] {
        if (analysisSpectrum_.SetSpectrumFromFFT(AnalysisWaveform(), settings_.fftStart, settings_.fftLength, -1) !=
                WA_OK ||
            yuragiSpectrum_.SetSpectrumFromFFT(yuragi_, settings_.fftStart, settings_.fftLength, -1) != WA_OK) {
            status = kChainSpectrum;
        }
        UpdateDifSpectrum(differenceData_ && status == WA_OK, analysisSpectrum_, yuragiSpectrum_, difSpectrum_);
    });
    ListSpectrumPeaks();
    return status;
}

int32_t AnalysisState::ApplyFreqFilterSettings(int32_t type, uint32_t samplingFrequency, uint32_t taps,
                                               uint32_t low, uint32_t high) {
    return DesignFreqFilter(freqFilter_, type, samplingFrequency, taps, low, high);
}

int32_t AnalysisState::RebuildFreqFilter(uint32_t samplingFrequency) {
    const int32_t status =
        ApplyFreqFilterSettings(settings_.filterType, samplingFrequency, settings_.filterTaps,
                                settings_.lowerFrequency, settings_.upperFrequency);
    if (status != WA_OK) {
        freqFilter_.SetNone();
    }
    return status;
}

PassRule::PassRule(double passThreshold, int32_t invertedJudgement)
    : threshold_(RoundThroughText("%lf", passThreshold)), inverted_(invertedJudgement != 0) {}

int32_t PassRule::Judge(double exceedingArea) const {
    // The six-decimal text moves a value by at most 0.0000005 (plus far less
    // for reading it back below 1e9), so an area further than 0.000001 from
    // the rounded threshold compares the same without it; the text is only
    // needed near the threshold (and for huge or non-finite values).
    constexpr double kPlain = 1e9;
    bool atOrAbove = false;
    if (std::fabs(exceedingArea) < kPlain && std::fabs(threshold_) < kPlain &&
        std::fabs(exceedingArea - threshold_) > 0.000001) {
        atOrAbove = exceedingArea > threshold_;
    } else {
        atOrAbove = RoundThroughText("%lf", exceedingArea) >= threshold_;
    }
    return atOrAbove != inverted_ ? 2 : 1;
}

int32_t AnalysisState::RunAbnormalMeasure() {
    measure_ = MeasureResult{};
    int status = WA_OK;
    Compute(kTextComputingMeasure, yuragi_.GetSize(), [&] {
        status = DoSquare(yuragi_, static_cast<uint32_t>(settings_.squareMeanPitch),
                          static_cast<uint32_t>(settings_.smoothingLength), squareMean_);
    });
    measure_.status = status;
    if (status != WA_OK) {
        squareMean_.ClearData();
        measureWaves_[0].ClearData();
        measureWaves_[1].ClearData();
        return status;
    }
    double* samples = nullptr;
    const uint32_t count = squareMean_.GetSize();
    double total = 0.0;
    double exceeding = 0.0;
    if (count > 0 && squareMean_.GetDataPointer(&samples) == WA_OK) {
        const double level = settings_.peakThreshold;
        for (uint32_t i = 0; i < count; ++i) {
            const double value = samples[i];
            total += value;
            if (value >= level) {
                exceeding += value - level;
            }
        }
    }
    measure_.valid = true;
    measure_.totalArea = total;
    measure_.exceedingArea = exceeding;
    measure_.totalAreaText = FormatC("%lf", total);
    measure_.exceedingAreaText = FormatC("%lf", exceeding);
    measure_.judgement = PassRule(settings_.passThreshold, settings_.invertedJudgement).Judge(exceeding);
    port_.NotifyPage(PageId::ResultIndicator, Notice(PageNotice::Judgement, measure_.judgement));
    return WA_OK;
}

void AnalysisState::ListSpectrumPeaks() { peaks_.Build(yuragiSpectrum_); }

void AnalysisState::NotifyPagesOfNewData() {
    const AnalysisSettings& s = settings_;
    port_.NotifyPage(PageId::Waveform, Notice(PageNotice::TakeData, s.fftLength, s.fftStart, s.fftLength));
    port_.NotifyPage(PageId::Spectrum, Notice(PageNotice::TakeData));
    port_.NotifyPage(PageId::DifSpectrum, Notice(PageNotice::TakeData));
    port_.NotifyPage(PageId::DifWaveform, Notice(PageNotice::TakeData, s.fftLength));
    port_.NotifyPage(PageId::Abnormal,
                     Notice(PageNotice::TakeData, squareMean_.GetSize(), s.fftStart, s.fftLength));
    port_.RepaintPages();
    port_.NotifyPage(PageId::NoiseLevel, Notice(PageNotice::Apply));
}

void AnalysisState::RebuildFileCombo(const std::string& selected) {
    port_.FillCombo(kComboDisplayFile, recentFiles_.FilledPaths(), selected);
}

const double* AnalysisState::RawSamples() const {
    double* samples = nullptr;
    if (raw_.GetDataPointer(&samples) != WA_OK) {
        return nullptr;
    }
    return samples;
}

// ---- setting changes ---------------------------------------------------------

bool AnalysisState::ChangeSamplingPitch() {
    SamplingPitchValues values;
    values.samplingPitch = settings_.samplingPitch;
    values.samplingFrequency = settings_.samplingFrequency;
    values.dataPoints = raw_.GetSize();
    if (!port_.RunModalDialog(kDialogSamplingPitch, values)) {
        return false;
    }
    return SetSamplingPitch(values.samplingPitch) == 0;
}

int32_t AnalysisState::SetSamplingPitch(uint32_t pitch) {
    if (pitch == 0 || pitch > 65535) {
        return -1;
    }
    if (pitch == settings_.samplingPitch) {
        return 1;
    }
    const uint32_t effective = settings_.samplingFrequency / pitch;
    const int32_t status =
        ApplyFreqFilterSettings(settings_.filterType, effective, settings_.filterTaps,
                                settings_.lowerFrequency, settings_.upperFrequency);
    if (status != WA_OK) {
        Warn(kTextSettingRejected);
        RebuildFreqFilter(settings_.effectiveSamplingFrequency);
        return status;
    }
    settings_.samplingPitch = pitch;
    settings_.effectiveSamplingFrequency = effective;
    settings_.fftStart = 0;
    settings_.fftLength = 0;
    RunPreprocessing();
    NotifyPagesOfNewData();
    return 0;
}

namespace {

// The five-attempt rule of the filter dialogs: the dialog opens with the
// stored values; an accepted value set is applied; a rejected one shows 2006
// and the dialog opens again, and after the fifth rejection 2008 is shown
// and the stored values are applied again. Cancelling after a rejection also
// applies the stored values again.
template <typename Values, typename Stored, typename Apply, typename Accept, typename Restore>
bool RetrySettingDialog(UiPort& port, int32_t dialogId, Stored stored, Apply apply, Accept accept,
                        Restore restore) {
    for (int32_t failures = 0;;) {
        Values values = stored();
        if (!port.RunModalDialog(dialogId, values)) {
            if (failures > 0) {
                restore();
            }
            return false;
        }
        if (apply(values) == WA_OK) {
            accept(values);
            return true;
        }
        port.ShowWarning(kTextSettingRejected, kCaptionMainView);
        if (++failures == kAttempts) {
            port.ShowWarning(kTextSettingRejectedFinal, kCaptionMainView);
            restore();
            return false;
        }
    }
}

}  // namespace

bool AnalysisState::ChangeYuragiFilter() {
    int32_t* p = settings_.yuragiParameter;
    auto setFilter = [this](int32_t type, int32_t b, int32_t c, int32_t v) {
        return yuragiFilter_.SetParamEx(type, static_cast<uint32_t>(b), static_cast<uint32_t>(c),
                                        static_cast<uint32_t>(v));
    };
    return RetrySettingDialog<YuragiFilterValues>(
        port_, kDialogYuragiFilter,
        [p] {
            YuragiFilterValues values;
            values.parameter1 = p[0];
            values.parameter2 = p[1];
            values.parameter3 = p[2];
            values.parameter4 = p[3];
            return values;
        },
        [&](const YuragiFilterValues& v) { return setFilter(v.parameter1, v.parameter2, v.parameter3, v.parameter4); },
        [&](const YuragiFilterValues& v) {
            p[0] = v.parameter1;
            p[1] = v.parameter2;
            p[2] = v.parameter3;
            p[3] = v.parameter4;
            RunPreprocessing();
            NotifyPagesOfNewData();
        },
        [&] { setFilter(p[0], p[1], p[2], p[3]); });
}

bool AnalysisState::ChangeFreqFilter() {
    AnalysisSettings& s = settings_;
    return RetrySettingDialog<FreqFilterValues>(
        port_, kDialogFreqFilter,
        [&s] {
            FreqFilterValues values;
            values.filterType = s.filterType;
            values.kindSelection = s.filterKindSelection;
            values.taps = s.filterTaps;
            values.lowerFrequency = s.lowerFrequency;
            values.upperFrequency = s.upperFrequency;
            values.samplingFrequency = s.effectiveSamplingFrequency;
            return values;
        },
        [&](const FreqFilterValues& v) {
            return ApplyFreqFilterSettings(v.filterType, s.effectiveSamplingFrequency, v.taps, v.lowerFrequency,
                                           v.upperFrequency);
        },
        [&](const FreqFilterValues& v) {
            s.filterType = v.filterType;
            s.filterKindSelection = v.kindSelection;
            s.filterTaps = v.taps;
            s.lowerFrequency = v.lowerFrequency;
            s.upperFrequency = v.upperFrequency;
            RunPreprocessing();
            NotifyPagesOfNewData();
        },
        [&] { RebuildFreqFilter(s.effectiveSamplingFrequency); });
}

bool AnalysisState::ChangeAbnormalSettings() {
    AnalysisSettings& s = settings_;
    AbnormalSettingsValues values;
    values.inputDataCount = yuragi_.GetSize();
    values.squareMeanPitch = s.squareMeanPitch;
    values.smoothingLength = s.smoothingLength;
    values.peakThreshold = s.peakThreshold;
    values.peakAnalysisFlag = s.peakAnalysisFlag;
    values.peakPitch = s.peakPitch;
    values.peakWidth = s.peakWidth;
    values.judgementWidth = s.judgementWidth;
    values.judgementThreshold = s.judgementThreshold;
    values.passThreshold = s.passThreshold;
    values.invertedJudgement = s.invertedJudgement;
    values.displaySetting = s.displaySetting;
    if (!port_.RunModalDialog(kDialogAbnormalSettings, values)) {
        return false;
    }
    s.squareMeanPitch = values.squareMeanPitch;
    s.smoothingLength = values.smoothingLength;
    s.peakThreshold = values.peakThreshold;
    s.peakAnalysisFlag = values.peakAnalysisFlag;
    s.peakPitch = values.peakPitch;
    s.peakWidth = values.peakWidth;
    s.judgementWidth = values.judgementWidth;
    s.judgementThreshold = values.judgementThreshold;
    s.passThreshold = values.passThreshold;
    s.invertedJudgement = values.invertedJudgement;
    s.displaySetting = values.displaySetting;
    port_.NotifyPage(PageId::ResultIndicator, Notice(PageNotice::Apply, s.displaySetting));
    {
        WaitCursor wait(port_);
        RunAbnormalMeasure();
    }
    port_.NotifyPage(PageId::Abnormal, Notice(PageNotice::TakeData, squareMean_.GetSize(), s.fftStart, s.fftLength));
    port_.RepaintPages();
    return true;
}

bool AnalysisState::SetSpectraEnabled(bool enabled) {
    if ((settings_.spectraEnabled != 0) == enabled) {
        return false;
    }
    settings_.spectraEnabled = enabled ? 1 : 0;
    port_.EnableControl(kButtonSpectrumPage, enabled);
    port_.EnableMenuItem(kCommandSpectrumPage, enabled);
    if (!enabled) {
        analysisSpectrum_.ClearData();
        yuragiSpectrum_.ClearData();
        difSpectrum_.ClearData();
        peaks_.Clear();
        if (port_.IsControlChecked(kButtonSpectrumPage)) {
            port_.SetControlChecked(kButtonSpectrumPage, false);
            port_.SetControlChecked(kButtonWaveformPage, true);
        }
    } else {
        ComputeSpectra();
        port_.NotifyPage(PageId::Spectrum, Notice(PageNotice::TakeData));
    }
    port_.NotifyPage(PageId::DifSpectrum, Notice(PageNotice::TakeData));
    port_.RepaintPages();
    return true;
}

}  // namespace kr70
