#include "FileNameDialog.h"

#include "FileDialogs.h"
#include "Kr70TextIds.h"
#include "WaveFile.h"

namespace kr70 {
namespace {

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

}  // namespace

FileNameDialog::FileNameDialog(UiPort& port, Profile& profile, FileNameMode mode, const std::string& initialName,
                               Writer writer)
    : port_(port), profile_(profile), mode_(mode), writer_(std::move(writer)) {
    const std::string trimmed = Trim(initialName);
    directory = DirectoryOf(trimmed);
    if (directory.empty()) directory = DefaultDataDirectory(profile_);
    name = WithExtensionRule(NameOf(trimmed));
}

int32_t FileNameDialog::TitleId() const {
    switch (mode_) {
        case FileNameMode::Environment:
            return text::kTitleSaveEnvironmentFile;
        case FileNameMode::Stem:
            return text::kTitleSaveStem;
        default:
            return text::kTitleSaveParameterFile;
    }
}

const char* FileNameDialog::Extension() const {
    switch (mode_) {
        case FileNameMode::Environment:
            return "bet";
        case FileNameMode::Parameter:
            return "ini";
        default:
            return "";
    }
}

std::string FileNameDialog::WithExtensionRule(const std::string& fileName) const {
    const size_t slash = fileName.rfind('/');
    const size_t dot = fileName.rfind('.');
    const bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (mode_ == FileNameMode::Stem) return hasDot ? fileName.substr(0, dot) : fileName;
    if (fileName.empty()) return fileName;
    if (!hasDot) return fileName + "." + Extension();
    if (dot + 1 == fileName.size()) return fileName + Extension();
    return fileName;
}

void FileNameDialog::BrowseDirectory() {
    const std::string chosen = port_.ChooseFolder(directory, text::kTitleChooseDirectory);
    if (chosen.empty()) return;
    directory = chosen;
    DirectoryDone();
}

void FileNameDialog::BrowseFile() {
    DefDirFileDialog dialog;
    dialog.directoryMode = 1;
    dialog.initialDirectory = directory;
    FileDialogRequest& request = dialog.request;
    request.save = true;
    request.mustExist = false;
    request.initialName = name;
    request.defaultExtension = Extension();
    switch (mode_) {
        case FileNameMode::Environment:
            request.filters.push_back(FileFilter{text::kDescEnvironmentFile, {"bet"}, {}, "*.bet"});
            break;
        case FileNameMode::Stem:
            request.filters.push_back(FileFilter{text::kDescWaveFile, {}, {}, "*.wav"});
            break;
        default:
            request.filters.push_back(FileFilter{text::kDescParameterFile, {"ini"}, {}, "*.ini"});
            break;
    }
    request.filters.push_back(FileFilter{text::kDescAllFiles, {}, {}, "*.*"});
    const std::vector<std::string> paths = RunDefDirFileDialog(port_, profile_, dialog);
    if (paths.empty()) return;
    const std::string& path = paths.back();
    if (!DirectoryOf(path).empty()) directory = DirectoryOf(path);
    name = WithExtensionRule(NameOf(path));
}

bool FileNameDialog::DirectoryDone() {
    std::string text = Trim(directory);
    if (text.empty()) text = DefaultDataDirectory(profile_);
    directory = FullPath(text);
    std::string checked;
    const bool usable = CheckDirectory(port_, directory, &checked) == 1;
    if (!checked.empty()) directory = checked;
    if (!usable) focusField_ = filename::kEditDirectory;
    return usable;
}

void FileNameDialog::NameDone() { name = WithExtensionRule(Trim(name)); }

bool FileNameDialog::NameEnter() {
    NameDone();
    if (name.empty()) {
        port_.ShowWarning(text::kMsgFileNameEmpty, kCaptionFileDialog);
        focusField_ = filename::kEditName;
        return false;
    }
    const DirectoryAndName split = SplitTypedFileName(directory, name);
    directory = split.directory;
    name = split.name;
    return true;
}

bool FileNameDialog::Save() {
    focusField_ = 0;
    if (!DirectoryDone()) return false;
    const std::string checkedDirectory = directory;
    if (!NameEnter()) return false;
    // A directory part typed with the name may name another directory.
    if (directory != checkedDirectory && !DirectoryDone()) return false;
    if (name.empty()) {
        port_.ShowWarning(text::kMsgFileNameEmpty, kCaptionFileDialog);
        focusField_ = filename::kEditName;
        return false;
    }
    const std::string target = JoinPath(directory, name);
    if (mode_ == FileNameMode::Stem) {
        Message question;
        question.captionId = text::kCaptionConfirmStem;
        question.icon = MessageIcon::Question;
        question.parts.push_back(MessagePart{text::kAskStemHeading, {}, {}});
        question.parts.push_back(MessagePart{text::kAskStemDirectory, {}, directory});
        question.parts.push_back(
            MessagePart{text::kAskStemFileNames, {}, name + "-001#xx.wav \xEF\xBD\x9E " + name + "-999#xx.wav"});
        question.parts.push_back(MessagePart{text::kAskStemConfirm, {}, {}});
        if (!port_.AskYesNo(question)) return false;
        result_ = target;
        return true;
    }
    if (CheckOverwrite(port_, target) != 1) {
        focusField_ = filename::kEditName;
        return false;
    }
    if (writer_ && !writer_(target)) return false;
    result_ = target;
    return true;
}

int32_t FileNumberFromName(const std::string& path) {
    const std::string fileName = NameOf(path);
    size_t digits = 0;
    while (digits < 3 && digits < fileName.size() &&
           fileName[fileName.size() - 1 - digits] >= '0' && fileName[fileName.size() - 1 - digits] <= '9') {
        ++digits;
    }
    if (digits == 0) return 1;
    return std::stoi(fileName.substr(fileName.size() - digits));
}

}  // namespace kr70
