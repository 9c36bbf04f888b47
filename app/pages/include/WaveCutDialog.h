// CWaveCutDlg — the logic of the waveform cut-out dialog (151): a time slice
// of the acquired, analysis or yuragi waveform saved as a new 8- or 16-bit WAV
// file (CutOutWave.h).
//
// The opener (OpenWaveCutDialog) fills WaveCutValues from the main view and
// refuses to open without a current file (message 2180). The dialog shows the
// start and end times in ms, from the waveform page's selection or the whole
// analysis waveform. Enter in a time edit checks both times against the
// maximum time; "保存..." (OK) checks them against the chosen waveform's
// duration, asks for the target with a save-file dialog, refuses the current
// file (2182) and writes; whatever the write gives, the dialog then closes.
// All messages carry caption 2170.
#ifndef KR70_APP_PAGES_WAVECUTDIALOG_H
#define KR70_APP_PAGES_WAVECUTDIALOG_H

#include "FilterDialogs.h"
#include "UiPort.h"

#include <cstdint>
#include <string>

class WAData;

namespace kr70 {

class AnalysisState;

inline constexpr int32_t kDialogWaveCut = 151;
inline constexpr int32_t kCommandWaveCut = 32795;

namespace dialog {
// 151 (button 1 is "保存...", 2 "キャンセル")
inline constexpr int32_t kEditCutStart = 1137;
inline constexpr int32_t kEditCutEnd = 1138;
inline constexpr int32_t kEditCutFileName = 1139;  // hidden
inline constexpr int32_t kButtonCutBrowse = 1140;  // hidden
inline constexpr int32_t kRadioCutRaw = 1197;      // 1197 … 1199: kind 0 … 2
inline constexpr int32_t kRadioCutYuragi = 1199;
inline constexpr int32_t kRadioCut8Bit = 1200;
inline constexpr int32_t kRadioCut16Bit = 1201;
}  // namespace dialog

struct WaveCutValues : DialogValues {
    double startTime = 0.0;  // ms
    double endTime = 0.0;    // ms
    std::string fileName;
    int32_t waveformKind = 0;  // 0 acquired, 1 analysis, 2 yuragi
    int32_t resolution = 1;    // 0 = 8 bit, 1 = 16 bit
    // Set by the opener.
    std::string currentFile;
    uint32_t selectionStart = 0;   // samples of the analysis waveform
    uint32_t selectionLength = 0;  // 0: no selection
    double samplingFrequency = 0.0;  // of the analysis waveform, Hz
    double maximumTime = 0.0;        // ms
    // The view's waveforms by kind; the write clamps into their arrays.
    const WAData* waveforms[3] = {nullptr, nullptr, nullptr};
    // Out: the last write's result (CutOutWave.h), 1 when nothing was written.
    int32_t writeResult = 1;
};

// "%.3f" with trailing zeros dropped down to one decimal: 12.500 → "12.5",
// 12.000 → "12.0".
std::string FormatCutTime(double milliseconds);

// The hidden file-name edit's rule: trimmed; "" stays "" (the caller warns);
// up to three characters get ".wav"; a final ".wav" (any case) stays; trailing
// dots are replaced by ".wav" ("．.wav" when only dots); else ".wav" appended.
std::string CutOutFileName(const std::string& typed);

class CWaveCutDlg : public SettingsDialog {
public:
    CWaveCutDlg(WaveCutValues& values, UiPort& port);
    void Open(DialogView& view) override;
    void EditLeft(DialogView&, int32_t) override {}
    void Enter(DialogView& view, int32_t controlId) override;
    bool Ok(DialogView& view) override;
    // The hidden browse button.
    void Browse(DialogView& view);

    // Checks start and end against limit (ms): 0 fine, −1 negative start
    // (2174), −2 end beyond limit, −3 start after end (2175 / 2176 followed
    // by limitText and tail).
    int32_t CheckTimes(DialogView& view, double limit, const std::string& limitText, const char* tail);

private:
    // Reads both time edits; false (and a warning) when one holds no number.
    bool ReadTimes(DialogView& view);
    void Warn(DialogView& view, int32_t textId, const std::string& appended = {});

    WaveCutValues& values_;
    UiPort& port_;
    std::string maximumTimeText_;
};

// Command 32795: fills the values from the state (current file from the
// display-file combo box, the analysis waveform's frequency and maximum
// time, the three waveforms) and the waveform page's selection, then runs
// dialog 151 through the port. Without a current file shows 2180 instead.
// Returns the dialog's result (false when not opened or cancelled).
bool OpenWaveCutDialog(AnalysisState& state, UiPort& port, uint32_t selectionStart, uint32_t selectionLength);

}  // namespace kr70

#endif
