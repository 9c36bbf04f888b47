#include "AbnormalDialog.h"

#include "Kr70TextIds.h"
#include "NumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace kr70 {

bool ParseDecimal(const std::string& text, double& value) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && blank(*begin)) ++begin;
    while (end > begin && blank(end[-1])) --end;
    bool negative = false;
    if (begin < end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    // from_chars would take "inf" and "nan"; a number starts with a digit or
    // the decimal point.
    if (begin == end || !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '.')) return false;
    double parsed = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, parsed, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(parsed)) return false;
    value = negative ? -parsed : parsed;
    return true;
}

namespace {

using namespace dialog;
constexpr double kIntMax = std::numeric_limits<int32_t>::max();

}  // namespace

AbnormalSettingsDialog::AbnormalSettingsDialog(AbnormalSettingsValues& values) : values_(values) {}

const std::vector<int32_t>& AbnormalSettingsDialog::HiddenControls() {
    static const std::vector<int32_t> hidden = {kEditSquarePitch, kCheckPeakAnalysis, kEditPeakPitch,
                                                kEditPeakWidth,   kEditJudgementWidth, kEditJudgementThreshold};
    return hidden;
}

bool AbnormalSettingsDialog::Accepts(const Field& field, double value) const {
    if (field.bounded && value < field.minimum) return false;
    return !field.integer || value <= kIntMax;
}

std::string AbnormalSettingsDialog::TextOf(const Field& field) const {
    if (field.integer) return std::to_string(static_cast<int64_t>(field.value));
    return FormatC("%.15g", field.value);
}

AbnormalSettingsDialog::Field* AbnormalSettingsDialog::Find(int32_t controlId) {
    auto found = std::find_if(fields_.begin(), fields_.end(),
                              [controlId](const Field& f) { return f.controlId == controlId; });
    return found == fields_.end() ? nullptr : &*found;
}

void AbnormalSettingsDialog::Open(DialogView& view) {
    const AbnormalSettingsValues& v = values_;
    fields_ = {
        {kEditSquarePitch, true, true, 1, static_cast<double>(v.squareMeanPitch)},
        {kEditSmoothing, true, true, 1, static_cast<double>(v.smoothingLength)},
        {kEditAreaLevel, false, true, 0, v.peakThreshold},
        {kEditPeakPitch, true, true, 1, static_cast<double>(v.peakPitch)},
        {kEditPeakWidth, true, true, 2, static_cast<double>(v.peakWidth)},
        {kEditJudgementWidth, true, true, 0, static_cast<double>(v.judgementWidth)},
        {kEditJudgementThreshold, false, false, 0, v.judgementThreshold},
        {kEditPassThreshold, false, true, 0, v.passThreshold},
    };
    const std::vector<int32_t>& hidden = HiddenControls();
    for (Field& field : fields_) {
        // A hidden edit cannot be corrected by the user: a stored value its
        // rule refuses (from a parameter file) would keep OK refused for
        // good, so it starts at the nearest accepted value instead.
        const bool isHidden = std::find(hidden.begin(), hidden.end(), field.controlId) != hidden.end();
        if (isHidden && field.bounded && field.value < field.minimum) field.value = field.minimum;
        view.SetText(field.controlId, TextOf(field));
    }
    view.SetText(kEditInputCount, std::to_string(v.inputDataCount));
    view.SetChecked(kCheckPeakAnalysis, v.peakAnalysisFlag != 0);
    view.SetChecked(kCheckInverted, v.invertedJudgement != 0);
    view.SetChecked(kCheckShowResult, v.displaySetting != 0);
    for (int32_t id : hidden) {
        view.Show(id, false);
        view.Show(kLabelOf + id, false);
    }
    view.SelectEdit(kEditSmoothing);
}

bool AbnormalSettingsDialog::Check(DialogView& view, int32_t controlId) {
    Field* field = Find(controlId);
    if (field == nullptr) return true;
    // A focus loss to the warning box itself is no second edit.
    if (warning_) return false;
    double value = 0.0;
    bool ok = false;
    if (field->integer) {
        int64_t integer = 0;
        ok = ParseInteger(view.Text(controlId), integer);
        value = static_cast<double>(integer);
        if (integer > static_cast<int64_t>(kIntMax) || integer < std::numeric_limits<int32_t>::min()) ok = false;
    } else {
        ok = ParseDecimal(view.Text(controlId), value);
    }
    if (ok && Accepts(*field, value)) {
        field->value = value;
        return true;
    }
    Message message;
    message.parts.push_back({text::kMsgAbnormalValueInvalid, {}, {}});
    message.captionId = text::kCaptionError;
    message.icon = MessageIcon::Warning;
    warning_ = true;
    view.ShowWarning(message);
    warning_ = false;
    view.SetText(controlId, TextOf(*field));
    view.SelectEdit(controlId);
    return false;
}

bool AbnormalSettingsDialog::Ok(DialogView& view) {
    for (const Field& field : fields_) {
        if (!Check(view, field.controlId)) return false;
    }
    const auto integer = [this](int32_t id) { return static_cast<int32_t>(Find(id)->value); };
    values_.squareMeanPitch = integer(kEditSquarePitch);
    values_.smoothingLength = integer(kEditSmoothing);
    values_.peakThreshold = Find(kEditAreaLevel)->value;
    values_.peakPitch = integer(kEditPeakPitch);
    values_.peakWidth = integer(kEditPeakWidth);
    values_.judgementWidth = integer(kEditJudgementWidth);
    values_.judgementThreshold = Find(kEditJudgementThreshold)->value;
    values_.passThreshold = Find(kEditPassThreshold)->value;
    values_.peakAnalysisFlag = view.IsChecked(kCheckPeakAnalysis) ? 1 : 0;
    values_.invertedJudgement = view.IsChecked(kCheckInverted) ? 1 : 0;
    values_.displaySetting = view.IsChecked(kCheckShowResult) ? 1 : 0;
    return true;
}

}  // namespace kr70
