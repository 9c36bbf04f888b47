#include "DataSaveDialog.h"

#include "AnalysisState.h"
#include "FileDialogs.h"
#include "Kr70TextIds.h"
#include "MainForm.h"
#include "Profile.h"
#include "WaveFile.h"

#include <filesystem>

namespace kr70 {
namespace {

using namespace dialog;

struct Kind {
    int32_t checkBox;
    const char* extension;
    uint32_t bit;
    int32_t captionId;
};

// In check-box order.
constexpr Kind kKinds[] = {
    {kCheckSaveRaw, "rdt", kResultRaw, text::kSaveKindRaw},
    {kCheckSaveAnalysis, "adt", kResultAnalysis, text::kSaveKindAnalysis},
    {kCheckSaveSpectrum, "spd", kResultSpectrum, text::kSaveKindSpectrum},
    {kCheckSaveDifSpectrum, "dsd", kResultDifSpectrum, text::kSaveKindDifSpectrum},
    {kCheckSaveYuragi, "ydt", kResultYuragi, text::kSaveKindYuragi},
    {kCheckSaveYuragiSpectrum, "ysp", kResultYuragiSpectrum, text::kSaveKindYuragiSpectrum},
    {kCheckSaveSquareMean, "sdt", kResultSquareMean, text::kSaveKindSquareMean},
};

bool IsRawDataName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".rdt";
}

}  // namespace

DataSaveDialog::DataSaveDialog(DataSaveValues& values, UiPort& port) : values_(values), port_(port) {}

void DataSaveDialog::Open(DialogView& view) {
    view.SetChecked(kCheckDataArea, true);
    const std::string& current = values_.currentFile;
    view.SetText(kEditSaveDirectory, current.empty() ? values_.defaultDirectory : DirectoryOf(current));
    view.SetText(kEditSaveName, current.empty() ? std::string() : std::filesystem::path(current).stem().string());
    for (const Kind& kind : kKinds) {
        view.SetTextId(kind.checkBox, kind.captionId);
        view.SetChecked(kind.checkBox, false);
    }
    // A waveform that is not a raw-data file is offered for saving as one.
    if (!current.empty() && !IsRawDataName(current)) {
        view.SetTextId(kCheckSaveRaw, text::kSaveRawFromWave);
        view.SetChecked(kCheckSaveRaw, true);
    }
    view.Show(kCheckSaveDifSpectrum, false);
    view.Show(kCheckSaveDifSpectrum + kNameDisplayOffset, false);
    ShowNames(view);
    EnableSave(view);
}

void DataSaveDialog::ShowNames(DialogView& view) {
    const std::string base = view.Text(kEditSaveName);
    for (const Kind& kind : kKinds) view.SetText(kind.checkBox + kNameDisplayOffset, base + "." + kind.extension);
}

uint32_t DataSaveDialog::CheckedKinds(DialogView& view) {
    uint32_t kinds = 0;
    for (const Kind& kind : kKinds)
        if (view.IsChecked(kind.checkBox)) kinds |= kind.bit;
    return kinds;
}

void DataSaveDialog::EnableSave(DialogView& view) {
    const bool on = view.IsChecked(kCheckDataArea);
    for (int32_t id : {kEditSaveDirectory, kButtonSaveBrowse, kEditSaveName}) view.Enable(id, on);
    for (const Kind& kind : kKinds) {
        view.Enable(kind.checkBox, on);
        view.Enable(kind.checkBox + kNameDisplayOffset, on);
    }
    view.Enable(kOk, on && CheckedKinds(view) != 0);
}

void DataSaveDialog::Clicked(DialogView& view, int32_t) { EnableSave(view); }

void DataSaveDialog::NameEdited(DialogView& view) { ShowNames(view); }

void DataSaveDialog::EditLeft(DialogView& view, int32_t controlId) {
    if (controlId == kEditSaveDirectory) {
        const std::string typed = Trim(view.Text(kEditSaveDirectory));
        view.SetText(kEditSaveDirectory, typed.empty() ? values_.defaultDirectory : FullPath(typed));
    } else if (controlId == kEditSaveName) {
        const DirectoryAndName split =
            SplitTypedFileName(view.Text(kEditSaveDirectory), Trim(view.Text(kEditSaveName)));
        view.SetText(kEditSaveDirectory, split.directory);
        view.SetText(kEditSaveName, split.name);
        ShowNames(view);
    }
}

void DataSaveDialog::Browse(DialogView& view) {
    const std::string chosen = port_.ChooseFolder(view.Text(kEditSaveDirectory), text::kTitleChooseDirectory);
    if (!chosen.empty()) view.SetText(kEditSaveDirectory, chosen);
}

bool DataSaveDialog::Ok(DialogView& view) {
    const uint32_t kinds = CheckedKinds(view);
    if (!view.IsChecked(kCheckDataArea) || kinds == 0 || values_.state == nullptr) return false;
    // OK takes no focus: the edits may not have been left yet.
    EditLeft(view, kEditSaveDirectory);
    EditLeft(view, kEditSaveName);

    std::string directory;
    if (CheckDirectory(port_, view.Text(kEditSaveDirectory), &directory) == 0) {
        view.SelectEdit(kEditSaveDirectory);
        return false;
    }
    view.SetText(kEditSaveDirectory, directory);
    const std::string base = view.Text(kEditSaveName);
    if (base.empty()) {
        port_.ShowWarning(text::kMsgBaseNameEmpty, kCaptionFileDialog);
        view.SelectEdit(kEditSaveName);
        return false;
    }
    ResultFileRequest request;
    request.directory = directory;
    request.base = base;
    request.rawDataName = values_.currentFile;
    request.kinds = kinds;
    request.fileIo = values_.fileIo;
    bool askOnce = true;
    for (const std::string& target : ResultFileTargets(*values_.state, request)) {
        if (CheckOverwrite(port_, target, &askOnce) == 0) {
            view.SelectEdit(kEditSaveName);
            return false;
        }
    }
    WaitCursor wait(port_);
    values_.request = request;
    values_.saved = SaveResultFiles(*values_.state, request, port_);
    return true;
}

bool SaveDataFiles(const AnalysisState& state, UiPort& port, Profile& profile) {
    DataSaveValues values;
    values.state = &state;
    values.currentFile = port.ComboText(form::kComboDisplayFile);
    values.defaultDirectory = DefaultDataDirectory(profile);
    values.fileIo = profile.getString("Custom", "FileIO", "") == "ON";
    return port.RunModalDialog(kDialogDataSave, values);
}

}  // namespace kr70
