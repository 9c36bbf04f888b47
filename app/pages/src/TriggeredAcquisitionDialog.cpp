#include "TriggeredAcquisitionDialog.h"

#include "Kr70TextIds.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

namespace kr70 {

namespace {

namespace ids = kr70::text;
using namespace trgdialog;

Message OneText(int32_t textId, int32_t captionId, MessageIcon icon) {
    Message message;
    message.parts.push_back(MessagePart{textId, {}, {}});
    message.captionId = captionId;
    message.icon = icon;
    return message;
}

std::string Stem(const std::string& base, int32_t number) {
    char tail[32];
    std::snprintf(tail, sizeof tail, "-%03d", static_cast<int>(number));
    return base + tail;
}

// Shortest text that reads back as the value, "." as the decimal point.
std::string NumberText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

TriggeredAcquisitionDialog::TriggeredAcquisitionDialog(TriggeredAcquisitionValues& values, Recorder& recorder,
                                                       MainViewOperations operations, void* window)
    : values_(values), recorder_(recorder), operations_(std::move(operations)), window_(window) {}

TriggeredAcquisitionDialog::~TriggeredAcquisitionDialog() {
    // A card still armed when the dialog goes must not keep converting for a
    // window that no longer exists.
    if (armed_) {
        int count = 0;
        double* samples = nullptr;
        recorder_.TrgModeStop(1, &count, &samples);
    }
}

std::string TriggeredAcquisitionDialog::FileName(int32_t number) const {
    char tail[32];
    std::snprintf(tail, sizeof tail, "#%02d.wav", static_cast<int>(values_.channel));
    return Stem(values_.fileStem, number) + tail;
}

void TriggeredAcquisitionDialog::SetButtons(bool start, bool last, bool end) {
    view_->Enable(kButtonStart, start);
    view_->Enable(kButtonLast, last);
    view_->Enable(kButtonEnd, end);
}

void TriggeredAcquisitionDialog::ShowStatus(int32_t textId) {
    statusTextId_ = textId;
    view_->SetStatus(lastRequested_ ? ids::kTrgStatusLastPrefix : 0, textId);
}

void TriggeredAcquisitionDialog::ShowFailure(int32_t textId) {
    statusTextId_ = textId;
    view_->SetStatus(0, textId);
    view_->ShowWarning(OneText(textId, kCaptionFileDialog, MessageIcon::Warning));
    // The failure stays stored and card messages are ignored from now on:
    // the operator must be able to leave or start again.
    SetButtons(true, false, true);
}

TriggerLamp TriggeredAcquisitionDialog::Lamp() const {
    if (!armed_) return TriggerLamp::Idle;
    return converting_ ? TriggerLamp::Converting : TriggerLamp::Armed;
}

void TriggeredAcquisitionDialog::Open(TriggerDialogView& view) {
    view_ = &view;
    result_ = 0;
    armed_ = converting_ = lastRequested_ = abort_ = false;
    fileNumber_ = values_.fileNumber - 1;
    for (int32_t id : kHiddenButtons) view.Show(id, false);
    view.SetChecked(kCheckDrawNewest, true);
    SetButtons(true, false, true);
    view.SetText(kSamplingFrequency, std::to_string(values_.samplingFrequency));
    view.SetText(kAcquisitionTime, NumberText(values_.acquisitionTimeMs));
    view.SetText(kChannel, std::to_string(values_.channel));
    view.SetText(kFileName, currentStem_);
    view.ShowLamp(Lamp());
}

int TriggeredAcquisitionDialog::Arm() {
    ++fileNumber_;
    currentStem_ = Stem(values_.fileStem, fileNumber_);
    if (operations_.rememberDirectory) operations_.rememberDirectory(currentStem_);
    view_->SetText(kFileName, currentStem_);
    if (converting_) {
        --fileNumber_;  // nothing armed under this number
        return kArmBusy;
    }
    const int status =
        recorder_.TrgModeSet(1, window_, values_.triggerWaitTimeMs, currentStem_.c_str());
    result_ = status;
    if (status != 0) {
        --fileNumber_;  // nothing will be recorded under this number
        ShowFailure(status == -2 ? ids::kTrgMsgNoMemory : ids::kTrgMsgCardFailed);
        return status;
    }
    ShowStatus(ids::kTrgStatusArmed);
    armed_ = true;
    return 0;
}

int TriggeredAcquisitionDialog::Collect() {
    int count = 0;
    double* samples = nullptr;
    const bool wasConverting = converting_;
    const int status = recorder_.TrgModeStop(abort_ ? 1 : 0, &count, &samples);
    result_ = status;
    if (status != 0) {
        ShowFailure(status == -105 ? ids::kTrgMsgFileFailed : ids::kTrgMsgCardFailed);
    } else if (!abort_) {
        const std::string name = FileName(fileNumber_);
        if (operations_.rememberDirectory) operations_.rememberDirectory(name);
        if (wasConverting) {
            if (view_->IsChecked(kCheckDrawNewest)) {
                if (operations_.openFile) operations_.openFile(name);
                openedInView_ = name;
            } else if (operations_.addRecentFile) {
                operations_.addRecentFile(name);
            }
        }
        view_->SetText(kFileName, name);
        if (wasConverting && samples != nullptr) view_->DrawSamples(samples, count, values_.samplingFrequency);
    }
    if (samples != nullptr) recorder_.FreeSamples(samples);
    armed_ = false;
    converting_ = false;
    abort_ = false;  // the next recording is kept again
    return status;
}

void TriggeredAcquisitionDialog::StartPressed() {
    Message ask = OneText(ids::kTrgAskStart, ids::kTrgAskStartCaption, MessageIcon::Question);
    if (!view_->AskYesNo(ask)) return;
    lastRequested_ = false;
    if (Arm() == 0) SetButtons(false, true, false);
    view_->ShowLamp(Lamp());
}

void TriggeredAcquisitionDialog::LastPressed() {
    lastRequested_ = true;
    SetButtons(false, false, false);
    view_->SetStatus(ids::kTrgStatusLastPrefix, statusTextId_);
}

void TriggeredAcquisitionDialog::EndPressed() {
    if (closed_) return;
    ++fileNumber_;
    const std::string name = FileName(fileNumber_ - 1);
    if (operations_.rememberDirectory) operations_.rememberDirectory(name);
    values_.fileNumber = fileNumber_;
    // Only a file that was recorded is handed back: a name that names no
    // file would only make the view warn that it cannot be loaded.
    values_.lastFile = view_->IsChecked(kCheckDrawNewest) && IsRegularFile(name) ? name : std::string();
    values_.rebuildCombo = !values_.lastFile.empty() && values_.lastFile == openedInView_;
    closed_ = true;
    view_->Close(kCloseResult);
}

void TriggeredAcquisitionDialog::CloseRequested() {
    if (closed_) return;
    if (armed_) {
        int count = 0;
        double* samples = nullptr;
        recorder_.TrgModeStop(1, &count, &samples);
        armed_ = false;
        converting_ = false;
        --fileNumber_;  // the armed number was never recorded
    }
    EndPressed();
}

void TriggeredAcquisitionDialog::OnCardMessage(uintptr_t wParam) {
    if (closed_ || view_ == nullptr) return;
    if (result_ != 0) {
        view_->Enable(kButtonEnd, true);
        return;
    }
    switch (wParam) {
        case kCardStarted:
        case kCardTrigger:
            if (armed_ && !converting_) {
                converting_ = true;
                ShowStatus(ids::kTrgStatusRecording);
                view_->ShowLamp(Lamp());
                if (wParam == kCardTrigger && operations_.refresh) operations_.refresh();
            }
            break;
        case kCardComplete: {
            if (!armed_) break;
            const int status = Collect();
            if (status == 0) ShowStatus(ids::kTrgStatusDone);
            view_->ShowLamp(Lamp());
            if (status != 0) break;
            if (lastRequested_) {
                SetButtons(true, false, true);
            } else {
                Arm();
                view_->ShowLamp(Lamp());
            }
            break;
        }
        case kCardOverrun: {
            if (!armed_) break;
            view_->ShowWarning(OneText(ids::kTrgOverrun, ids::kTrgCaption, MessageIcon::None));
            abort_ = true;
            --fileNumber_;
            if (Collect() == 0) {
                ShowStatus(ids::kTrgOverrun);
                Arm();
            }
            view_->ShowLamp(Lamp());
            break;
        }
        default:
            break;
    }
}

}  // namespace kr70
