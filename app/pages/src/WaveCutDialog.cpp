#include "WaveCutDialog.h"

#include "AbnormalDialog.h"
#include "AnalysisState.h"
#include "CutOutWave.h"
#include "Kr70TextIds.h"
#include "LmCmAnlz.h"
#include "MainForm.h"
#include "NumberText.h"
#include "WaveFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace kr70 {
namespace {

using namespace dialog;

bool EndsWithWav(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".wav";
}

// True when both paths name the same file: equal text, or the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

std::string FormatCutTime(double milliseconds) {
    std::string text = FormatC("%.3f", milliseconds);
    if (!text.empty() && text.back() == '0') {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.push_back('0');
    }
    return text;
}

std::string CutOutFileName(const std::string& typed) {
    std::string name = Trim(typed);
    if (name.empty()) return name;
    if (name.size() <= 3) return name + ".wav";
    if (EndsWithWav(name)) return name;
    if (name.back() == '.') {
        while (!name.empty() && name.back() == '.') name.pop_back();
        return (name.empty() ? std::string("\xEF\xBC\x8E") : name) + ".wav";  // "．" (full-width dot)
    }
    return name + ".wav";
}

CWaveCutDlg::CWaveCutDlg(WaveCutValues& values, UiPort& port) : values_(values), port_(port) {}

void CWaveCutDlg::Warn(DialogView& view, int32_t textId, const std::string& appended) {
    Message message;
    message.parts.push_back(MessagePart{textId, {}, appended});
    message.captionId = kCaptionFileDialog;
    view.ShowWarning(message);
}

void CWaveCutDlg::Open(DialogView& view) {
    if (values_.selectionLength != 0 && values_.samplingFrequency > 0.0) {
        values_.startTime = values_.selectionStart * 1000.0 / values_.samplingFrequency;
        values_.endTime =
            (static_cast<double>(values_.selectionStart) + values_.selectionLength) * 1000.0 / values_.samplingFrequency;
        values_.startTime = std::max(values_.startTime, 0.0);
        values_.endTime = std::min(values_.endTime, values_.maximumTime);
    } else {
        values_.startTime = 0.0;
        values_.endTime = values_.maximumTime;
    }
    maximumTimeText_ = FormatCutTime(values_.maximumTime);
    view.SetText(kEditCutStart, FormatCutTime(values_.startTime));
    view.SetText(kEditCutEnd, FormatCutTime(values_.endTime));
    view.SetText(kEditCutFileName, values_.fileName);
    const int32_t kind = std::clamp(values_.waveformKind, 0, 2);
    for (int32_t i = 0; i < 3; ++i) view.SetChecked(kRadioCutRaw + i, i == kind);
    view.SetChecked(kRadioCut8Bit, values_.resolution == 0);
    view.SetChecked(kRadioCut16Bit, values_.resolution != 0);
    view.Show(kEditCutFileName, false);
    view.Show(kButtonCutBrowse, false);
}

bool CWaveCutDlg::ReadTimes(DialogView& view) {
    for (int32_t id : {kEditCutStart, kEditCutEnd}) {
        double value = 0.0;
        if (!ParseDecimal(view.Text(id), value)) {
            Warn(view, text::kCutMsgEnterNumber);
            view.SelectEdit(id);
            return false;
        }
        (id == kEditCutStart ? values_.startTime : values_.endTime) = value;
    }
    return true;
}

int32_t CWaveCutDlg::CheckTimes(DialogView& view, double limit, const std::string& limitText, const char* tail) {
    if (values_.startTime < 0.0) {
        Warn(view, text::kCutMsgStartNegative);
        return -1;
    }
    if (values_.endTime > limit) {
        Warn(view, text::kMsgCutEndBeyondWaveform, limitText + tail);
        return -2;
    }
    if (values_.startTime > values_.endTime) {
        Warn(view, text::kMsgCutStartAfterEnd, limitText + tail);
        return -3;
    }
    return 0;
}

void CWaveCutDlg::Enter(DialogView& view, int32_t controlId) {
    if (controlId == kEditCutFileName) {
        const std::string name = CutOutFileName(view.Text(kEditCutFileName));
        if (name.empty()) {
            Warn(view, text::kCutMsgFileNameEmpty);
            return;
        }
        values_.fileName = name;
        view.SetText(kEditCutFileName, name);
        return;
    }
    if (controlId != kEditCutStart && controlId != kEditCutEnd) return;
    if (ReadTimes(view)) CheckTimes(view, values_.maximumTime, maximumTimeText_, ")\xE3\x80\x82");  // ")。"
}

void CWaveCutDlg::Browse(DialogView& view) {
    FileDialogRequest request;
    request.defaultExtension = "wav";
    request.filters.push_back(FileFilter{text::kFilterWaveFile, {}, {}, {}});
    request.mustExist = false;
    const std::vector<std::string> chosen = port_.ChooseFiles(request);
    if (!chosen.empty()) view.SetText(kEditCutFileName, Trim(chosen.front()));
}

bool CWaveCutDlg::Ok(DialogView& view) {
    if (!ReadTimes(view)) return false;
    values_.waveformKind = 0;
    for (int32_t i = 0; i < 3; ++i)
        if (view.IsChecked(kRadioCutRaw + i)) values_.waveformKind = i;
    values_.resolution = view.IsChecked(kRadioCut8Bit) ? 0 : 1;
    values_.fileName = view.Text(kEditCutFileName);

    const WAData* waveform = values_.waveforms[values_.waveformKind];
    double* samples = nullptr;
    if (waveform == nullptr || waveform->GetDataPointer(&samples) != WA_OK || samples == nullptr ||
        waveform->GetSampFreq() == 0) {
        Warn(view, text::kCutMsgWaveformEmpty);
        return false;
    }
    const uint32_t count = waveform->GetSize();
    const double frequency = waveform->GetSampFreq();
    // The duration keeps three decimals, as the operator sees it.
    const double duration = RoundThroughText("%.3f", count / frequency * 1000.0);
    if (CheckTimes(view, duration, FormatC("%f", duration), ").") != 0) return false;

    // The end may round up past the last sample by a fraction of a sample.
    const auto toSample = [&](double ms) {
        return static_cast<uint32_t>(std::min<double>(std::trunc(frequency * ms / 1000.0), count));
    };
    const uint32_t first = toSample(values_.startTime);
    const uint32_t last = toSample(values_.endTime);

    FileDialogRequest request;
    request.save = true;
    request.mustExist = false;
    request.confirmOverwrite = true;
    request.defaultExtension = "wav";
    request.filters.push_back(FileFilter{text::kFilterWaveFile, {}, {}, {}});
    request.initialName = values_.currentFile;
    request.initialDirectory = std::filesystem::path(values_.currentFile).parent_path().string();
    const std::vector<std::string> chosen = port_.ChooseFiles(request);
    if (chosen.empty()) return false;
    const std::string target = chosen.front();
    if (SameFile(target, values_.currentFile)) {
        Warn(view, text::kCutMsgTargetIsCurrent);
        return false;
    }
    int32_t result = 0;
    {
        WaitCursor wait(port_);
        result = WriteCutOutWave(target, samples + first, last - first, static_cast<uint32_t>(frequency),
                                 values_.resolution == 0 ? 8 : 16);
    }
    values_.writeResult = result;
    port_.RepaintPages();  // the clamping may have changed the shown waveform
    if (result == kCutOutIncomplete) Warn(view, text::kCutMsgNotWritten);
    if (result == kCutOutNotCreated) Warn(view, text::kCutMsgNotCreated);
    if (result == kCutOutNoMemory) Warn(view, text::kCutMsgNoMemory);
    return true;
}

bool OpenWaveCutDialog(AnalysisState& state, UiPort& port, uint32_t selectionStart, uint32_t selectionLength) {
    WaveCutValues values;
    values.currentFile = port.ComboText(form::kComboDisplayFile);
    if (values.currentFile.empty()) {
        port.ShowWarning(text::kCutMsgNoWaveform, kCaptionFileDialog);
        return false;
    }
    const WAData& analysis = state.AnalysisWaveform();
    values.samplingFrequency = analysis.GetSampFreq();
    values.maximumTime =
        values.samplingFrequency > 0.0 ? analysis.GetSize() / values.samplingFrequency * 1000.0 : 0.0;
    values.selectionStart = selectionStart;
    values.selectionLength = selectionLength;
    values.waveforms[0] = &state.RawWaveform();
    values.waveforms[1] = &analysis;
    values.waveforms[2] = &state.YuragiWaveform();
    return port.RunModalDialog(kDialogWaveCut, values);
}

}  // namespace kr70
