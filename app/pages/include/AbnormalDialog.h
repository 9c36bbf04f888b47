// AbnormalDialog — the logic of the abnormal-sound settings dialog (140):
// square-mean pitch and smoothing interval, area level, the peak-emphasis
// settings, the exceeding-area judgement value, the inverted judgement and
// whether the pass/fail lamp is shown.
//
// Every value edit has one rule (a lower bound, or none). Enter or leaving an
// edit checks that edit alone; OK checks all of them in order. A value outside
// its rule, or a text that is no decimal number, shows the one warning 2098
// (caption 2170), the last accepted value returns to the edit and the edit is
// selected again; OK then leaves the dialog open.
#ifndef KR70_APP_PAGES_ABNORMALDIALOG_H
#define KR70_APP_PAGES_ABNORMALDIALOG_H

#include "FilterDialogs.h"
#include "UiPort.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

namespace dialog {
// 140
inline constexpr int32_t kEditInputCount = 1063;  // read-only
inline constexpr int32_t kEditSquarePitch = 1064;  // hidden
inline constexpr int32_t kEditSmoothing = 1065;
inline constexpr int32_t kCheckPeakAnalysis = 1066;  // hidden
inline constexpr int32_t kEditAreaLevel = 1067;
inline constexpr int32_t kEditPassThreshold = 1068;
inline constexpr int32_t kEditPeakPitch = 1069;           // hidden
inline constexpr int32_t kEditPeakWidth = 1070;           // hidden
inline constexpr int32_t kEditJudgementWidth = 1071;      // hidden
inline constexpr int32_t kEditJudgementThreshold = 1072;  // hidden
inline constexpr int32_t kCheckInverted = 1221;
inline constexpr int32_t kCheckShowResult = 1237;
}  // namespace dialog

// Reads a decimal number: optional blanks around, optional sign, digits with
// an optional fraction and exponent. False for anything else, an infinity or
// a NaN.
bool ParseDecimal(const std::string& text, double& value);

class AbnormalSettingsDialog : public SettingsDialog {
public:
    explicit AbnormalSettingsDialog(AbnormalSettingsValues& values);
    void Open(DialogView& view) override;
    void EditLeft(DialogView& view, int32_t controlId) override { Check(view, controlId); }
    void Enter(DialogView& view, int32_t controlId) override { Check(view, controlId); }
    bool Ok(DialogView& view) override;

    // The controls the template keeps hidden, their labels not included.
    static const std::vector<int32_t>& HiddenControls();

private:
    struct Field {
        int32_t controlId;
        bool integer;
        bool bounded;    // false: any number
        double minimum;  // when bounded
        double value;    // last accepted
    };
    bool Accepts(const Field& field, double value) const;
    std::string TextOf(const Field& field) const;
    Field* Find(int32_t controlId);
    // Takes one edit's text; true when accepted (or not a value edit).
    bool Check(DialogView& view, int32_t controlId);

    AbnormalSettingsValues& values_;
    std::vector<Field> fields_;
    bool warning_ = false;
};

}  // namespace kr70

#endif
