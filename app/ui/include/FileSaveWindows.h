#pragma once
// The Qt windows of the waveform cut-out dialog (151) and the data-file save
// dialog (150). Both bind their widgets, named by control id, to their Qt-free
// logic (WaveCutDialog.h, DataSaveDialog.h), which decides and writes; the
// window only shows. Warnings go to the given sink (the UI port's message box).
#include "SettingsDialogWindow.h"
#include "UiPort.h"

#include <memory>

namespace kr70::ui {

// Dialog 151 over WaveCutValues, or dialog 150 over DataSaveValues, ready to
// exec(); null for any other dialog or value type. port serves the file
// dialogs, questions and the wait cursor of the logic.
std::unique_ptr<SettingsDialogWindow> createFileSaveDialog(int32_t dialogId, DialogValues& values, UiPort& port,
                                                           SettingsDialogWindow::WarningSink warn, QWidget* parent);

}  // namespace kr70::ui
