#include "ParameterSaveDialog.h"

#include "AnalysisState.h"
#include "Kr70TextIds.h"
#include "LmCmAnlz.h"

#include <vector>

namespace kr70 {

using namespace dialog;

namespace {

constexpr int32_t kPreprocessingFrequency = 22050;
constexpr const char* kNoValue = "-----";

bool HasFilter(const ParameterSaveValues& values) { return values.filterType >= 1 && values.filterType <= 4; }

}  // namespace

PreprocessingRecord PreprocessingRecordOf(const ParameterSaveValues& values) {
    PreprocessingRecord record;
    record.yuragiUse = values.useChoice != kUseFreqOnly ? 1 : 0;
    record.yuragiType = values.yuragi[0];
    record.halfLength = values.yuragi[1];
    record.smoothing = values.yuragi[2];
    record.overlap = values.yuragi[3];
    record.freqUse = values.useChoice != kUseYuragiOnly ? 1 : 0;
    record.filterType = values.filterType;
    record.samplingFrequency = values.samplingFrequency;
    record.taps = values.taps;
    record.lowerFrequency = values.lowerFrequency;
    record.upperFrequency = values.upperFrequency;
    return record;
}

ParameterSaveDialog::ParameterSaveDialog(ParameterSaveValues& values, UiPort& port)
    : values_(values), port_(port) {}

void ParameterSaveDialog::Open(DialogView& view) {
    for (int i = 0; i < 4; ++i) view.SetText(kStaticYuragi1 + i, std::to_string(values_.yuragi[i]));
    const int32_t type = values_.filterType;
    const bool band = type == kFilterBpf || type == kFilterBef;
    if (HasFilter(values_)) {
        static const int32_t kTypeNames[] = {text::kFreqLpf, text::kFreqHpf, text::kFreqBpf, text::kFreqBef};
        view.SetTextId(kStaticFilterType, kTypeNames[type - 1]);
        view.SetText(kStaticSamplingFrequency, std::to_string(values_.samplingFrequency));
        view.SetText(kStaticTaps, std::to_string(values_.taps));
        view.SetTextId(kStaticEdgeCaption, type == kFilterBpf   ? text::kFreqEdgePassBand
                                           : type == kFilterBef ? text::kFreqEdgeStopBand
                                                                : text::kFreqEdgeCutOff);
        view.SetText(kStaticLowerEdge, std::to_string(values_.lowerFrequency));
        view.SetText(kStaticUpperEdge, band ? std::to_string(values_.upperFrequency) : std::string());
        for (int32_t id : {kStaticEdgeCaption, kStaticLowerEdge, kUnitLowerEdge}) view.Show(id, true);
        for (int32_t id : {kStaticTilde, kStaticUpperEdge, kUnitUpperEdge}) view.Show(id, band);
    } else {
        view.SetTextId(kStaticFilterType, text::kPrmSaveNoFilter);
        view.SetText(kStaticSamplingFrequency, kNoValue);
        view.SetText(kStaticTaps, kNoValue);
        for (int32_t id : {kStaticEdgeCaption, kStaticLowerEdge, kUnitLowerEdge, kStaticTilde, kStaticUpperEdge,
                           kUnitUpperEdge})
            view.Show(id, false);
        view.Enable(kRadioFreqOnly, false);
        view.Enable(kRadioBoth, false);
        values_.useChoice = kUseYuragiOnly;
    }
    if (values_.useChoice < kUseYuragiOnly || values_.useChoice > kUseBoth) values_.useChoice = kUseBoth;
    view.SetChecked(kRadioYuragiOnly, values_.useChoice == kUseYuragiOnly);
    view.SetChecked(kRadioFreqOnly, values_.useChoice == kUseFreqOnly);
    view.SetChecked(kRadioBoth, values_.useChoice == kUseBoth);
    view.SetText(kStaticFileName, values_.fileName);
    view.Show(kButtonSaveCsv, false);
}

void ParameterSaveDialog::Clicked(DialogView& view, int32_t controlId) {
    switch (controlId) {
        case kRadioYuragiOnly: values_.useChoice = kUseYuragiOnly; break;
        case kRadioFreqOnly:
            if (HasFilter(values_)) values_.useChoice = kUseFreqOnly;
            break;
        case kRadioBoth:
            if (HasFilter(values_)) values_.useChoice = kUseBoth;
            break;
        case kButtonBrowse: Browse(view); return;
        case kButtonSaveParameters: SaveParameters(view); return;
        case kButtonSaveCsv: SaveCoefficientPattern(view); return;
        default: return;
    }
    // A radio that may not be chosen does not stay checked.
    view.SetChecked(kRadioYuragiOnly, values_.useChoice == kUseYuragiOnly);
    view.SetChecked(kRadioFreqOnly, values_.useChoice == kUseFreqOnly);
    view.SetChecked(kRadioBoth, values_.useChoice == kUseBoth);
}

void ParameterSaveDialog::Browse(DialogView& view) {
    FileDialogRequest request;
    request.save = true;
    request.mustExist = false;
    request.confirmOverwrite = true;
    request.defaultExtension = "prf";
    request.filters.push_back(FileFilter{text::kFilterPreprocessingFile, {}, {}, {}});
    if (const auto slash = values_.fileName.rfind('/'); slash != std::string::npos)
        request.initialDirectory = values_.fileName.substr(0, slash);
    const std::vector<std::string> chosen = port_.ChooseFiles(request);
    if (chosen.empty()) return;
    values_.fileName = chosen.front();
    // A name typed without an extension gets the default one.
    const size_t base = values_.fileName.rfind('/') == std::string::npos ? 0 : values_.fileName.rfind('/') + 1;
    if (values_.fileName.find('.', base) == std::string::npos) values_.fileName += "." + request.defaultExtension;
    view.SetText(kStaticFileName, values_.fileName);
}

void ParameterSaveDialog::Tell(int32_t textId, int32_t captionId, MessageIcon icon) {
    Message message;
    message.parts.push_back({textId, {}, {}});
    message.captionId = captionId;
    message.icon = icon;
    port_.ShowMessage(message);
}

bool ParameterSaveDialog::MaySave() {
    if (values_.fileName.empty()) {
        Tell(text::kMsgPrmFileNameEmpty, text::kCaptionError, MessageIcon::Warning);
        return false;
    }
    if (values_.samplingFrequency != kPreprocessingFrequency) {
        Message question;
        question.parts.push_back({text::kAskPrmSamplingFrequency, {}, {}});
        question.captionId = text::kCaptionPrmSamplingFrequency;
        question.icon = MessageIcon::Question;
        if (!port_.AskYesNo(question)) return false;
    }
    return true;
}

bool ParameterSaveDialog::SaveParameters(DialogView&) {
    if (!MaySave()) return false;
    if (WritePreprocessingFile(values_.fileName, PreprocessingRecordOf(values_)) != 0) {
        Tell(text::kMsgPrmSaveFailed, text::kCaptionError, MessageIcon::Warning);
        return false;
    }
    Tell(text::kMsgPrmSaved, text::kCaptionPrmSaveDone, MessageIcon::None);
    return true;
}

bool ParameterSaveDialog::SaveCoefficientPattern(DialogView&) {
    if (!MaySave()) return false;
    const PreprocessingRecord record = PreprocessingRecordOf(values_);
    std::vector<double> pattern(kPatternLimit);
    uint32_t count = 0;
    if (BuildCoefficientPattern(&record, kPatternLimit, pattern.data(), &count) != 0) {
        Tell(text::kMsgPatternNotBuilt, text::kCaptionError, MessageIcon::Warning);
        return false;
    }
    if (WriteCoefficientPatternFile(values_.fileName, pattern.data(), count) != 0) {
        Tell(text::kMsgPrmSaveFailed, text::kCaptionError, MessageIcon::Warning);
        return false;
    }
    Tell(text::kMsgPatternSaved, text::kCaptionPrmSaveDone, MessageIcon::None);
    return true;
}

ParameterSaveValues ParameterSaveValuesOf(const AnalysisState& state) {
    const AnalysisSettings& s = state.Settings();
    ParameterSaveValues values;
    for (int i = 0; i < 4; ++i) values.yuragi[i] = s.yuragiParameter[i];
    const WAFreqFilter& filter = state.FreqFilter();
    const int type = filter.GetType();
    values.samplingFrequency = static_cast<int32_t>(s.effectiveSamplingFrequency);
    if (type >= kFilterLpf && type <= kFilterBef) {
        values.filterType = type;
        values.samplingFrequency = static_cast<int32_t>(filter.GetSampFreq());
        values.taps = static_cast<int32_t>(filter.GetTap());
        uint32_t low = 0, high = 0;
        if (type <= kFilterHpf) {
            filter.GetCutoff(low);
        } else {
            filter.GetBand(low, high);
        }
        values.lowerFrequency = static_cast<int32_t>(low);
        values.upperFrequency = static_cast<int32_t>(high);
    }
    return values;
}

void RunParameterSaveCommand(AnalysisState& state) {
    ParameterSaveValues values = ParameterSaveValuesOf(state);
    state.Port().RunModalDialog(kDialogParameterSave, values);
}

}  // namespace kr70
