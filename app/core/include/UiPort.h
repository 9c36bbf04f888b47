// UiPort — everything the workstation's logic needs from the user interface.
//
// The logic in app/core and app/pages decides what is shown and asked; an
// implementation of this interface only shows it. The Qt window implements it
// (app/ui), tests implement it with a script of answers and a log of what was
// shown, and the headless analyser prints warnings to standard error.
//
// Texts are language-table ids (LmLang); an implementation looks them up and
// decodes them. Nothing here owns analysis data: pages read the analysis state
// themselves when they are told to take new data.
//
// All calls come from the one user-interface thread.
#ifndef KR70_APP_CORE_UIPORT_H
#define KR70_APP_CORE_UIPORT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kr70 {

// Captions of warning boxes: the main view's and the file dialogs'.
inline constexpr int32_t kCaptionMainView = 2024;
inline constexpr int32_t kCaptionFileDialog = 2170;

enum class MessageIcon { None, Warning, Error, Information, Question };

// One piece of a message box text: the language text textId (0 = none) with
// its printf-style "%s"/"%d" fields filled by formatArguments in order, then
// the literal text appended. A box shows its pieces one after the other.
struct MessagePart {
    int32_t textId = 0;
    std::vector<std::string> formatArguments;
    std::string appended;
};

struct Message {
    std::vector<MessagePart> parts;
    int32_t captionId = kCaptionMainView;
    MessageIcon icon = MessageIcon::Warning;
};

// The icon a box shows: the one that matches its caption (the "Warning"
// caption the warning icon, the "Error" caption the error icon); questions,
// icon-less boxes and other captions keep the icon asked for.
MessageIcon BoxIcon(const Message& message);

// One "description|pattern" entry of a file dialog's filter list. The
// description is the language text descriptionId formatted with
// descriptionArguments, or the literal description when descriptionId is 0.
struct FileFilter {
    int32_t descriptionId = 0;
    std::vector<std::string> descriptionArguments;
    std::string description;
    std::string pattern;  // for example "*.wav" or "*.*"
};

struct FileDialogRequest {
    bool save = false;            // save dialog (else open dialog)
    bool multiSelect = false;     // open dialog: several files may be chosen
    bool mustExist = true;        // open dialog: file and path must exist
    bool confirmOverwrite = false;
    std::vector<FileFilter> filters;
    std::string defaultExtension;  // without the dot, for example "wav"
    std::string initialDirectory;  // empty: the implementation's default
    std::string initialName;
    int32_t titleId = 0;           // 0: the platform's standard title
};

// Base of the typed records that modal dialogs take and give back.
struct DialogValues {
    virtual ~DialogValues() = default;
};

// Dialog template numbers used with RunModalDialog.
inline constexpr int32_t kDialogSamplingPitch = 130;
inline constexpr int32_t kDialogYuragiFilter = 131;
inline constexpr int32_t kDialogFreqFilter = 132;
inline constexpr int32_t kDialogAbnormalSettings = 140;

// Sampling pitch dialog (130): the pitch, 1 … 65535. The two statics (the
// sampling frequency and the data points) are filled by the caller and start
// hidden.
struct SamplingPitchValues : DialogValues {
    uint32_t samplingPitch = 1;
    uint32_t samplingFrequency = 0;
    uint32_t dataPoints = 0;
};

// Yuragi filter dialog (131): the four arguments of WAYuragiFilter::SetParamEx
// (ranges 1-5, 1-255, 1-255, 0-255).
struct YuragiFilterValues : DialogValues {
    int32_t parameter1 = 4;
    int32_t parameter2 = 1;
    int32_t parameter3 = 1;
    int32_t parameter4 = 0;
};

// Frequency filter dialog (132). In: filterType is the type in use (0 none,
// 1 LPF, 2 HPF, 3 BPF, 4 BEF), kindSelection the kind last chosen (1 … 4) that
// the dialog offers when the filter is off. Out: with the filter switched on
// filterType = kindSelection = the chosen kind; switched off filterType = 0
// and kindSelection = the chosen kind. taps is one of 16 … 1024; the sampling
// frequency is the effective one, shown "%d".
struct FreqFilterValues : DialogValues {
    int32_t filterType = 0;
    int32_t kindSelection = 1;
    uint32_t taps = 128;
    uint32_t lowerFrequency = 1;
    uint32_t upperFrequency = 0;
    uint32_t samplingFrequency = 0;
};

// Abnormal-sound settings dialog (140): the yuragi waveform's size (shown
// only) and the abnormal-sound settings of the analysis state. The square-mean
// pitch and the peak-emphasis settings sit in hidden controls; they are kept
// so that parameter files hold them. displaySetting non-zero shows the
// result-indicator page.
struct AbnormalSettingsValues : DialogValues {
    uint32_t inputDataCount = 0;
    int32_t squareMeanPitch = 1;      // >= 1
    int32_t smoothingLength = 1;      // >= 1
    double peakThreshold = 0.0;       // area level, >= 0
    int32_t peakAnalysisFlag = 0;
    int32_t peakPitch = 1;            // >= 1
    int32_t peakWidth = 2;            // >= 2
    int32_t judgementWidth = 10;      // >= 0
    double judgementThreshold = 1.0;  // any
    double passThreshold = 0.0;       // >= 0
    int32_t invertedJudgement = 0;
    int32_t displaySetting = 1;
};

// Display pages and the result-indicator page, by dialog template number.
enum class PageId : int32_t {
    Waveform = 136,
    Spectrum = 137,
    DifSpectrum = 138,
    DifWaveform = 139,
    Abnormal = 141,
    ResultIndicator = 162,
    NoiseLevel = 169,
};

// What a page is told. The page reads the analysis state itself.
enum class PageNotice : int32_t {
    // Waveform page: take the new waveforms; values = (FFT length, FFT start,
    // FFT length). Abnormal-sound page: values = (square-mean waveform size,
    // FFT start, FFT length). Difference-waveform page: values[0] = FFT length.
    // Spectrum and difference-spectrum pages: refresh from the state.
    TakeData = 0,
    // Result-indicator page (message 33068): values[0] = 0 clear, 1 pass, 2 fail.
    Judgement = 33068,
    // Result-indicator page (message 33078): values[0] = display setting.
    // Noise-level page (33078): new raw data or settings; the page reads the
    // show flag, range and raw samples from the state.
    Apply = 33078,
};

struct PageNotification {
    PageNotice notice = PageNotice::TakeData;
    int64_t values[3] = {0, 0, 0};
};

class UiPort {
public:
    virtual ~UiPort() = default;

    // Modal dialog dialogId (a template number above or another dialog's);
    // values carries the initial values in and, when the user accepts, the
    // accepted values out. Returns true when accepted, false when cancelled
    // (values are then unchanged).
    virtual bool RunModalDialog(int32_t dialogId, DialogValues& values) = 0;

    // Message box with an OK button.
    virtual void ShowMessage(const Message& message) = 0;
    // Question box with Yes and No; true for Yes.
    virtual bool AskYesNo(const Message& message) = 0;

    // File dialogs: the chosen paths (absolute), empty when cancelled.
    virtual std::vector<std::string> ChooseFiles(const FileDialogRequest& request) = 0;
    // Folder browser starting at startDirectory; empty when cancelled.
    virtual std::string ChooseFolder(const std::string& startDirectory, int32_t titleId) = 0;

    // The workstation's own file dialog (CDefDirFileDlg): the file dialog of
    // ChooseFiles with a text line (1189) below it that always shows the folder
    // being browsed and the check box 1101 "show the default directory the
    // next time" (text 502). defaultDirectoryBox is the box's state: in, as it
    // starts; out, as it was when the user accepted (unchanged on cancel).
    // Ports without these controls show the plain dialog.
    virtual std::vector<std::string> ChooseFilesWithDirectoryBox(const FileDialogRequest& request,
                                                                 bool& defaultDirectoryBox) {
        (void)defaultDirectoryBox;
        return ChooseFiles(request);
    }
    // Folder browser whose title is a formatted text (for example 2032 with
    // the current directory); empty when cancelled.
    virtual std::string BrowseFolder(const std::string& startDirectory, const MessagePart& title) {
        return ChooseFolder(startDirectory, title.textId);
    }

    // Combo box controlId: its current text, its entries replaced by entries
    // with the entry selectedText selected (exact match; none when absent).
    virtual std::string ComboText(int32_t controlId) = 0;
    virtual void FillCombo(int32_t controlId, const std::vector<std::string>& entries,
                           const std::string& selectedText) = 0;

    // Controls of the main form and dialogs, by control id.
    virtual void SetControlChecked(int32_t controlId, bool checked) = 0;
    virtual bool IsControlChecked(int32_t controlId) = 0;
    virtual void EnableControl(int32_t controlId, bool enabled) = 0;
    virtual void ShowControl(int32_t controlId, bool shown) = 0;
    // Menu items and toolbar buttons, by command id.
    virtual void CheckMenuItem(int32_t commandId, bool checked) = 0;
    virtual void EnableMenuItem(int32_t commandId, bool enabled) = 0;

    // Wait cursor; calls nest (see WaitCursor below).
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Runs a long computation on the analysis data. work calls nothing of the
    // port and nothing else touches the analysis data until it returns; the
    // call returns when work is done. A window may run it off its own thread
    // and keep repainting meanwhile, saying textId in its status bar with a
    // busy indicator (user input waits until the work is done). By default it
    // runs in place.
    virtual void RunLongWork(int32_t textId, const std::function<void()>& work) { work(); }

    // The chain's waveforms of a long recording are ready while its spectra
    // and measure are still to come: a window may show them on the waveform
    // page now (count, start and length as its TakeData notice will carry).
    // The pages' notifications follow as always once everything is done.
    virtual void PreviewWaveforms(uint32_t count, uint32_t start, uint32_t length) {
        (void)count;
        (void)start;
        (void)length;
    }

    // Page notifications and repaints. A page that does not exist ignores them.
    virtual void NotifyPage(PageId page, const PageNotification& notification) = 0;
    virtual void RepaintPages() = 0;

    // Starts a program in a new process group; false when it cannot be started.
    virtual bool StartProcess(const std::string& executable,
                              const std::vector<std::string>& arguments) = 0;

    // Convenience: one-text warning box (caption 2024 or 2170).
    void ShowWarning(int32_t textId, int32_t captionId = kCaptionMainView);
    void ShowWarning(int32_t textId, int32_t captionId, const std::string& formatArgument);
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    explicit WaitCursor(UiPort& port) : port_(port) { port_.BeginWaitCursor(); }
    ~WaitCursor() { port_.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    UiPort& port_;
};

// A port that shows nothing and cancels every dialog and question; warnings
// are dropped. Base for ports that only care about a few operations (the
// headless analyser, benchmarks).
class NullUiPort : public UiPort {
public:
    bool RunModalDialog(int32_t, DialogValues&) override { return false; }
    void ShowMessage(const Message&) override {}
    bool AskYesNo(const Message&) override { return false; }
    std::vector<std::string> ChooseFiles(const FileDialogRequest&) override { return {}; }
    std::string ChooseFolder(const std::string&, int32_t) override { return {}; }
    std::string ComboText(int32_t) override { return {}; }
    void FillCombo(int32_t, const std::vector<std::string>&, const std::string&) override {}
    void SetControlChecked(int32_t, bool) override {}
    bool IsControlChecked(int32_t) override { return false; }
    void EnableControl(int32_t, bool) override {}
    void ShowControl(int32_t, bool) override {}
    void CheckMenuItem(int32_t, bool) override {}
    void EnableMenuItem(int32_t, bool) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void NotifyPage(PageId, const PageNotification&) override {}
    void RepaintPages() override {}
    bool StartProcess(const std::string&, const std::vector<std::string>&) override { return false; }
};

}  // namespace kr70

#endif
