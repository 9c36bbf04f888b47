// ParameterFileCommands — the open (32789) and save (32788) parameter-file
// commands of the main view, over the analysis state's record binding.
//
// Opening applies a file as "open parameter file" does everywhere (the
// headless analyser too): the file's load-direction fields replace the
// settings, the peak threshold included, and the waveform selected in the
// display-file list is loaded again so that every result follows. (Starting
// the program with a parameter file differs: start-up then resets yuragi
// parameter 1 to 4 and the peak threshold to 0.)
#ifndef KR70_APP_CORE_PARAMETERFILECOMMANDS_H
#define KR70_APP_CORE_PARAMETERFILECOMMANDS_H

#include <string>

#include "AnalysisState.h"
#include "Profile.h"

namespace kr70 {

inline constexpr int32_t kCommandOpenParameterFile = 32789;
inline constexpr int32_t kCommandSaveParameterFile = 32788;

// 32789: the open dialog (CDefDirFileDlg, filter 2033 with "ini", file and
// path must exist), then ApplyParameterFile. True when a file was applied.
bool OpenParameterFileCommand(AnalysisState& state, Profile& profile);

// Applies path as the parameter file in use (message 2007 and the path
// forgotten when it cannot be read; nothing else changes then) and loads the
// display-file combo box's selection again. True when applied.
bool ApplyParameterFile(AnalysisState& state, const std::string& path);

// 32788: fills the record, then dialog 1064 in parameter mode proposing the
// parameter file in use (else the record's cSaveFile in the default data
// directory). True when a file was written.
bool SaveParameterFileCommand(AnalysisState& state, Profile& profile);

// The write of dialog 1064 in parameter mode: cSaveFile = target without its
// extension, LmIniWrite (message 2128, caption 2170 on failure: false). On
// success target becomes the parameter file in use and the file number comes
// from the target's trailing digits.
bool WriteParameterFile(AnalysisState& state, LmIniRecord& record, const std::string& target);

}  // namespace kr70

#endif
