#pragma once
// TriggeredAcquisitionDialog — the logic of the triggered acquisition dialog
// (155): it arms the A/D board's trigger mode through the recorder, follows
// the card's message 6078, collects each recording (the recorder writes
// "<stem>-NNN#CC.wav"), shows it in the dialog's graph, opens it in the main
// view or adds it to the recent-file list, and arms again until the operator
// asks for a last recording. The Qt window only shows what it decides.
//
// Everything runs on the user-interface thread: the card library posts its
// messages to the dialog's platform window, whose owner hands them to
// OnCardMessage.
#include "Acquisition.h"
#include "FilterDialogs.h"
#include "UiPort.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kr70 {

// What the acquisition-run dialogs ask of the main view.
struct MainViewOperations {
    std::function<void(const std::string&)> rememberDirectory;  // of a file name
    std::function<void(const std::string&)> openFile;           // load into the view
    std::function<void(const std::string&)> addRecentFile;
    std::function<int32_t(const std::string&)> convertToRawData;  // 0 success
    std::function<void()> refresh;                               // repaint the pages
};

namespace trgdialog {
inline constexpr int32_t kGraph = 1162;
inline constexpr int32_t kScaleTop = 1284;     // "+5.0"
inline constexpr int32_t kScaleBottom = 1285;  // "-5.0"
inline constexpr int32_t kSamplingFrequency = 1170;
inline constexpr int32_t kAcquisitionTime = 1174;
inline constexpr int32_t kChannel = 1172;
inline constexpr int32_t kFileName = 1173;
inline constexpr int32_t kStatus = 1169;
inline constexpr int32_t kLamp = 1239;
inline constexpr int32_t kCheckDrawNewest = 1183;
inline constexpr int32_t kButtonStart = 1184;
inline constexpr int32_t kButtonLast = 1185;
inline constexpr int32_t kButtonEnd = 2;
inline constexpr int32_t kHiddenButtons[] = {1180, 1181, 1182};
inline constexpr int32_t kCloseResult = 2;
// Card message 6078 and its wParam values.
inline constexpr uint32_t kCardMessage = 6078;
inline constexpr uintptr_t kCardStarted = 1;
inline constexpr uintptr_t kCardOverrun = 2;
inline constexpr uintptr_t kCardTrigger = 4;
inline constexpr uintptr_t kCardComplete = 128;
// Returned by Arm while a recording is being converted.
inline constexpr int kArmBusy = -16;
}  // namespace trgdialog

// Lamp states: 0 idle, 1 armed, 2 armed and converting.
enum class TriggerLamp { Idle = 0, Armed = 1, Converting = 2 };

// The window of dialog 155, beyond the controls of DialogView.
class TriggerDialogView : public DialogView {
public:
    virtual bool AskYesNo(const Message& message) = 0;
    // Status text 1169: the language text textId, after prefixId when non-zero.
    virtual void SetStatus(int32_t prefixId, int32_t textId) = 0;
    virtual void ShowLamp(TriggerLamp lamp) = 0;
    // The newest recording in the graph (full scale ±5 V).
    virtual void DrawSamples(const double* samples, int count, uint32_t samplingFrequency) = 0;
    virtual void Close(int result) = 0;
};

class TriggeredAcquisitionDialog {
public:
    // values: the opener's settings in, the file number and last file out.
    // window: the platform window that receives the card's messages.
    TriggeredAcquisitionDialog(TriggeredAcquisitionValues& values, Recorder& recorder,
                               MainViewOperations operations, void* window);
    ~TriggeredAcquisitionDialog();

    // Dialog start: flags cleared, the file number one back, buttons, values.
    void Open(TriggerDialogView& view);

    void StartPressed();  // "波形取得開始"
    void LastPressed();   // "最終波形取得"
    void EndPressed();    // "終了": writes the results into values, closes
    // The window's own close (title bar, Escape): disarms a waiting card and
    // ends as "終了" does, so the dialog can always be left.
    void CloseRequested();

    void OnCardMessage(uintptr_t wParam);

    TriggerLamp Lamp() const;
    int32_t FileNumber() const { return fileNumber_; }
    int Result() const { return result_; }
    bool Armed() const { return armed_; }

private:
    int Arm();
    int Collect();
    std::string FileName(int32_t number) const;  // "<stem>-NNN#CC.wav"
    void ShowStatus(int32_t textId);
    void ShowFailure(int32_t textId);
    void SetButtons(bool start, bool last, bool end);

    TriggeredAcquisitionValues& values_;
    Recorder& recorder_;
    MainViewOperations operations_;
    void* window_;
    TriggerDialogView* view_ = nullptr;
    int32_t fileNumber_ = 0;
    std::string currentStem_;
    int32_t statusTextId_ = 0;
    bool armed_ = false;
    bool converting_ = false;
    bool lastRequested_ = false;
    bool abort_ = false;
    int result_ = 0;
    std::string openedInView_;  // last file opened in the main view
    bool closed_ = false;
};

}  // namespace kr70
