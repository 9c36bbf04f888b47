// FilterDialogs — the logic of the preprocessing settings dialogs: sampling
// pitch (130), yuragi filter (131) and frequency-response filter (132).
//
// A dialog object decides everything (ranges, which controls are enabled or
// shown, which list entry is selected, when a value is refused and which
// warning that gives); a DialogView only shows it. The Qt dialogs implement
// DialogView over their widgets, tests over a map of control states.
//
// Edits are validated when they lose the focus and on Enter: a refused value
// shows one warning, the previous value returns and the edit is selected
// again. Enter never closes a dialog; OK transfers and checks every value and
// tells the caller whether the dialog may close.
#ifndef KR70_APP_PAGES_FILTERDIALOGS_H
#define KR70_APP_PAGES_FILTERDIALOGS_H

#include "UiPort.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

// Controls of the three dialogs. Buttons: 1 OK, 2 cancel. Labels without an
// id of their own are named kLabelOf + the id of the control they describe.
namespace dialog {
inline constexpr int32_t kOk = 1;
inline constexpr int32_t kCancel = 2;
inline constexpr int32_t kLabelOf = 10000;
// 130
inline constexpr int32_t kEditSamplingPitch = 1011;
inline constexpr int32_t kStaticSamplingFrequency = 1009;
inline constexpr int32_t kStaticDataPoints = 1010;
// 131
inline constexpr int32_t kEditYuragi1 = 1012;
inline constexpr int32_t kEditYuragi2 = 1013;
inline constexpr int32_t kEditYuragi3 = 1014;
inline constexpr int32_t kEditYuragi4 = 1074;
// 132
inline constexpr int32_t kCheckFilterOn = 1015;
inline constexpr int32_t kRadioLpf = 1016;  // 1016 … 1019: LPF, HPF, BPF, BEF
inline constexpr int32_t kRadioBef = 1019;
inline constexpr int32_t kListLength = 1020;
inline constexpr int32_t kStaticEdgeCaption = 1021;
inline constexpr int32_t kUnitLowerEdge = 1022;
inline constexpr int32_t kEditLowerEdge = 1023;
inline constexpr int32_t kStaticTilde = 1024;
inline constexpr int32_t kUnitUpperEdge = 1025;
inline constexpr int32_t kEditUpperEdge = 1026;
}  // namespace dialog

// What a dialog needs from its window, by control id.
class DialogView {
public:
    virtual ~DialogView() = default;
    virtual std::string Text(int32_t controlId) = 0;
    virtual void SetText(int32_t controlId, const std::string& text) = 0;
    // Caption of a static, check box or button from the language table.
    virtual void SetTextId(int32_t controlId, int32_t textId) = 0;
    // Focus to an edit with its whole text selected.
    virtual void SelectEdit(int32_t controlId) = 0;
    // The control that has the focus (0: none of the dialog's).
    virtual int32_t FocusedControl() = 0;
    virtual bool IsChecked(int32_t controlId) = 0;
    virtual void SetChecked(int32_t controlId, bool checked) = 0;
    virtual void Enable(int32_t controlId, bool enabled) = 0;
    virtual void Show(int32_t controlId, bool shown) = 0;
    // List box / drop-down list: entries, selection (-1 none).
    virtual void FillList(int32_t controlId, const std::vector<std::string>& entries) = 0;
    virtual void SelectListEntry(int32_t controlId, int index) = 0;
    virtual int SelectedListEntry(int32_t controlId) = 0;
    virtual void ShowWarning(const Message& message) = 0;
};

// The refusal of an integer outside [minimum, maximum] (or no integer at
// all): the standard range prompt naming both bounds.
Message IntegerRangeMessage(int64_t minimum, int64_t maximum);

// Parses an edit's integer text: optional blanks around, optional sign,
// decimal digits. False for anything else or a number beyond int64.
bool ParseInteger(const std::string& text, int64_t& value);

// The integer edits of one dialog, each with its range and the value last
// accepted. The value in an edit is only taken when it parses and lies in
// range; otherwise the one warning is shown, the last accepted value is
// written back and the edit is selected again.
class IntegerEdits {
public:
    void Add(int32_t controlId, int64_t minimum, int64_t maximum, int64_t value);
    // Writes every value into its edit.
    void Show(DialogView& view) const;
    // Takes the text of one edit (focus loss). True when accepted. A commit
    // that arrives while a refusal's warning is up (the edit losing the focus
    // to the warning box) is ignored, so a refusal warns once.
    bool Commit(DialogView& view, int32_t controlId);
    // Takes every edit in order, stopping at the first refusal.
    bool CommitAll(DialogView& view);
    int64_t Value(int32_t controlId) const;
    bool Has(int32_t controlId) const;

private:
    struct Field {
        int32_t controlId;
        int64_t minimum, maximum, value;
    };
    const Field* Find(int32_t controlId) const;
    std::vector<Field> fields_;
    bool warning_ = false;
};

// Behaviour shared by the three dialogs: Open takes the values and fills the
// controls, EditLeft and Enter are the edits' focus loss and Enter key, Ok
// answers whether the dialog closes and, if so, writes the accepted values.
class SettingsDialog {
public:
    virtual ~SettingsDialog() = default;
    virtual void Open(DialogView& view) = 0;
    virtual void EditLeft(DialogView& view, int32_t controlId) { edits_.Commit(view, controlId); }
    virtual void Enter(DialogView& view, int32_t controlId) = 0;
    virtual bool Ok(DialogView& view) = 0;
    // Check box and radio clicks.
    virtual void Clicked(DialogView&, int32_t) {}

protected:
    IntegerEdits edits_;
};

class SamplingPitchDialog : public SettingsDialog {
public:
    explicit SamplingPitchDialog(SamplingPitchValues& values);
    void Open(DialogView& view) override;
    void Enter(DialogView& view, int32_t controlId) override;
    bool Ok(DialogView& view) override;

private:
    SamplingPitchValues& values_;
};

class YuragiFilterDialog : public SettingsDialog {
public:
    explicit YuragiFilterDialog(YuragiFilterValues& values);
    void Open(DialogView& view) override;
    void Enter(DialogView& view, int32_t controlId) override;
    bool Ok(DialogView& view) override;

private:
    YuragiFilterValues& values_;
};

// The entries of the filter-length list and the one a stored length selects:
// the first whose text begins with the length's decimal text, else "128".
const std::vector<std::string>& FilterLengthEntries();
int FilterLengthEntryFor(uint32_t taps);
// The radio of a stored filter kind: 2 HPF, 3 BPF, 4 BEF, anything else LPF.
int32_t FilterKindRadio(int32_t kind);

class FreqFilterDialog : public SettingsDialog {
public:
    explicit FreqFilterDialog(FreqFilterValues& values);
    void Open(DialogView& view) override;
    void Enter(DialogView& view, int32_t controlId) override;
    bool Ok(DialogView& view) override;
    void Clicked(DialogView& view, int32_t controlId) override;

private:
    int32_t ChosenKind(DialogView& view) const;  // 1 … 4
    void ShowKind(DialogView& view, int32_t kind);
    void EnableSettings(DialogView& view, bool on);
    // BPF and BEF need the lower edge below the upper one.
    bool EdgesInOrder(int32_t kind) const;
    FreqFilterValues& values_;
};

}  // namespace kr70

#endif
