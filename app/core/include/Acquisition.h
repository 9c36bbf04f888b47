// Acquisition — board detection at start-up, the acquire command (button
// 1008) and the card message 6078, over the recorder the analysis state uses.
//
// The logic talks to the acquisition facade through the small Recorder
// interface, so that tests can script a board that answers, fails or is
// missing; WavGetRecorder (RecorderWavGet.h) forwards to the real CLmWavGet.
#ifndef KR70_APP_CORE_ACQUISITION_H
#define KR70_APP_CORE_ACQUISITION_H

#include <cstdint>
#include <functional>
#include <string>

#include "UiPort.h"

namespace kr70 {

class AnalysisState;

// What the acquisition commands need of the facade; the calls and codes are
// CLmWavGet's. window is the platform window handle that receives 6078.
class Recorder {
public:
    virtual ~Recorder() = default;
    virtual int ChangeBoardSet(int32_t boardKind, int fileOnly) = 0;
    virtual int32_t GetBoardKind() const = 0;
    virtual int Initialize(int bits, int channel, int gain, unsigned count, unsigned frequency,
                           uint32_t timeout) = 0;
    virtual int StartRec(void* window, const char* baseName) = 0;
    virtual int StopRec() = 0;
    virtual int GetData(double* out, int32_t mode, int32_t channel) = 0;
    virtual int Halt() = 0;
    virtual unsigned GetCount() const = 0;
    virtual unsigned GetSampFreq() const = 0;

    // Trigger mode and digital input of the A/D board (CLmWavGet's codes).
    // Without an A/D recorder: -1, -1 and 0 (no digital input).
    virtual int TrgModeSet(int /*triggerSwitch*/, void* /*window*/, int /*delayMs*/, const char* /*baseName*/) {
        return -1;
    }
    // samples receives a block of count + 1 volts, released with FreeSamples.
    virtual int TrgModeStop(int /*abort*/, int* /*count*/, double** /*samples*/) { return -1; }
    virtual void FreeSamples(double* /*samples*/) {}
    virtual int GetDISignal(uint16_t* /*word*/) { return 0; }
};

// The application's board fields.
struct BoardState {
    int32_t available = 1;    // 1 at start, 0 when no board could be used
    int32_t kind = 0;         // 0 none, 1 sound card, 2 A/D board
    int32_t choiceState = 0;  // 0 none, 1 sound card, 2 A/D board only, 3 both selectable
    int32_t reasonTextId = 0; // why no board is available: 2002 none found, 2004 not initialised
};

// Triggered acquisition dialog (155). In: the recording settings. Out: the
// file number after the series, the last file recorded (empty: none) and
// whether the display-file combo box is to be rebuilt with it selected
// instead of loading it.
inline constexpr int32_t kDialogTriggeredAcquisition = 155;
struct TriggeredAcquisitionValues : DialogValues {
    std::string fileStem;
    int32_t fileNumber = 1;
    uint32_t samplingFrequency = 0;
    double acquisitionTimeMs = 0.0;
    int32_t triggerWaitTimeMs = 0;
    int32_t channel = 1;
    std::string lastFile;
    bool rebuildCombo = false;
};

// Acquisition settings dialog (134). In: the board information (read only)
// and the stored settings. Out, on OK: the chosen board kind, sampling
// frequency and the sample count trunc(fs · time / 1000), and the rest.
inline constexpr int32_t kDialogAcquisitionSettings = 134;
struct AcquisitionSettingsValues : DialogValues {
    bool viewer = false;
    bool adBoardPresent = false;   // an A/D board answered at start-up
    int32_t choiceState = 0;       // the board choice state of detection
    int32_t boardKind = 1;         // 1 sound card, 2 A/D board
    int32_t gain = 1;              // 1, 2, 5, 10, 20, 50 or 100
    int32_t channel = 1;           // channel number 1 … 4
    uint32_t dataPoints = 0;
    uint32_t samplingFrequency = 0;
    int32_t normalizeFlag = 0;
    double acquisitionTimeMs = 100.0;
    std::string fileStem;
    int32_t fileNumber = 1;
    bool rawDataFlag = false;
    bool triggerFlag = false;
    int32_t triggerWaitTimeMs = 0;
};

// Outcome of one acquire command, for the window's status line and tests.
enum class AcquireOutcome {
    Loaded,          // recorded, file number advanced, the new file loaded
    Refused,         // the recorder refused the run (−98), message 2020
    Failed,          // recording, sample transfer or file missing, message 2005
    RawDataFailed,   // raw-data file not saved, message 2010; number unchanged
    TriggerDialog,   // the triggered acquisition dialog ran
    NoBoard,         // no board available: nothing recorded
};

class AcquisitionCommands {
public:
    // dataDirectory gives the default data directory (may end with "/").
    AcquisitionCommands(AnalysisState& state, Recorder& recorder,
                        std::function<std::string()> dataDirectory);

    // Finds the board (A/D board first, then the sound card) and initialises
    // it with the state's acquisition settings. Main instance only.
    void DetectBoard();
    // Halts the recorder when the view goes (main instance only).
    void Release();

    // Button 1008. window receives the card's messages during the run;
    // enableFrame(false) is called before and enableFrame(true) after.
    AcquireOutcome Acquire(void* window, const std::function<void(bool)>& enableFrame);

    // Buttons 1007 / command 32774: the acquisition settings dialog, up to
    // five attempts; the board is reconfigured with the accepted values.
    // viewer: the viewer instance, which never touches a board. True when
    // settings were accepted and stored.
    bool ChangeSettings(bool viewer);

    // Card message 6078: wParam 2 (overrun) stops the recording.
    void OnCardMessage(uintptr_t wParam);

    // Recording base name given to the recorder for the current file number.
    std::string RecordingName() const;
    // Name of a recorded file: "<stem>-NNN#CC.<extension>" in the data directory.
    std::string RecordedFileName(int32_t fileNumber, int32_t channel, const char* extension) const;

    BoardState& Board() { return board_; }
    const BoardState& Board() const { return board_; }
    // Raw-data creation flag (acquisition settings check box, "RdtFlag").
    bool& RawDataFlag() { return rawDataFlag_; }
    bool Recording() const { return recording_; }

private:
    // Puts a directory in front of a name without one.
    std::string InDataDirectory(const std::string& name) const;
    void FallBackToFileOnly();
    int InitializeFromSettings();
    // Halts, then brings the stored board back (after a cancel or five refusals).
    void RestoreStoredBoard(bool changeBoard);

    AnalysisState& state_;
    Recorder& recorder_;
    std::function<std::string()> dataDirectory_;
    BoardState board_;
    bool rawDataFlag_ = false;
    bool recording_ = false;
};

}  // namespace kr70

#endif
