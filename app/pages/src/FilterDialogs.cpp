#include "FilterDialogs.h"

#include "Kr70TextIds.h"

#include <algorithm>
#include <charconv>

namespace kr70 {

Message IntegerRangeMessage(int64_t minimum, int64_t maximum) {
    Message message;
    message.parts.push_back({text::kMsgIntegerRange, {std::to_string(minimum), std::to_string(maximum)}, {}});
    message.captionId = kCaptionMainView;
    message.icon = MessageIcon::Warning;
    return message;
}

bool ParseInteger(const std::string& text, int64_t& value) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && blank(*begin)) ++begin;
    while (end > begin && blank(end[-1])) --end;
    if (begin < end && *begin == '+') ++begin;  // from_chars takes '-' only
    if (begin == end) return false;
    int64_t parsed = 0;
    const auto [stop, error] = std::from_chars(begin, end, parsed);
    if (error != std::errc() || stop != end) return false;
    value = parsed;
    return true;
}

// ---- IntegerEdits ------------------------------------------------------------

void IntegerEdits::Add(int32_t controlId, int64_t minimum, int64_t maximum, int64_t value) {
    fields_.push_back({controlId, minimum, maximum, value});
}

const IntegerEdits::Field* IntegerEdits::Find(int32_t controlId) const {
    for (const Field& field : fields_) {
        if (field.controlId == controlId) return &field;
    }
    return nullptr;
}

bool IntegerEdits::Has(int32_t controlId) const { return Find(controlId) != nullptr; }

int64_t IntegerEdits::Value(int32_t controlId) const {
    const Field* field = Find(controlId);
    return field ? field->value : 0;
}

void IntegerEdits::Show(DialogView& view) const {
    for (const Field& field : fields_) view.SetText(field.controlId, std::to_string(field.value));
}

bool IntegerEdits::Commit(DialogView& view, int32_t controlId) {
    auto field = std::find_if(fields_.begin(), fields_.end(),
                              [controlId](const Field& f) { return f.controlId == controlId; });
    if (field == fields_.end()) return true;
    if (warning_) return false;
    int64_t value = 0;
    if (ParseInteger(view.Text(controlId), value) && value >= field->minimum && value <= field->maximum) {
        field->value = value;
        return true;
    }
    warning_ = true;
    view.ShowWarning(IntegerRangeMessage(field->minimum, field->maximum));
    warning_ = false;
    view.SetText(controlId, std::to_string(field->value));
    view.SelectEdit(controlId);
    return false;
}

bool IntegerEdits::CommitAll(DialogView& view) {
    for (const Field& field : fields_) {
        if (!Commit(view, field.controlId)) return false;
    }
    return true;
}

// ---- Sampling pitch (130) ----------------------------------------------------

SamplingPitchDialog::SamplingPitchDialog(SamplingPitchValues& values) : values_(values) {}

void SamplingPitchDialog::Open(DialogView& view) {
    edits_ = IntegerEdits();
    edits_.Add(dialog::kEditSamplingPitch, 1, 65535, values_.samplingPitch);
    edits_.Show(view);
    // The caller's figures, kept hidden as the template has them.
    view.SetText(dialog::kStaticSamplingFrequency, std::to_string(values_.samplingFrequency));
    view.SetText(dialog::kStaticDataPoints, std::to_string(values_.dataPoints));
    for (int32_t id : {dialog::kStaticSamplingFrequency, dialog::kStaticDataPoints}) {
        view.Show(id, false);
        view.Show(dialog::kLabelOf + id, false);
    }
    view.SelectEdit(dialog::kEditSamplingPitch);
}

void SamplingPitchDialog::Enter(DialogView& view, int32_t) { edits_.CommitAll(view); }

bool SamplingPitchDialog::Ok(DialogView& view) {
    if (!edits_.CommitAll(view)) return false;
    values_.samplingPitch = static_cast<uint32_t>(edits_.Value(dialog::kEditSamplingPitch));
    return true;
}

// ---- Yuragi filter (131) -----------------------------------------------------

YuragiFilterDialog::YuragiFilterDialog(YuragiFilterValues& values) : values_(values) {}

void YuragiFilterDialog::Open(DialogView& view) {
    edits_ = IntegerEdits();
    edits_.Add(dialog::kEditYuragi1, 1, 5, values_.parameter1);
    edits_.Add(dialog::kEditYuragi2, 1, 255, values_.parameter2);
    edits_.Add(dialog::kEditYuragi3, 1, 255, values_.parameter3);
    edits_.Add(dialog::kEditYuragi4, 0, 255, values_.parameter4);
    edits_.Show(view);
    view.Show(dialog::kEditYuragi4, false);
    view.Show(dialog::kLabelOf + dialog::kEditYuragi4, false);
    view.SelectEdit(dialog::kEditYuragi1);
}

void YuragiFilterDialog::Enter(DialogView& view, int32_t) { edits_.CommitAll(view); }

bool YuragiFilterDialog::Ok(DialogView& view) {
    if (!edits_.CommitAll(view)) return false;
    values_.parameter1 = static_cast<int32_t>(edits_.Value(dialog::kEditYuragi1));
    values_.parameter2 = static_cast<int32_t>(edits_.Value(dialog::kEditYuragi2));
    values_.parameter3 = static_cast<int32_t>(edits_.Value(dialog::kEditYuragi3));
    values_.parameter4 = static_cast<int32_t>(edits_.Value(dialog::kEditYuragi4));
    return true;
}

// ---- Frequency-response filter (132) -----------------------------------------

const std::vector<std::string>& FilterLengthEntries() {
    static const std::vector<std::string> entries = {"16", "32", "64", "128", "256", "512", "1024"};
    return entries;
}

int FilterLengthEntryFor(uint32_t taps) {
    const std::vector<std::string>& entries = FilterLengthEntries();
    const std::string prefix = std::to_string(taps);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].starts_with(prefix)) return static_cast<int>(i);
    }
    return 3;  // "128"
}

int32_t FilterKindRadio(int32_t kind) {
    return (kind >= 2 && kind <= 4) ? dialog::kRadioLpf + kind - 1 : dialog::kRadioLpf;
}

namespace {
constexpr uint32_t kDefaultTaps = 128;
constexpr int32_t kBpf = 3;
constexpr int32_t kBef = 4;
constexpr int64_t kMaxFrequency = UINT32_MAX;
}  // namespace

FreqFilterDialog::FreqFilterDialog(FreqFilterValues& values) : values_(values) {}

void FreqFilterDialog::Open(DialogView& view) {
    edits_ = IntegerEdits();
    edits_.Add(dialog::kEditLowerEdge, 0, kMaxFrequency, values_.lowerFrequency);
    edits_.Add(dialog::kEditUpperEdge, 0, kMaxFrequency, values_.upperFrequency);
    view.SetText(dialog::kStaticSamplingFrequency, std::to_string(values_.samplingFrequency));
    const bool on = values_.filterType != 0;
    view.SetChecked(dialog::kCheckFilterOn, on);
    // With the filter off the remembered kind is offered.
    const int32_t radio = FilterKindRadio(on ? values_.filterType : values_.kindSelection);
    for (int32_t id = dialog::kRadioLpf; id <= dialog::kRadioBef; ++id) view.SetChecked(id, id == radio);
    view.FillList(dialog::kListLength, FilterLengthEntries());
    view.SelectListEntry(dialog::kListLength, FilterLengthEntryFor(values_.taps));
    edits_.Show(view);
    ShowKind(view, radio - dialog::kRadioLpf + 1);
    EnableSettings(view, on);
}

int32_t FreqFilterDialog::ChosenKind(DialogView& view) const {
    for (int32_t id = dialog::kRadioLpf; id <= dialog::kRadioBef; ++id) {
        if (view.IsChecked(id)) return id - dialog::kRadioLpf + 1;
    }
    return 1;
}

void FreqFilterDialog::ShowKind(DialogView& view, int32_t kind) {
    const bool band = kind == kBpf || kind == kBef;
    view.SetTextId(dialog::kStaticEdgeCaption, kind == kBpf   ? text::kFreqEdgePassBand
                                               : kind == kBef ? text::kFreqEdgeStopBand
                                                              : text::kFreqEdgeCutOff);
    for (int32_t id : {dialog::kStaticTilde, dialog::kEditUpperEdge, dialog::kUnitUpperEdge}) view.Show(id, band);
}

void FreqFilterDialog::EnableSettings(DialogView& view, bool on) {
    for (int32_t id = dialog::kRadioLpf; id <= dialog::kRadioBef; ++id) view.Enable(id, on);
    for (int32_t id : {dialog::kListLength, dialog::kEditLowerEdge, dialog::kEditUpperEdge}) view.Enable(id, on);
}

void FreqFilterDialog::Clicked(DialogView& view, int32_t controlId) {
    if (controlId == dialog::kCheckFilterOn) {
        EnableSettings(view, view.IsChecked(dialog::kCheckFilterOn));
    } else if (controlId >= dialog::kRadioLpf && controlId <= dialog::kRadioBef) {
        ShowKind(view, ChosenKind(view));
    }
}

bool FreqFilterDialog::EdgesInOrder(int32_t kind) const {
    if (kind != kBpf && kind != kBef) return true;
    return edits_.Value(dialog::kEditLowerEdge) < edits_.Value(dialog::kEditUpperEdge);
}

void FreqFilterDialog::Enter(DialogView& view, int32_t controlId) {
    if (!edits_.CommitAll(view)) return;
    // The upper edge is hidden for LPF and HPF, so only a band is checked.
    if ((controlId == dialog::kEditLowerEdge || controlId == dialog::kEditUpperEdge) &&
        !EdgesInOrder(ChosenKind(view))) {
        Message message;
        message.parts.push_back({text::kMsgBandEdgesReversed, {}, {}});
        message.captionId = text::kCaptionError;
        view.ShowWarning(message);
    }
}

bool FreqFilterDialog::Ok(DialogView& view) {
    if (!edits_.CommitAll(view)) return false;
    const bool on = view.IsChecked(dialog::kCheckFilterOn);
    const int32_t kind = ChosenKind(view);
    // Edges of a switched-off filter are not used; their edits are disabled
    // then, so a warning could not be acted on.
    if (on && !EdgesInOrder(kind)) {
        Message message;
        message.parts.push_back({text::kMsgBandEdgesReversed, {}, {}});
        message.captionId = text::kCaptionError;
        view.ShowWarning(message);
        const int32_t focused = view.FocusedControl();
        view.SelectEdit(focused == dialog::kEditUpperEdge ? dialog::kEditUpperEdge : dialog::kEditLowerEdge);
        return false;
    }
    // The list always holds a selection ("128" for a stored length that
    // matches no entry, 0 included); 128 stands in should it hold none.
    uint32_t taps = kDefaultTaps;
    const int entry = view.SelectedListEntry(dialog::kListLength);
    if (entry >= 0 && entry < static_cast<int>(FilterLengthEntries().size())) {
        taps = static_cast<uint32_t>(std::stoul(FilterLengthEntries()[static_cast<size_t>(entry)]));
    }
    values_.filterType = on ? kind : 0;
    values_.kindSelection = kind;
    values_.taps = taps;
    values_.lowerFrequency = static_cast<uint32_t>(edits_.Value(dialog::kEditLowerEdge));
    values_.upperFrequency = static_cast<uint32_t>(edits_.Value(dialog::kEditUpperEdge));
    return true;
}

}  // namespace kr70
