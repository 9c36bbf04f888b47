#pragma once
// WaveCollectionDialog — the logic of the waveform collection dialog (153):
// a series of recordings, one per digital-input trigger, each after a check
// of the free disk space, then raw-data files for the new recordings and the
// last one opened in the main view.
//
// Two worker threads do the waiting and recording. The recording thread
// starts a digital-input thread per file, which polls the recorder's digital
// input and posts "SYNCENDPLUS" to the dialog's platform window when bit 0
// rises, the operator stops or the input fails; the window releases both
// threads with events and the recording thread records with
// Recorder::StartRec. When the series ends the recording thread posts
// "SYNCGETWAVENDPLUS" and waits to be released. The threads never touch the
// window: what they change (state, counter, free space, a failed disk check)
// is handed over with the private progress message and shown by the
// user-interface thread, which owns the dialog's platform window and pumps it.
#include "Acquisition.h"
#include "FilterDialogs.h"
#include "Painter.h"
#include "TriggeredAcquisitionDialog.h"
#include "UiPort.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kr70 {

namespace collectdialog {
inline constexpr int32_t kStatus = 1155;
inline constexpr int32_t kCounter = 1156;
inline constexpr int32_t kFreeSpace = 1157;
inline constexpr int32_t kButtonStart = 1154;
inline constexpr int32_t kButtonCancel = 2;
inline constexpr int kTimerMs = 600;
inline constexpr int32_t kLastFileNumber = 999;
// The space a recording needs besides its samples: 30 MiB and a WAV header.
inline constexpr uint64_t kSpareBytes = 31457324;
inline constexpr Rgb kIdleColour{255, 255, 255};
inline constexpr Rgb kWaitingColour{255, 255, 0};
inline constexpr Rgb kRecordingColour{0, 255, 255};
}  // namespace collectdialog

// The window of dialog 153, beyond the controls of DialogView.
class CollectionDialogView : public DialogView {
public:
    // Status field 1155: its text and background.
    virtual void SetStatus(int32_t textId, Rgb background) = 0;
    // A control's text: the language text textId with its "%s" filled.
    virtual void SetFormattedText(int32_t controlId, int32_t textId, const std::string& argument) = 0;
    // The blink timer; false when it cannot be started.
    virtual bool StartTimer(int milliseconds) = 0;
    virtual void KillTimer() = 0;
    // The base path (directory and file stem, no extension) of a series;
    // empty when the operator cancels.
    virtual std::string ChooseBasePath() = 0;
    virtual void Close() = 0;
};

class WaveCollectionDialog {
public:
    // True with the bytes available to the caller on the file system of
    // directory ("" is the current directory); false when the query fails.
    using SpaceQuery = std::function<bool(const std::string& directory, uint64_t* available)>;
    static bool QueryFreeSpace(const std::string& directory, uint64_t* available);

    // channelMask: bit b set records channel b + 1. rawData: the
    // application's raw-data option. The dialog's platform window is created
    // for the calling (user-interface) thread.
    WaveCollectionDialog(Recorder& recorder, MainViewOperations operations, uint16_t channelMask, bool rawData,
                         SpaceQuery spaceQuery = QueryFreeSpace);
    ~WaveCollectionDialog();
    WaveCollectionDialog(const WaveCollectionDialog&) = delete;
    WaveCollectionDialog& operator=(const WaveCollectionDialog&) = delete;

    // The platform window the threads post to (an lmp::HWND).
    void* Window() const { return window_; }

    void Open(CollectionDialogView& view);  // dialog start
    void StartPressed();                    // "開始"
    void CancelPressed();                   // "ｷｬﾝｾﾙ" / "終了"
    void OnTimer();                         // every 600 ms while a series runs

    // Mask of the channels a recording of the channel setting writes: that
    // channel's bit (the recorder records the one channel it is set to).
    static uint16_t ChannelMask(int32_t channel);
    // Space one recording needs: (2 · count + 30 MiB + 44) · 2 · channels.
    static uint64_t RequiredBytes(uint16_t channelMask, uint32_t count);
    // Directory whose space is checked: the base name up to its last "/"
    // ("/" itself for a name in the root, "" for a name without one).
    static std::string SpaceDirectory(const std::string& baseName);

    // 0 idle, 1 waiting for a trigger, 2 recording.
    int32_t State() const { return state_.load(); }
    bool Running() const { return running_; }
    int32_t FileNumber() const { return fileNumber_.load(); }
    int32_t ResultCode() const { return resultCode_.load(); }
    const std::string& CountText() const { return countText_; }
    Rgb StatusColour() const;

private:
    struct DiskCheck {
        bool ok = false;
        bool queried = false;
        uint64_t available = 0;
        Message failure;
    };
    DiskCheck CheckDisk() const;
    // On the user-interface thread: shows the free space and any failure.
    bool RunDiskCheck();
    void RecordingThread();
    void DigitalInputThread();
    void FinishThread(bool error);
    void Post(uint32_t message);
    void OnWindowMessage(uint32_t message);
    void ShowProgress();
    void SeriesEnded();
    void RawDataStep(int32_t count);
    void ShowStatus();
    void ResetEvents();
    void StopThreads();

    Recorder& recorder_;
    MainViewOperations operations_;
    uint16_t channelMask_;
    bool rawData_;
    SpaceQuery spaceQuery_;
    CollectionDialogView* view_ = nullptr;
    void* window_ = nullptr;
    uint32_t syncEndMessage_ = 0;
    uint32_t syncGetWaveEndMessage_ = 0;

    struct Events;
    std::unique_ptr<Events> events_;
    std::thread recordingThread_;
    std::thread digitalInputThread_;

    std::string baseName_;
    std::atomic<int32_t> fileNumber_{1};
    std::atomic<int32_t> stopFlag_{0};
    std::atomic<int32_t> resultCode_{0};
    std::atomic<int32_t> state_{0};
    std::atomic<int32_t> counter_{0};     // last file recorded, 0 none
    std::atomic<uint64_t> freeSpace_{0};  // last free space the threads saw
    std::atomic<bool> freeSpaceKnown_{false};
    std::mutex failureMutex_;
    std::vector<Message> threadFailures_;  // disk-check messages of the threads
    std::string countText_;
    bool blink_ = true;
    bool running_ = false;
    bool timerRunning_ = false;
    bool inCancel_ = false;
};

}  // namespace kr70
