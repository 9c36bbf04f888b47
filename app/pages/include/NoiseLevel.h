// The noise-level page (169) and its settings dialog (170).
//
// The page shows, for the raw waveform, the largest absolute voltage Vmax and
// the noise level 20·log10(Vmax / √2) + range in decibels relative to the
// chosen full-scale range; the dialog switches the values on or off and
// chooses the range from 80 … 130 dB.
#ifndef KR70_APP_PAGES_NOISELEVEL_H
#define KR70_APP_PAGES_NOISELEVEL_H

#include "FilterDialogs.h"
#include "UiPort.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

class AnalysisState;

inline constexpr int32_t kDialogNoiseLevel = 170;
inline constexpr int32_t kCommandNoiseLevel = 32811;

namespace noise_page {
// Captions, values and units; all eight are shown or hidden together.
inline constexpr int32_t kVoltageCaption = 1228, kVoltage = 1223, kVoltageUnit = 1229;
inline constexpr int32_t kLevelCaption = 1230, kLevel = 1224, kLevelUnit = 1231;
inline constexpr int32_t kRangeCaption = 1232, kRange = 1227;
}  // namespace noise_page

namespace dialog {
// 170
inline constexpr int32_t kCheckNoiseShow = 1225;
inline constexpr int32_t kListNoiseRange = 1226;
}  // namespace dialog

// What the page shows for one record {show flag, range, samples, count}.
struct NoiseLevelReading {
    bool shown = false;
    double maxVoltage = 0.0;  // Vmax, the first largest absolute sample
    double level = 0.0;       // dB; 0 when Vmax is 0
    std::string voltageText;  // "%.1f"
    std::string levelText;    // "%.1f"
    std::string rangeText;    // "%d"
};
NoiseLevelReading ReadNoiseLevel(int32_t showFlag, int32_t range, const double* samples, int32_t count);

// The six ranges of list 1226.
const std::vector<int32_t>& NoiseLevelRanges();

// Dialog 170: the show flag and the full-scale range.
struct NoiseLevelValues : DialogValues {
    int32_t showFlag = 1;
    int32_t range = 80;
};

class NoiseLevelDialog : public SettingsDialog {
public:
    explicit NoiseLevelDialog(NoiseLevelValues& values) : values_(values) {}
    void Open(DialogView& view) override;
    void Enter(DialogView&, int32_t) override {}
    // Show flag = check state, range = the selected entry (a range that no
    // entry matched stays as it was when nothing was chosen).
    bool Ok(DialogView& view) override;

private:
    NoiseLevelValues& values_;
};

// Command 32811: dialog 170 over the state's noise-level settings; on OK they
// are stored, the page is shown and told to apply them. True when accepted.
bool ChangeNoiseLevelSettings(AnalysisState& state);

}  // namespace kr70

#endif
