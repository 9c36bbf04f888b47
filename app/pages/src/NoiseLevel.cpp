#include "NoiseLevel.h"

#include "AnalysisState.h"
#include "NumberText.h"

#include <cmath>

namespace kr70 {

using namespace dialog;

NoiseLevelReading ReadNoiseLevel(int32_t showFlag, int32_t range, const double* samples, int32_t count) {
    NoiseLevelReading reading;
    reading.shown = showFlag != 0;
    if (!reading.shown) return reading;
    double maximum = 0.0;
    if (samples != nullptr) {
        for (int32_t i = 0; i < count; ++i) {
            const double magnitude = std::fabs(samples[i]);
            if (magnitude > maximum) maximum = magnitude;
        }
    }
    reading.maxVoltage = maximum;
    reading.level = maximum != 0.0 ? 20.0 * std::log10(maximum / std::sqrt(2.0)) + range : 0.0;
    reading.voltageText = FormatC("%.1f", reading.maxVoltage);
    reading.levelText = FormatC("%.1f", reading.level);
    reading.rangeText = FormatC("%d", range);
    return reading;
}

const std::vector<int32_t>& NoiseLevelRanges() {
    static const std::vector<int32_t> ranges = {80, 90, 100, 110, 120, 130};
    return ranges;
}

void NoiseLevelDialog::Open(DialogView& view) {
    view.SetChecked(kCheckNoiseShow, values_.showFlag != 0);
    std::vector<std::string> entries;
    int selected = -1;
    for (int32_t range : NoiseLevelRanges()) {
        if (range == values_.range) selected = static_cast<int>(entries.size());
        entries.push_back(FormatC("%d", range));
    }
    view.FillList(kListNoiseRange, entries);
    view.SelectListEntry(kListNoiseRange, selected);
}

bool NoiseLevelDialog::Ok(DialogView& view) {
    values_.showFlag = view.IsChecked(kCheckNoiseShow) ? 1 : 0;
    const int selected = view.SelectedListEntry(kListNoiseRange);
    const std::vector<int32_t>& ranges = NoiseLevelRanges();
    if (selected >= 0 && selected < static_cast<int>(ranges.size())) values_.range = ranges[selected];
    return true;
}

bool ChangeNoiseLevelSettings(AnalysisState& state) {
    AnalysisSettings& s = state.Settings();
    NoiseLevelValues values;
    values.showFlag = s.noiseLevelShow;
    values.range = s.noiseLevelFullScale;
    UiPort& port = state.Port();
    if (!port.RunModalDialog(kDialogNoiseLevel, values)) return false;
    s.noiseLevelShow = values.showFlag;
    s.noiseLevelFullScale = values.range;
    port.ShowControl(static_cast<int32_t>(PageId::NoiseLevel), true);
    PageNotification notification;
    notification.notice = PageNotice::Apply;
    port.NotifyPage(PageId::NoiseLevel, notification);
    return true;
}

}  // namespace kr70
