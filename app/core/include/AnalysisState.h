// AnalysisState — everything that belongs to the one open measurement: the
// loaded waveform, every preprocessing and analysis setting, the waveforms and
// spectra derived from it, the five-peak list, the abnormal-sound figures and
// the recent-file list. The main form view owns one; the headless analyser
// builds one per file.
//
// Every setting change and every newly loaded waveform re-runs the chain:
//   raw → decimation by the sampling pitch → yuragi filter (head blanked)
//       → frequency filter → analysis and yuragi waveforms
//       → FFT spectra (two-window average) → five-peak list
//       → DoSquare → total and exceeding area → judgement 1 (pass) / 2 (fail).
// A failing chain leaves the raw waveform and the settings in place and all
// derived results empty. Messages are language-table ids handed to the UI port
// with caption 2024; nothing is printed.
//
// The filter system (StartFilterSystem) must be started before an
// AnalysisState is constructed and stay started while it lives. Not
// thread-safe: everything runs on the user-interface thread.
#ifndef KR70_APP_CORE_ANALYSISSTATE_H
#define KR70_APP_CORE_ANALYSISSTATE_H

#include <cstdint>
#include <functional>
#include <string>

#include "DataQuality.h"
#include "LmCmAnlz.h"
#include "LmIni.h"
#include "RecentFileList.h"
#include "SpectrumPeakList.h"
#include "UiPort.h"

namespace kr70 {

// Chain and procedure codes (the analysis library's codes pass through).
inline constexpr int32_t kChainNoData = -200;
inline constexpr int32_t kChainSampling = -310;
inline constexpr int32_t kChainFreqFilter = -312;
inline constexpr int32_t kChainSpectrum = -314;

// Filter types of the frequency filter.
inline constexpr int32_t kFilterNone = 0;
inline constexpr int32_t kFilterLpf = 1;
inline constexpr int32_t kFilterHpf = 2;
inline constexpr int32_t kFilterBpf = 3;
inline constexpr int32_t kFilterBef = 4;

// The plain settings of the analysis state with their initial values. The
// UI reads them freely; changes that affect results go through the
// procedures of AnalysisState so that the chain re-runs.
struct AnalysisSettings {
    uint32_t samplingPitch = 1;
    int32_t yuragiParameter[4] = {4, 1, 1, 0};  // SetParamEx (type, B, C, V)
    int32_t filterType = kFilterNone;           // 0 none, 1 LPF … 4 BEF
    int32_t filterKindSelection = kFilterLpf;   // kind last chosen, 1 … 4
    uint32_t effectiveSamplingFrequency = 22050;  // sampling frequency / pitch
    int32_t normalizeFlag = 0;
    uint32_t filterTaps = 128;
    uint32_t lowerFrequency = 1;      // or cut-off, Hz
    uint32_t upperFrequency = 11024;  // effective sampling frequency / 2 − 1
    int32_t adResolutionBits = 16;
    int32_t channel = 1;
    int32_t gainIndex = 1;
    uint32_t dataPoints = 2205;
    uint32_t samplingFrequency = 22050;  // replaced by the loaded file's
    double acquisitionTimeMs = 100.0;
    int32_t triggerWaitTimeMs = 0;
    int32_t recordBufferTimeMs = 200;  // data points / sampling frequency × 2000
    int32_t acquisitionChanged = 0;
    int32_t triggerFlag = 0;
    std::string fileStem = "LmWAData";
    int32_t fileNumber = 1;
    std::string currentFile;
    uint32_t fftStart = 0;
    uint32_t fftLength = 0;  // 0: up to the last sample
    int32_t acquisitionTimeDecimals = 0;
    int32_t squareMeanPitch = 1;
    int32_t smoothingLength = 1;
    double peakThreshold = 0.0;  // area level
    int32_t peakAnalysisFlag = 0;
    int32_t peakPitch = 1;
    int32_t peakWidth = 2;
    int32_t judgementWidth = 10;
    double judgementThreshold = 1.0;
    double passThreshold = 0.0;
    int32_t invertedJudgement = 0;
    int32_t displaySetting = 1;
    int32_t noiseLevelShow = 1;
    int32_t noiseLevelFullScale = 80;
    std::string parameterFile;  // parameter file in use (command line, opened, saved)
    int32_t comparisonViewerStarted = 0;
    int32_t spectraEnabled = 0;
    int32_t firstActivationDone = 0;
    int32_t fileLoaded = 0;
    int64_t currentFileTime = 0;  // last-write time of the current file (seconds)
};

// Figures of the last abnormal-sound measure.
struct MeasureResult {
    int32_t status = kChainNoData;  // result of DoSquare (0 success)
    bool valid = false;             // false whenever DoSquare failed
    double totalArea = 0.0;         // sum of the square-mean samples
    double exceedingArea = 0.0;     // sum of (v − peak threshold) over v ≥ level
    std::string totalAreaText;      // "%lf", field 1216
    std::string exceedingAreaText;  // "%lf", field 1217
    int32_t judgement = 0;          // 1 pass, 2 fail, 0 none
};

// The lamp's rule: the exceeding area against the pass threshold, both
// compared as the six-decimal texts the page shows. An area at or above the
// threshold fails (2), below it passes (1); the inverted judgement swaps the
// two. The threshold is rounded once, so one rule judges many areas cheaply.
class PassRule {
public:
    PassRule(double passThreshold, int32_t invertedJudgement);
    int32_t Judge(double exceedingArea) const;  // 1 pass, 2 fail

private:
    double threshold_;
    bool inverted_;
};

class AnalysisState {
public:
    // Settings at their initial values, filters built (frequency filter type
    // none, yuragi filter 4, 1, 1, 0). Call InitializeParameters next.
    explicit AnalysisState(UiPort& port);
    ~AnalysisState();
    AnalysisState(const AnalysisState&) = delete;
    AnalysisState& operator=(const AnalysisState&) = delete;

    // End of construction: the parameter record from parameterFile (message
    // 2007 and the defaults when it cannot be read) or the library defaults,
    // applied; then yuragi parameter 1 = 4, peak threshold 0.0 and the yuragi
    // filter rebuilt. An empty path means no parameter file.
    void InitializeParameters(const std::string& parameterFile);

    // ---- procedures ------------------------------------------------------

    // Loads a raw-data or WAV file and runs the chain; 1 loaded, 0 not
    // (message 2023; the previous file and its results stay).
    int32_t LoadWaveform(const std::string& path);

    // The chain and what follows it: peak list (or emptied), abnormal
    // measure. Returns −200 (nothing changed, no message) when there is no
    // raw waveform, else the result of RunAbnormalMeasure. A failing chain
    // shows 2009 and clears the derived results; see LastChainStatus().
    int32_t RunPreprocessing();

    // Spectra of both waveforms and the peak list only; −314 when a spectrum
    // fails (nothing cleared). With spectra disabled only empties the list.
    int32_t ComputeSpectra();

    // Designs the frequency filter: 0 SetNone, 1 SetLPF (fs, taps, low),
    // 2 SetHPF (fs, taps, low), 3 SetBPF (fs, taps, low, high), 4 SetBEF;
    // the setter's result, −1 for another type.
    int32_t ApplyFreqFilterSettings(int32_t type, uint32_t samplingFrequency, uint32_t taps,
                                    uint32_t low, uint32_t high);

    // DoSquare on the yuragi waveform, the areas and the judgement (sent to
    // the result-indicator page). Returns DoSquare's result; on failure the
    // square-mean and the two further measure waveforms are cleared.
    int32_t RunAbnormalMeasure();

    // Rebuilds the five-peak list from the yuragi spectrum.
    void ListSpectrumPeaks();

    // Tells every page to take the new data and repaints; hands the noise-
    // level page the raw samples.
    void NotifyPagesOfNewData();

    // ---- setting changes (dialogs through the UI port) ---------------------

    // Sampling pitch dialog 130. Returns true when a new pitch was applied.
    bool ChangeSamplingPitch();
    // Applies a new pitch without a dialog: 0 applied (chain run), 1 unchanged,
    // −1 pitch 0, else the filter's status (message 2006, old pitch and
    // filter kept).
    int32_t SetSamplingPitch(uint32_t pitch);

    // Yuragi filter dialog 131 and frequency filter dialog 132: up to five
    // attempts (2006 after each rejected one, 2008 after the fifth, the filter
    // then set back to the stored values). True when new values were applied.
    bool ChangeYuragiFilter();
    bool ChangeFreqFilter();

    // Abnormal-sound settings dialog 140. On OK the values are stored, the
    // display setting goes to the result-indicator page, the measure runs
    // again (the chain does not) and the abnormal-sound page takes the new
    // square-mean waveform. True when accepted.
    bool ChangeAbnormalSettings();

    // FFT display settings: enabling runs ComputeSpectra, disabling clears both
    // spectra and the peak list. Enables or disables the spectrum page button
    // (1001) and menu command (32776). Returns whether the choice changed.
    bool SetSpectraEnabled(bool enabled);

    // ---- parameter record ------------------------------------------------

    // Save direction: the record from the parameter file in use (message 2007
    // and the path forgotten when it cannot be read) or the defaults, then
    // every field the state owns. Page fields come from the page hook.
    void FillParameterRecord(LmIniRecord& record);

    // Load direction of the parameter file in use (LmIniRead) or of the
    // defaults without one, applied to the settings. 1 applied, 0 not
    // (message 2007, path forgotten); iniStatus receives LmIniRead's result.
    int32_t LoadAndApplyParameters(int32_t* iniStatus = nullptr);

    // Command 32789 without its dialog: path becomes the parameter file in use,
    // then LoadAndApplyParameters. Returns its result. The caller reloads the
    // current file (LoadWaveform) on success.
    int32_t OpenParameterFile(const std::string& path, int32_t* iniStatus = nullptr);

    // Applies the load-direction fields of record (no file access).
    void ApplyParameterRecord(const LmIniRecord& record);

    // The parameter block kept by the state (read at construction, refilled
    // by FillParameterRecord).
    LmIniRecord& ParameterRecord() { return parameterRecord_; }

    // ---- context supplied by the view ---------------------------------------

    // Board kind (0 none, 1 sound card, 2 A/D board) and the recorder's
    // sampling frequency (CLmWavGet::GetSampFreq), used by the record binding.
    void SetBoardKind(int32_t boardKind) { boardKind_ = boardKind; }
    int32_t BoardKind() const { return boardKind_; }
    void SetRecorderSamplingFrequency(std::function<uint32_t()> query) {
        recorderSamplingFrequency_ = std::move(query);
    }
    // Called at the end of every successful LoadWaveform (an opened file or an
    // acquisition) with the loaded path, once the verdict is made.
    void SetWaveformLoadedHook(std::function<void(const std::string&)> hook) { loadedHook_ = std::move(hook); }
    // Writes the page fields (display limits and choices) into the record when
    // the pages exist.
    void SetPageRecordHook(std::function<void(LmIniRecord&)> hook) { pageRecordHook_ = std::move(hook); }

    // ---- access ---------------------------------------------------------

    AnalysisSettings& Settings() { return settings_; }
    const AnalysisSettings& Settings() const { return settings_; }

    const WAData& RawWaveform() const { return raw_; }
    // At pitch 1 without a frequency filter the analysis waveform is the raw
    // one itself, held once.
    const WAData& AnalysisWaveform() const { return analysisIsRaw_ ? raw_ : analysis_; }
    const WAData& YuragiWaveform() const { return yuragi_; }
    const WAData& DifWaveform() const { return difWaveform_; }
    // Whether the chain also forms the difference waveform and spectrum for
    // the difference pages (on by default). Users that show neither page (the
    // headless analyser, a window without the difference-waveform button)
    // turn it off: on a long recording they are a waveform and a spectrum of
    // memory that nobody looks at.
    void SetDifferenceDataEnabled(bool enabled) { differenceData_ = enabled; }
    const WAPowerSpectrum& AnalysisSpectrum() const { return analysisSpectrum_; }
    const WAPowerSpectrum& YuragiSpectrum() const { return yuragiSpectrum_; }
    const WADifSpectrum& DifSpectrum() const { return difSpectrum_; }
    const WAFreqFilter& FreqFilter() const { return freqFilter_; }
    const WAYuragiFilter& YuragiFilter() const { return yuragiFilter_; }
    const WAData& SquareMeanWaveform() const { return squareMean_; }
    // The two further measure waveforms filled by the abnormal-sound page.
    WAData& MeasureWaveform(int index) { return measureWaves_[index & 1]; }

    // Raw sample view for the noise-level page: pointer (null when empty) and count.
    const double* RawSamples() const;
    uint32_t RawSampleCount() const { return raw_.GetSize(); }

    const SpectrumPeakList& Peaks() const { return peaks_; }
    const MeasureResult& Measure() const { return measure_; }
    // The data-quality guard's report on the raw waveform, renewed with every
    // chain run (so before each judgement) under the limits set here; it
    // leaves the chain and the judgement as they are.
    const QualityReport& Quality() const { return quality_; }
    void SetQualityLimits(const QualityLimits& limits) { qualityLimits_ = limits; }
    const QualityLimits& QualityLimitsInUse() const { return qualityLimits_; }
    // Result of the last chain run (0 success, else its failure code).
    int32_t LastChainStatus() const { return lastChainStatus_; }

    RecentFileList& RecentFiles() { return recentFiles_; }
    const RecentFileList& RecentFiles() const { return recentFiles_; }
    // Rebuilds the display-file combo box (1094) from the recent-file list
    // with selected chosen.
    void RebuildFileCombo(const std::string& selected);

    UiPort& Port() { return port_; }

private:
    bool differenceData_ = true;
    // The chain in two steps: decimation and filters (the waveforms), then
    // the spectra and the difference data.
    int32_t RunChainWaveforms();
    int32_t RunChainSpectra();
    static bool IsLongWork(uint64_t samples);
    // The FFT length, or when it is 0 every analysis point from the FFT start.
    uint32_t FftLengthOrRest() const;
    void Compute(int32_t textId, uint64_t samples, const std::function<void()>& work);
    int32_t FilterBothCommuted(const WAData& decimated);
    void ClearDerived();
    // Designs the stored filter settings for samplingFrequency; a setting the
    // library rejects leaves the filter pass-through (SetNone) and returns the
    // rejection status, the settings stay.
    int32_t RebuildFreqFilter(uint32_t samplingFrequency);
    uint32_t BindingSamplingFrequency() const;
    void Warn(int32_t textId);

    UiPort& port_;
    AnalysisSettings settings_;

    WAData raw_;
    WAData analysis_;
    bool analysisIsRaw_ = false;
    WAData yuragi_;
    WAData difWaveform_;
    WAPowerSpectrum analysisSpectrum_;
    WAPowerSpectrum yuragiSpectrum_;
    WADifSpectrum difSpectrum_;
    WAFreqFilter freqFilter_;
    WAYuragiFilter yuragiFilter_;
    WAData squareMean_;
    WAData measureWaves_[2];

    SpectrumPeakList peaks_;
    MeasureResult measure_;
    QualityLimits qualityLimits_;
    QualityReport quality_;
    int32_t lastChainStatus_ = kChainNoData;
    RecentFileList recentFiles_;
    LmIniRecord parameterRecord_{};

    int32_t boardKind_ = 0;
    std::function<uint32_t()> recorderSamplingFrequency_;
    std::function<void(LmIniRecord&)> pageRecordHook_;
    std::function<void(const std::string&)> loadedHook_;
};

}  // namespace kr70

#endif
