#include "MainForm.h"

#include "AnalysisState.h"
#include "FileDialogs.h"
#include "FileRefusal.h"
#include "Kr70TextIds.h"
#include "UiPort.h"
#include "WaveFile.h"

namespace kr70 {
using namespace form;

MainForm::MainForm(AnalysisState& state, UiPort& port, Profile& profile)
    : state_(state), port_(port), profile_(profile) {}

void MainForm::selectPage(int index) {
  page_ = index;
  port_.ShowControl(static_cast<int32_t>(PageId::Waveform), index == 0);
  port_.ShowControl(static_cast<int32_t>(PageId::Spectrum), index == 1);
  port_.ShowControl(static_cast<int32_t>(PageId::Abnormal), index == 4);
  // The difference pages show for their own buttons, so that choosing one
  // never leaves the form empty.
  port_.ShowControl(static_cast<int32_t>(PageId::DifSpectrum), index == 2);
  port_.ShowControl(static_cast<int32_t>(PageId::DifWaveform), index == 3);
}

void MainForm::viewCommand(int32_t commandId) {
  int index = 0;
  if (commandId == kCommandViewSpectrum) {
    if (!state_.Settings().spectraEnabled) return;  // the command is disabled
    index = 1;
  } else if (commandId == kCommandViewAbnormal) {
    index = 4;
  }
  port_.SetControlChecked(kRadioWaveform, index == 0);
  port_.SetControlChecked(kRadioSpectrum, index == 1);
  port_.SetControlChecked(kRadioAbnormal, index == 4);
  port_.CheckMenuItem(kCommandViewWaveform, index == 0);
  port_.CheckMenuItem(kCommandViewSpectrum, index == 1);
  port_.CheckMenuItem(kCommandViewAbnormal, index == 4);
  selectPage(index);
}

void MainForm::openFiles() {
  DefDirFileDialog dialog;
  dialog.request.multiSelect = true;
  dialog.request.mustExist = true;
  dialog.request.filters.push_back(FileFilter{kTextOpenFilter, {}, {}, {}});
  dialog.request.defaultExtension = "wav";
  openPaths(RunDefDirFileDialog(port_, profile_, dialog));
}

void MainForm::openPaths(const std::vector<std::string>& paths) {
  if (paths.empty()) return;

  const AnalysisSettings& settings = state_.Settings();
  // The file system tells names apart by case, so only an equal path is the
  // current file.
  auto isCurrentUnchanged = [&](const std::string& path) {
    return path == settings.currentFile && settings.currentFileTime != 0 &&
           FileTime(path) == settings.currentFileTime;
  };
  const RecentFileList before = state_.RecentFiles();
  std::vector<std::string> accepted;
  // Every refused file is named with its reason in one box.
  Message refused;
  for (const std::string& path : paths) {
    if (isCurrentUnchanged(path)) continue;
    if (IsRawDataFile(path) == 1 || CheckWavHeader(path) == 1) {
      state_.RecentFiles().Add(path);
      state_.RebuildFileCombo(path);
      accepted.push_back(path);
    } else {
      FileRefusal why = DiagnoseWaveformPath(path);
      if (why.kind == RefusalKind::None) why.kind = RefusalKind::NotWaveform;
      AppendRefusal(refused, path, why);
    }
  }
  const std::string& last = paths.back();
  // With nothing accepted the last path was refused: message 2021 names it,
  // and the reasons follow.
  if (!refused.parts.empty()) {
    const bool noneAccepted = accepted.empty() && last != settings.currentFile;
    refused.parts.insert(refused.parts.begin(),
                         noneAccepted ? MessagePart{kTextNoAcceptedFile, {last}, "\n"}
                                      : MessagePart{text::kMsgFilesNotOpened, {}, "\n"});
    port_.ShowMessage(refused);
  }
  if (!accepted.empty()) {
    const std::string lastAccepted = accepted.back();
    if (state_.LoadWaveform(lastAccepted) != 1) {
      // The display never names a file whose data it does not show: the
      // file that could not be loaded leaves the list again (the others
      // accepted stay, in order) and the file shown stays selected.
      state_.RecentFiles() = before;
      accepted.pop_back();
      for (const std::string& path : accepted) state_.RecentFiles().Add(path);
      state_.RebuildFileCombo(settings.currentFile);
    }
  }
}

void MainForm::comboSelected() {
  const std::string path = port_.ComboText(kComboDisplayFile);
  const AnalysisSettings& settings = state_.Settings();
  if (path == settings.currentFile && settings.currentFileTime != 0 &&
      FileTime(path) == settings.currentFileTime)
    return;
  if (state_.LoadWaveform(path) == 1) {
    state_.RecentFiles().Touch(path);
  } else {
    state_.RebuildFileCombo(settings.currentFile);
  }
}

void MainForm::fftDisplaySettings(const FftDialog& dialog) {
  int32_t flag = state_.Settings().spectraEnabled;
  if (!dialog || dialog(&flag) != 1) return;
  const bool enabled = flag != 0;
  if (!state_.SetSpectraEnabled(enabled)) return;
  if (!enabled && page_ == 1) viewCommand(kCommandViewWaveform);
}

}  // namespace kr70
