#include "ParameterFileCommands.h"

#include <algorithm>
#include <cstring>

#include "FileDialogs.h"
#include "FileNameDialog.h"
#include "Kr70TextIds.h"

namespace kr70 {
namespace {

constexpr int32_t kComboDisplayFile = 1094;

std::string WithoutExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

}  // namespace

bool ApplyParameterFile(AnalysisState& state, const std::string& path) {
    if (state.OpenParameterFile(path) != 1) return false;
    const std::string selected = state.Port().ComboText(kComboDisplayFile);
    if (!selected.empty()) state.LoadWaveform(selected);
    return true;
}

bool OpenParameterFileCommand(AnalysisState& state, Profile& profile) {
    DefDirFileDialog dialog;
    dialog.request.mustExist = true;
    dialog.request.defaultExtension = "ini";
    dialog.request.filters.push_back(FileFilter{text::kFilterParameterFile, {"ini", "ini"}, {}, {}});
    const std::vector<std::string> paths = RunDefDirFileDialog(state.Port(), profile, dialog);
    if (paths.empty()) return false;
    return ApplyParameterFile(state, paths.back());
}

bool WriteParameterFile(AnalysisState& state, LmIniRecord& record, const std::string& target) {
    const std::string stem = WithoutExtension(target);
    const size_t length = std::min(stem.size(), sizeof record.cSaveFile - 1);
    std::memcpy(record.cSaveFile, stem.data(), length);
    record.cSaveFile[length] = '\0';
    if (LmIniWrite(target.c_str(), &record) != LMINI_OK) {
        state.Port().ShowWarning(text::kMsgParameterFileNotWritten, kCaptionFileDialog);
        return false;
    }
    LmIniMove(&record, &state.ParameterRecord());
    state.Settings().parameterFile = target;
    state.Settings().fileNumber = FileNumberFromName(target);
    return true;
}

bool SaveParameterFileCommand(AnalysisState& state, Profile& profile) {
    LmIniRecord record;
    state.FillParameterRecord(record);
    const std::string initialName =
        state.Settings().parameterFile.empty() ? std::string(record.cSaveFile) : state.Settings().parameterFile;
    FileNameDialog dialog(state.Port(), profile, FileNameMode::Parameter, initialName,
                          [&](const std::string& target) { return WriteParameterFile(state, record, target); });
    FileNameDialogValues values(dialog);
    return state.Port().RunModalDialog(kDialogFileName, values);
}

}  // namespace kr70
