#include "WaveCollectionDialog.h"

#include "Kr70TextIds.h"
#include "LmPlatform.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <filesystem>

namespace kr70 {

namespace {

namespace ids = kr70::text;
using namespace collectdialog;

// Posted by the threads when the state, the counter or the free space changed.
constexpr uint32_t kProgressMessage = lmp::WM_APP + 153;
constexpr int32_t kResultNormal = 0;
constexpr int32_t kResultStopped = 1;
constexpr int32_t kResultError = 2;
// Pause between two reads of the digital input, so that waiting for a
// trigger does not keep a processor busy.
constexpr lmp::DWORD kInputPollMs = 1;

Message ErrorBox(int32_t textId) {
    Message message;
    message.parts.push_back(MessagePart{textId, {}, {}});
    message.captionId = ids::kCaptionError;
    message.icon = MessageIcon::Warning;
    return message;
}

std::string Numbered(const char* format, const std::string& base, int32_t number, int32_t channel = 0) {
    char tail[48];
    std::snprintf(tail, sizeof tail, format, static_cast<int>(number), static_cast<int>(channel));
    return base + tail;
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

struct WaveCollectionDialog::Events {
    lmp::Event trigger;          // wakes the recording thread after a trigger
    lmp::Event triggerRelease;   // lets the digital-input thread end
    lmp::Event spare;            // nothing waits on it
    lmp::Event recordingRelease; // lets the recording thread end
};

bool WaveCollectionDialog::QueryFreeSpace(const std::string& directory, uint64_t* available) {
    std::error_code error;
    const std::filesystem::path path = directory.empty() ? std::filesystem::current_path(error) : std::filesystem::path(directory);
    if (error) return false;
    const std::filesystem::space_info info = std::filesystem::space(path, error);
    if (error) return false;
    *available = info.available;
    return true;
}

WaveCollectionDialog::WaveCollectionDialog(Recorder& recorder, MainViewOperations operations, uint16_t channelMask,
                                           bool rawData, SpaceQuery spaceQuery)
    : recorder_(recorder),
      operations_(std::move(operations)),
      channelMask_(channelMask),
      rawData_(rawData),
      spaceQuery_(std::move(spaceQuery)),
      events_(std::make_unique<Events>()) {
    syncEndMessage_ = lmp::RegisterWindowMessage("SYNCENDPLUS");
    syncGetWaveEndMessage_ = lmp::RegisterWindowMessage("SYNCGETWAVENDPLUS");
    window_ = lmp::CreateWindowHandle([this](lmp::HWND, lmp::UINT message, lmp::WPARAM, lmp::LPARAM) {
        OnWindowMessage(message);
        return lmp::LRESULT{0};
    });
}

WaveCollectionDialog::~WaveCollectionDialog() {
    StopThreads();
    if (timerRunning_ && view_ != nullptr) view_->KillTimer();
    lmp::DestroyWindowHandle(static_cast<lmp::HWND>(window_));
}

void WaveCollectionDialog::StopThreads() {
    // A series still running when the dialog goes: ask it to stop and let
    // every wait go, then wait for the threads (a recording under way ends
    // by itself).
    if (!recordingThread_.joinable()) return;
    stopFlag_ = 1;
    events_->trigger.Set();
    events_->triggerRelease.Set();
    events_->recordingRelease.Set();
    recordingThread_.join();
    // The recording thread joins each digital-input thread it starts.
    if (digitalInputThread_.joinable()) digitalInputThread_.join();
}

uint16_t WaveCollectionDialog::ChannelMask(int32_t channel) {
    if (channel < 1 || channel > 16) return 0;
    return static_cast<uint16_t>(1u << (channel - 1));
}

uint64_t WaveCollectionDialog::RequiredBytes(uint16_t channelMask, uint32_t count) {
    const uint64_t channels = static_cast<uint64_t>(std::popcount(channelMask));
    return (2 * static_cast<uint64_t>(count) + kSpareBytes) * 2 * channels;
}

std::string WaveCollectionDialog::SpaceDirectory(const std::string& baseName) {
    const size_t slash = baseName.rfind('/');
    if (slash == std::string::npos) return std::string();
    if (slash == 0) return "/";
    return baseName.substr(0, slash);
}

WaveCollectionDialog::DiskCheck WaveCollectionDialog::CheckDisk() const {
    DiskCheck check;
    const uint64_t required = RequiredBytes(channelMask_, recorder_.GetCount());
    if (!spaceQuery_ || !spaceQuery_(SpaceDirectory(baseName_), &check.available)) {
        check.failure = ErrorBox(ids::kCollectMsgSpaceCheckFailed);
        return check;
    }
    check.queried = true;
    if (check.available >= required) {
        check.ok = true;
        return check;
    }
    // "<shortage text> <bytes> Bytes必要です。", captioned with the shortage text.
    check.failure.parts.push_back(MessagePart{ids::kCollectMsgSpaceShort, {}, " "});
    check.failure.parts.push_back(MessagePart{ids::kCollectMsgBytesNeeded, {std::to_string(required)}, {}});
    check.failure.captionId = ids::kCollectMsgSpaceShort;
    check.failure.icon = MessageIcon::Warning;
    return check;
}

bool WaveCollectionDialog::RunDiskCheck() {
    const DiskCheck check = CheckDisk();
    if (check.queried) view_->SetFormattedText(kFreeSpace, ids::kCollectFreeSpace, std::to_string(check.available));
    if (!check.ok) view_->ShowWarning(check.failure);
    return check.ok;
}

Rgb WaveCollectionDialog::StatusColour() const {
    if (blink_) return kIdleColour;
    switch (state_.load()) {
        case 1: return kWaitingColour;
        case 2: return kRecordingColour;
        default: return kIdleColour;
    }
}

void WaveCollectionDialog::ShowStatus() {
    static constexpr int32_t kTexts[] = {ids::kCollectStopped, ids::kCollectWaiting, ids::kCollectRecording};
    view_->SetStatus(kTexts[std::clamp(state_.load(), 0, 2)], StatusColour());
}

void WaveCollectionDialog::ResetEvents() {
    events_->trigger.Reset();
    events_->triggerRelease.Reset();
    events_->spare.Reset();
    events_->recordingRelease.Reset();
}

void WaveCollectionDialog::Open(CollectionDialogView& view) {
    view_ = &view;
    state_ = 0;
    ShowStatus();
    view.Show(kStatus, true);
    ResetEvents();
    countText_ = "0";
    view.SetText(kCounter, countText_);
    view.SetTextId(kButtonCancel, ids::kButtonCancel);
    view.Enable(kButtonStart, true);
    RunDiskCheck();
}

void WaveCollectionDialog::StartPressed() {
    if (running_) return;
    const std::string base = view_->ChooseBasePath();
    if (base.empty()) return;
    baseName_ = base;
    if (!RunDiskCheck()) return;
    // The recordings go where the base name points: the view remembers it.
    if (operations_.rememberDirectory) operations_.rememberDirectory(Numbered("-%03d", baseName_, 1));
    fileNumber_ = 1;
    stopFlag_ = 0;
    resultCode_ = kResultNormal;
    counter_ = 0;
    countText_ = "0";
    view_->SetText(kCounter, countText_);
    if (!view_->StartTimer(kTimerMs)) {
        view_->ShowWarning(ErrorBox(ids::kCollectMsgPrepareFailed));
        return;
    }
    timerRunning_ = true;
    running_ = true;
    ResetEvents();
    {
        std::lock_guard<std::mutex> lock(failureMutex_);
        threadFailures_.clear();
    }
    recordingThread_ = std::thread([this] { RecordingThread(); });
    view_->SetTextId(kButtonCancel, ids::kButtonClose);
    view_->Enable(kButtonStart, false);
}

void WaveCollectionDialog::CancelPressed() {
    if (inCancel_) return;
    inCancel_ = true;
    if (running_) {
        stopFlag_ = 1;  // takes effect once the recording under way has ended
    } else {
        view_->Close();
    }
    inCancel_ = false;
}

void WaveCollectionDialog::OnTimer() {
    blink_ = !blink_;
    ShowStatus();
}

void WaveCollectionDialog::Post(uint32_t message) {
    lmp::PostMessage(static_cast<lmp::HWND>(window_), message, 0, 0);
}

void WaveCollectionDialog::FinishThread(bool error) {
    if (error) resultCode_ = kResultError;
    else if (stopFlag_.load() != 0) resultCode_ = kResultStopped;
    else resultCode_ = kResultNormal;
}

void WaveCollectionDialog::RecordingThread() {
    bool error = false;
    for (;;) {
        if (stopFlag_.load() != 0 || fileNumber_.load() > kLastFileNumber) break;
        const DiskCheck check = CheckDisk();
        if (check.queried) {
            freeSpace_ = check.available;
            freeSpaceKnown_ = true;
        }
        if (!check.ok) {
            std::lock_guard<std::mutex> lock(failureMutex_);
            threadFailures_.push_back(check.failure);
            error = true;
            break;
        }
        if (digitalInputThread_.joinable()) digitalInputThread_.join();
        digitalInputThread_ = std::thread([this] { DigitalInputThread(); });
        state_ = 1;
        Post(kProgressMessage);
        events_->trigger.Wait();
        events_->trigger.Reset();
        digitalInputThread_.join();
        if (resultCode_.load() == kResultError) {
            error = true;
            break;
        }
        if (resultCode_.load() == kResultStopped) break;
        state_ = 2;
        Post(kProgressMessage);
        const std::string stem = Numbered("-%03d", baseName_, fileNumber_.load());
        if (recorder_.StartRec(nullptr, stem.c_str()) != 0) {
            error = true;
            break;
        }
        counter_ = fileNumber_.load();
        fileNumber_ += 1;
        Post(kProgressMessage);
    }
    FinishThread(error);
    Post(syncGetWaveEndMessage_);
    events_->recordingRelease.Wait();
    events_->recordingRelease.Reset();
}

void WaveCollectionDialog::DigitalInputThread() {
    uint16_t word = 0;
    bool error = false;
    while ((word & 1) == 0 && stopFlag_.load() == 0) {
        if (recorder_.GetDISignal(&word) == 0) {
            error = true;
            word = 0;
            break;
        }
        if ((word & 1) == 0) lmp::Sleep(kInputPollMs);
    }
    FinishThread(error);
    Post(syncEndMessage_);
    events_->triggerRelease.Wait();
    events_->triggerRelease.Reset();
}

void WaveCollectionDialog::OnWindowMessage(uint32_t message) {
    if (message == syncEndMessage_) {
        events_->trigger.Set();
        events_->triggerRelease.Set();
    } else if (message == syncGetWaveEndMessage_) {
        SeriesEnded();
    } else if (message == kProgressMessage) {
        ShowProgress();
    }
}

void WaveCollectionDialog::ShowProgress() {
    if (view_ == nullptr) return;
    ShowStatus();
    const int32_t counter = counter_.load();
    if (counter != 0) {
        countText_ = std::to_string(counter);
        view_->SetText(kCounter, countText_);
    }
    if (freeSpaceKnown_.load())
        view_->SetFormattedText(kFreeSpace, ids::kCollectFreeSpace, std::to_string(freeSpace_.load()));
}

void WaveCollectionDialog::SeriesEnded() {
    events_->recordingRelease.Set();
    if (recordingThread_.joinable()) recordingThread_.join();
    if (digitalInputThread_.joinable()) digitalInputThread_.join();
    stopFlag_ = 0;
    if (timerRunning_) view_->KillTimer();
    timerRunning_ = false;
    ShowProgress();
    std::vector<Message> failures;
    {
        std::lock_guard<std::mutex> lock(failureMutex_);
        failures.swap(threadFailures_);
    }
    for (const Message& failure : failures) view_->ShowWarning(failure);
    if (resultCode_.load() == kResultError) view_->ShowWarning(ErrorBox(ids::kCollectMsgAcquisitionFailed));
    const int32_t count = counter_.load();
    if (count != 0) {
        RawDataStep(count);
        RunDiskCheck();
    }
    resultCode_ = kResultNormal;
    running_ = false;
    state_ = 0;
    blink_ = true;
    ShowStatus();
    view_->SetTextId(kButtonCancel, ids::kButtonCancel);
    view_->Enable(kButtonStart, true);
}

void WaveCollectionDialog::RawDataStep(int32_t count) {
    const int32_t next = fileNumber_.load();
    std::string lastFile;
    std::string failed;
    for (int32_t i = next - count; i <= next - 1; ++i) {
        for (int bit = 15; bit >= 0; --bit) {
            if ((channelMask_ & (1u << bit)) == 0) continue;
            const std::string name = Numbered("-%03d#%02d.wav", baseName_, i, bit + 1);
            if (operations_.rememberDirectory) operations_.rememberDirectory(name);
            if (IsRegularFile(name)) {
                if (operations_.addRecentFile) operations_.addRecentFile(name);
                lastFile = name;
            }
            if (rawData_ && operations_.convertToRawData && operations_.convertToRawData(name) != 0)
                failed += "    " + name + "\n";
        }
    }
    if (!failed.empty()) {
        Message message = ErrorBox(ids::kCollectMsgRawDataFailed);
        message.parts.back().appended = failed;
        view_->ShowWarning(message);
    }
    if (!lastFile.empty() && operations_.openFile) operations_.openFile(lastFile);
}

}  // namespace kr70
