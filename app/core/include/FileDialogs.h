// FileDialogs — where files go, and the checks every save runs before it writes.
//
// Every file name the workstation makes or asks for is anchored in one default
// data directory kept in the profile ("DirPosPlus"/"DirDefaultPlus"). This
// header gives:
//   - the default-directory prefix for bare names,
//   - the open/save dialog CDefDirFileDlg (which directory it starts in, what
//     it remembers when a file is accepted),
//   - the default-directory command 32784,
//   - the directory check (which may create missing directories after one
//     question) and the overwrite check (which can ask once for a whole save),
//   - splitting a typed file name into directory and name.
//
// Paths use "/" and are absolute; a trailing "/" is dropped from directories
// except for the root. Messages go through the UI port with caption 2170; a
// path appended to a message follows a line feed and four blanks. Nothing
// here prints. All calls come from the user-interface thread.
#ifndef KR70_APP_CORE_FILEDIALOGS_H
#define KR70_APP_CORE_FILEDIALOGS_H

#include <cstdint>
#include <string>
#include <vector>

#include "Profile.h"
#include "UiPort.h"

namespace kr70 {

// Profile section and keys of the directories.
inline constexpr char kProfileDirectorySection[] = "DirPosPlus";
inline constexpr char kProfileDefaultDirectory[] = "DirDefaultPlus";
inline constexpr char kProfileDefaultDirectoryMode[] = "DirDefSetPlus";  // 1: open dialogs start there
inline constexpr char kProfileOpenDirectory[] = "DirOpenPosPlus";

// Controls of the CDefDirFileDlg extra template (dialog 147).
inline constexpr int32_t kControlBrowsedFolder = 1189;
inline constexpr int32_t kControlDefaultDirectoryBox = 1101;

// Command 32784.
inline constexpr int32_t kCommandDefaultDirectory = 32784;

// "DirDefaultPlus" as stored (may be empty before start-up has set it).
std::string DefaultDataDirectory(Profile& profile);

// A name without any directory part becomes defaultDirectory + "/" + name
// ("/" only when the directory does not end with one); any other name, an
// empty name and an empty directory leave the name unchanged.
std::string WithDefaultDirectory(const std::string& name, const std::string& defaultDirectory);
inline std::string WithDefaultDirectory(Profile& profile, const std::string& name) {
    return WithDefaultDirectory(name, DefaultDataDirectory(profile));
}

// Text made a full path: trimmed, a relative text taken against the current
// directory, "." and ".." resolved lexically, no trailing "/" (except "/").
// Empty text stays empty.
std::string FullPath(const std::string& text);

// Directory part of a path (up to its last "/", "/" for a file in the root),
// empty when it has none.
std::string DirectoryOf(const std::string& path);
// Name part of a path (after its last "/").
std::string NameOf(const std::string& path);

// Directory check. The text is trimmed; it must be an absolute path (message
// 2148) and not empty (2145); a trailing "/" is dropped. An existing directory
// is usable. A path that exists but is not a directory gives 2142 + path. A
// missing path is created after one question (2143 + path, Yes/No), level by
// level from the root: a level that cannot be made gives 2144 + that level, a
// level that is a file gives 2142 + that level. Returns 1 usable, 0 not;
// checked (optional) receives the checked directory.
int32_t CheckDirectory(UiPort& port, const std::string& directory, std::string* checked = nullptr);

// Overwrite check for one target path. A path that does not exist may be
// written (1). A directory gives 2142 + path (0). An existing file asks 2147 +
// path (Yes/No) unless askOnce is given and already false: No gives 0; Yes sets
// *askOnce false, so the later targets of the same save are not asked about.
// A file that may be written is made writable for its owner first.
int32_t CheckOverwrite(UiPort& port, const std::string& path, bool* askOnce = nullptr);

// A typed file name with a directory part moves that part into the directory
// field: an absolute part replaces the directory, a relative one is appended
// to it with "/"; the name keeps only the name and extension. A name without
// a directory part leaves both unchanged.
struct DirectoryAndName {
    std::string directory;
    std::string name;
};
DirectoryAndName SplitTypedFileName(const std::string& directoryField, const std::string& typedName);

// CDefDirFileDlg: the open or save dialog of the workstation.
struct DefDirFileDialog {
    FileDialogRequest request;  // initialDirectory is set by RunDefDirFileDialog
    // 1: start in initialDirectory, or the default data directory when that is
    // empty. Otherwise: the default data directory when "DirDefSetPlus" is 1,
    // else the last open directory ("DirOpenPosPlus", default: the default
    // data directory).
    int32_t directoryMode = 0;
    std::string initialDirectory;
};

// Directory the dialog starts in (rules above).
std::string DefDirFileDialogDirectory(Profile& profile, int32_t directoryMode, const std::string& initialDirectory);

// What the dialog stores when the user accepts acceptedPath: with the box on
// "DirDefSetPlus" = 1 and nothing else; with it off "DirDefSetPlus" = 0 and
// "DirOpenPosPlus" = the directory of the path (a path that names a directory
// stores that directory itself).
void RememberAcceptedFile(Profile& profile, const std::string& acceptedPath, bool defaultDirectoryBox);

// Runs the dialog through the port: the box starts as "DirDefSetPlus" == 1;
// on acceptance the choice is remembered. Returns the chosen paths (empty
// when cancelled).
std::vector<std::string> RunDefDirFileDialog(UiPort& port, Profile& profile, const DefDirFileDialog& dialog);

// Command 32784: the folder browser titled with text 2032 (current default
// directory), starting there; a chosen directory becomes "DirDefaultPlus".
// True when a directory was chosen.
bool ChangeDefaultDirectory(UiPort& port, Profile& profile);

}  // namespace kr70

#endif
