// DataSaveDialog — the logic of the data-file save dialog (150) in its
// data-only mode, opened by command 57603: a directory, a base name and the
// data kinds to write with the result-file writer (ResultFiles.h).
//
// Opening takes the file selected in the display-file combo box: its directory
// and base name fill the two edits; a file that is not a raw-data file offers
// its samples as a raw-data file (caption 2162, checked). Every other kind
// starts unchecked; the difference-spectrum kind stays hidden. Each kind's
// name display shows base + "." + extension and follows the name edit.
// "保存する" (OK) is enabled while the data area is on and a kind is checked.
//
// Leaving the directory edit (or Enter) makes it a full path, an empty one
// the default data directory; leaving the name edit moves a typed directory
// part into the directory edit. OK runs the directory check (focus back to
// the directory on failure), refuses an empty name (2146), runs the overwrite
// check over every target with one question for the whole save (a refusal
// puts the focus on the name and writes nothing), then writes with the wait
// cursor and closes. Messages carry caption 2170.
#ifndef KR70_APP_PAGES_DATASAVEDIALOG_H
#define KR70_APP_PAGES_DATASAVEDIALOG_H

#include "FilterDialogs.h"
#include "ResultFiles.h"
#include "UiPort.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

class AnalysisState;
class Profile;

inline constexpr int32_t kDialogDataSave = 150;
inline constexpr int32_t kCommandSaveData = 57603;

namespace dialog {
// 150, data area (button 1 is "保存する", 2 "キャンセル")
inline constexpr int32_t kCheckDataArea = 1131;
inline constexpr int32_t kEditSaveDirectory = 1122;
inline constexpr int32_t kButtonSaveBrowse = 1123;
inline constexpr int32_t kEditSaveName = 1118;
// Kind check boxes 1104 … 1110; the name display of kind box b is b + 7.
inline constexpr int32_t kCheckSaveRaw = 1104;        // .rdt
inline constexpr int32_t kCheckSaveAnalysis = 1105;   // .adt
inline constexpr int32_t kCheckSaveSpectrum = 1106;   // .spd
inline constexpr int32_t kCheckSaveDifSpectrum = 1107;  // .dsd, hidden
inline constexpr int32_t kCheckSaveYuragi = 1108;     // .ydt
inline constexpr int32_t kCheckSaveYuragiSpectrum = 1109;  // .ysp
inline constexpr int32_t kCheckSaveSquareMean = 1110;  // .sdt
inline constexpr int32_t kNameDisplayOffset = 7;
}  // namespace dialog

struct DataSaveValues : DialogValues {
    const AnalysisState* state = nullptr;
    std::string currentFile;       // the display-file combo box's path
    std::string defaultDirectory;  // for an empty directory edit
    bool fileIo = false;           // the file-I/O option: also baseY.adt and baseY.spd
    // Out, after OK: what was written.
    ResultFileRequest request;
    std::vector<SavedFile> saved;
};

class DataSaveDialog : public SettingsDialog {
public:
    DataSaveDialog(DataSaveValues& values, UiPort& port);
    void Open(DialogView& view) override;
    void EditLeft(DialogView& view, int32_t controlId) override;
    void Enter(DialogView& view, int32_t controlId) override { EditLeft(view, controlId); }
    bool Ok(DialogView& view) override;
    void Clicked(DialogView& view, int32_t controlId) override;
    // Every change of the name edit.
    void NameEdited(DialogView& view);
    // "参照...": the folder browser, starting at the directory edit.
    void Browse(DialogView& view);

private:
    void ShowNames(DialogView& view);
    void EnableSave(DialogView& view);
    uint32_t CheckedKinds(DialogView& view);

    DataSaveValues& values_;
    UiPort& port_;
};

// Command 57603: dialog 150 through the port over the state, the combo box's
// file, the default data directory and the file-I/O option of the profile.
// True when the dialog saved.
bool SaveDataFiles(const AnalysisState& state, UiPort& port, Profile& profile);

}  // namespace kr70

#endif
