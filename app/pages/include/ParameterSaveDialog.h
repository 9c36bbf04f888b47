// ParameterSaveDialog — the logic of the preprocessing-parameter save dialog
// (142): it shows the yuragi parameters and the frequency filter in use, lets
// the user choose which of the two filters the file records, and writes the
// preprocessing file (".prf") or, behind a hidden button, the combined
// multiplication-coefficient pattern, one "%.10f" value a line.
//
// A preprocessing file always refers to 22050 Hz: saving at any other
// sampling frequency asks first, and anything but Yes writes nothing. Without
// a frequency filter only "ゆらぎフィルタのみ" can be chosen.
#ifndef KR70_APP_PAGES_PARAMETERSAVEDIALOG_H
#define KR70_APP_PAGES_PARAMETERSAVEDIALOG_H

#include "FilterDialogs.h"
#include "PreprocessingFile.h"
#include "UiPort.h"

#include <cstdint>
#include <string>

namespace kr70 {

class AnalysisState;

inline constexpr int32_t kDialogParameterSave = 142;
inline constexpr int32_t kCommandParameterSave = 32782;

namespace dialog {
// 142
inline constexpr int32_t kRadioYuragiOnly = 1085;
inline constexpr int32_t kRadioFreqOnly = 1086;
inline constexpr int32_t kRadioBoth = 1087;
inline constexpr int32_t kStaticYuragi1 = 1077;  // 1077 … 1080: parameters 1 … 4
inline constexpr int32_t kStaticFilterType = 1081;
inline constexpr int32_t kStaticTaps = 1082;
inline constexpr int32_t kStaticLowerEdge = 1083;
inline constexpr int32_t kStaticUpperEdge = 1084;
inline constexpr int32_t kButtonSaveCsv = 1088;
inline constexpr int32_t kButtonSaveParameters = 1089;
inline constexpr int32_t kStaticFileName = 1093;
inline constexpr int32_t kButtonBrowse = 1033;
// The choice of the use radios.
inline constexpr int32_t kUseYuragiOnly = 0;
inline constexpr int32_t kUseFreqOnly = 1;
inline constexpr int32_t kUseBoth = 2;
}  // namespace dialog

// What the main view hands the dialog: the yuragi parameters and the
// frequency filter in use (type 0 none, 1 LPF … 4 BEF; for none the
// effective sampling frequency and zeros).
struct ParameterSaveValues : DialogValues {
    int32_t useChoice = dialog::kUseBoth;
    int32_t yuragi[4] = {4, 1, 1, 0};
    int32_t filterType = 0;
    int32_t samplingFrequency = 22050;
    int32_t taps = 0;
    int32_t lowerFrequency = 0;
    int32_t upperFrequency = 0;
    std::string fileName;
};

// The record a save writes for the values: the yuragi filter is used unless
// the choice is "周波数応答フィルタのみ", the frequency filter unless it is
// "ゆらぎフィルタのみ".
PreprocessingRecord PreprocessingRecordOf(const ParameterSaveValues& values);

class ParameterSaveDialog : public SettingsDialog {
public:
    // port asks the 22050 Hz question, chooses the file and shows the
    // messages of a save.
    ParameterSaveDialog(ParameterSaveValues& values, UiPort& port);
    void Open(DialogView& view) override;
    void Enter(DialogView&, int32_t) override {}
    // The dialog has nothing to check: OK and Cancel only close it.
    bool Ok(DialogView&) override { return true; }
    // The use radios and the buttons 1033, 1088 and 1089.
    void Clicked(DialogView& view, int32_t controlId) override;

    void Browse(DialogView& view);
    // The two saves; true when the file was written.
    bool SaveParameters(DialogView& view);
    bool SaveCoefficientPattern(DialogView& view);

private:
    // The empty-name and 22050 Hz checks before either save.
    bool MaySave();
    void Tell(int32_t textId, int32_t captionId, MessageIcon icon);

    ParameterSaveValues& values_;
    UiPort& port_;
};

// Command 32782: the dialog over the analysis state's yuragi parameters and
// frequency filter.
void RunParameterSaveCommand(AnalysisState& state);
ParameterSaveValues ParameterSaveValuesOf(const AnalysisState& state);

}  // namespace kr70

#endif
