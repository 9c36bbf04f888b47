#include "FileDialogs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "Kr70TextIds.h"
#include "WaveFile.h"

namespace kr70 {
namespace {

enum class PathKind { Missing, Directory, Other };

PathKind KindOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return PathKind::Missing;
    return S_ISDIR(info.st_mode) ? PathKind::Directory : PathKind::Other;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

Message PathMessage(int32_t textId, const std::string& path, MessageIcon icon) {
    Message message;
    message.parts.push_back(MessagePart{textId, {}, "\n    " + path});
    message.captionId = kCaptionFileDialog;
    message.icon = icon;
    return message;
}

void Warn(UiPort& port, int32_t textId) {
    Message message;
    message.parts.push_back(MessagePart{textId, {}, {}});
    message.captionId = kCaptionFileDialog;
    message.icon = MessageIcon::Warning;
    port.ShowMessage(message);
}

}  // namespace

std::string DefaultDataDirectory(Profile& profile) {
    return profile.getString(kProfileDirectorySection, kProfileDefaultDirectory, "");
}

std::string WithDefaultDirectory(const std::string& name, const std::string& defaultDirectory) {
    if (name.empty() || defaultDirectory.empty() || name.find('/') != std::string::npos) return name;
    return defaultDirectory.back() == '/' ? defaultDirectory + name : defaultDirectory + "/" + name;
}

std::string FullPath(const std::string& text) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty()) return trimmed;
    std::filesystem::path path(trimmed);
    if (path.is_relative()) {
        std::error_code error;
        const std::filesystem::path current = std::filesystem::current_path(error);
        if (!error) path = current / path;
    }
    return WithoutTrailingSlash(path.lexically_normal().string());
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int32_t CheckDirectory(UiPort& port, const std::string& directory, std::string* checked) {
    const std::string trimmed = Trim(directory);
    if (trimmed.empty()) {
        Warn(port, text::kMsgDirectoryEmpty);
        return 0;
    }
    if (trimmed.front() != '/') {
        Warn(port, text::kMsgPathNotAbsolute);
        return 0;
    }
    const std::string path = WithoutTrailingSlash(trimmed);
    if (checked != nullptr) *checked = path;
    switch (KindOf(path)) {
        case PathKind::Directory:
            return 1;
        case PathKind::Other:
            port.ShowMessage(PathMessage(text::kMsgPathNotDirectory, path, MessageIcon::Warning));
            return 0;
        case PathKind::Missing:
            break;
    }
    if (!port.AskYesNo(PathMessage(text::kAskCreateDirectory, path, MessageIcon::Question))) return 0;
    // Level by level from the root, so that the message names the level that
    // is in the way or cannot be made.
    size_t position = 0;
    while (position != std::string::npos) {
        position = path.find('/', position + 1);
        const std::string level = path.substr(0, position);
        const PathKind kind = KindOf(level);
        if (kind == PathKind::Directory) continue;
        if (kind == PathKind::Other) {
            port.ShowMessage(PathMessage(text::kMsgPathNotDirectory, level, MessageIcon::Warning));
            return 0;
        }
        if (::mkdir(level.c_str(), 0777) != 0 && !(errno == EEXIST && KindOf(level) == PathKind::Directory)) {
            port.ShowMessage(PathMessage(text::kMsgDirectoryNotCreated, level, MessageIcon::Warning));
            return 0;
        }
    }
    return 1;
}

int32_t CheckOverwrite(UiPort& port, const std::string& path, bool* askOnce) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 1;
    if (S_ISDIR(info.st_mode)) {
        port.ShowMessage(PathMessage(text::kMsgPathNotDirectory, path, MessageIcon::Warning));
        return 0;
    }
    if (askOnce == nullptr || *askOnce) {
        if (!port.AskYesNo(PathMessage(text::kAskOverwrite, path, MessageIcon::Question))) return 0;
        if (askOnce != nullptr) *askOnce = false;
    }
    // A read-only file is replaced as the user asked; the writers replace the
    // file by renaming, so a failure here is not fatal and is not reported.
    if ((info.st_mode & S_IWUSR) == 0) ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR);
    return 1;
}

DirectoryAndName SplitTypedFileName(const std::string& directoryField, const std::string& typedName) {
    DirectoryAndName result{directoryField, typedName};
    const size_t slash = typedName.rfind('/');
    if (slash == std::string::npos) return result;
    const std::string part = slash == 0 ? "/" : typedName.substr(0, slash);
    result.name = typedName.substr(slash + 1);
    if (part.front() == '/') {
        result.directory = part;
    } else if (directoryField.empty()) {
        result.directory = part;
    } else {
        result.directory = WithoutTrailingSlash(directoryField) + (directoryField == "/" ? "" : "/") + part;
    }
    return result;
}

std::string DefDirFileDialogDirectory(Profile& profile, int32_t directoryMode, const std::string& initialDirectory) {
    const std::string defaultDirectory = DefaultDataDirectory(profile);
    if (directoryMode == 1) return initialDirectory.empty() ? defaultDirectory : initialDirectory;
    if (profile.getInt(kProfileDirectorySection, kProfileDefaultDirectoryMode, 0) == 1) return defaultDirectory;
    return profile.getString(kProfileDirectorySection, kProfileOpenDirectory, defaultDirectory);
}

void RememberAcceptedFile(Profile& profile, const std::string& acceptedPath, bool defaultDirectoryBox) {
    if (defaultDirectoryBox) {
        profile.setInt(kProfileDirectorySection, kProfileDefaultDirectoryMode, 1);
        return;
    }
    profile.setInt(kProfileDirectorySection, kProfileDefaultDirectoryMode, 0);
    const std::string path = WithoutTrailingSlash(acceptedPath);
    const std::string directory = KindOf(path) == PathKind::Directory ? path : DirectoryOf(path);
    if (!directory.empty()) profile.setString(kProfileDirectorySection, kProfileOpenDirectory, directory);
}

std::vector<std::string> RunDefDirFileDialog(UiPort& port, Profile& profile, const DefDirFileDialog& dialog) {
    FileDialogRequest request = dialog.request;
    request.initialDirectory = DefDirFileDialogDirectory(profile, dialog.directoryMode, dialog.initialDirectory);
    bool box = profile.getInt(kProfileDirectorySection, kProfileDefaultDirectoryMode, 0) == 1;
    const std::vector<std::string> paths = port.ChooseFilesWithDirectoryBox(request, box);
    if (!paths.empty()) RememberAcceptedFile(profile, paths.back(), box);
    return paths;
}

bool ChangeDefaultDirectory(UiPort& port, Profile& profile) {
    const std::string current = DefaultDataDirectory(profile);
    const std::string chosen =
        port.BrowseFolder(current, MessagePart{text::kTitleDefaultDirectory, {current}, {}});
    if (chosen.empty()) return false;
    profile.setString(kProfileDirectorySection, kProfileDefaultDirectory, WithoutTrailingSlash(chosen));
    return true;
}

}  // namespace kr70
