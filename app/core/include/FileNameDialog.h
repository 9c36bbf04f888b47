// FileNameDialog — the logic of the file-name dialog 1064: a directory field
// (edit 1121, "参照..." 1130) and a file-name field (edit 1124, "参照..."
// 1129), "保存" and "キャンセル". It serves three modes:
//   Parameter    save a parameter file (title 561, extension "ini"),
//   Environment  save an environment file (title 564, extension "bet"),
//   Stem         choose the stem of recorded files (title 2132, no extension).
// The window binds its two edits and four buttons to the operations below and
// shows directory and name after each; everything it decides (extension
// rule, checks, questions, messages) is decided here, through the UI port.
// Outside stem mode "保存" hands the checked target path to the writer given
// by the caller, which says whether the file was written (the dialog then
// closes) or shows its own message (the dialog stays open).
#ifndef KR70_APP_CORE_FILENAMEDIALOG_H
#define KR70_APP_CORE_FILENAMEDIALOG_H

#include <cstdint>
#include <functional>
#include <string>

#include "Profile.h"
#include "UiPort.h"

namespace kr70 {

inline constexpr int32_t kDialogFileName = 1064;

namespace filename {
inline constexpr int32_t kEditDirectory = 1121;
inline constexpr int32_t kButtonBrowseDirectory = 1130;
inline constexpr int32_t kEditName = 1124;
inline constexpr int32_t kButtonBrowseFile = 1129;
}  // namespace filename

enum class FileNameMode { Parameter, Environment, Stem };

class FileNameDialog {
public:
    using Writer = std::function<bool(const std::string& target)>;

    // initialName: the file the dialog proposes (may be empty or bare). Its
    // directory, or the default data directory when it has none, fills the
    // directory field; its name with the extension rule fills the name field.
    FileNameDialog(UiPort& port, Profile& profile, FileNameMode mode, const std::string& initialName,
                   Writer writer = {});

    FileNameMode Mode() const { return mode_; }
    int32_t TitleId() const;
    // "bet", "ini" or "" (stem mode).
    const char* Extension() const;

    // The two fields as the window shows them; the window writes typed text
    // here before it calls an operation and shows them again afterwards.
    std::string directory;
    std::string name;

    // "参照..." of the directory: the folder browser (title 2137) from the
    // current directory; a choice goes into the field and is checked.
    void BrowseDirectory();
    // "参照..." of the file name: the workstation's save dialog started in the
    // current directory with this mode's two filters; the choice is split into
    // directory and name (extension rule).
    void BrowseFile();
    // Leaving the directory field or Enter in it: empty means the default
    // data directory; the text is made a full path and checked (the check may
    // create it). True when usable.
    bool DirectoryDone();
    // Leaving the file-name field: the extension rule.
    void NameDone();
    // Enter in the file-name field: the extension rule, then the name must not
    // be empty (2126) and a directory part moves into the directory field.
    // True when the name is usable.
    bool NameEnter();
    // "保存": the checks, then by mode the writer or the stem question. True
    // when the dialog closes; FocusField() says which field to focus otherwise.
    bool Save();

    // After Save returned true: the target path (Parameter, Environment) or
    // the stem path (Stem: directory + "/" + stem).
    const std::string& Result() const { return result_; }
    int32_t FocusField() const { return focusField_; }

    // Name with the extension rule: a missing extension or a bare "." gets
    // this mode's extension; in stem mode any extension is dropped.
    std::string WithExtensionRule(const std::string& fileName) const;

private:
    UiPort& port_;
    Profile& profile_;
    FileNameMode mode_;
    Writer writer_;
    std::string result_;
    int32_t focusField_ = 0;
};

// Modal dialog 1064 through UiPort::RunModalDialog: the window runs the logic;
// accepted when Save returned true.
struct FileNameDialogValues : DialogValues {
    explicit FileNameDialogValues(FileNameDialog& logic) : dialog(logic) {}
    FileNameDialog& dialog;
};

// File number taken from a saved file's name: the value of its last one to
// three characters when they are digits (abc.007 → 7), else 1 (abc.ini).
int32_t FileNumberFromName(const std::string& path);

}  // namespace kr70

#endif
