#include "Acquisition.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "AnalysisState.h"
#include "LmWACore.h"
#include "TextIds.h"
#include "WaveFile.h"
#include "WAData.h"

namespace kr70 {

namespace {

constexpr int kStatusRunStopped = -98;
constexpr uintptr_t kCardOverrun = 2;

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

AcquisitionCommands::AcquisitionCommands(AnalysisState& state, Recorder& recorder,
                                         std::function<std::string()> dataDirectory)
    : state_(state), recorder_(recorder), dataDirectory_(std::move(dataDirectory)) {}

int AcquisitionCommands::InitializeFromSettings() {
    const AnalysisSettings& s = state_.Settings();
    return recorder_.Initialize(s.adResolutionBits, s.channel, s.gainIndex, s.dataPoints, s.samplingFrequency,
                                static_cast<uint32_t>(std::max(s.recordBufferTimeMs, 0)));
}

void AcquisitionCommands::FallBackToFileOnly() {
    state_.Port().ShowWarning(text::kMsgBoardNotInitialised, kCaptionMainView);
    recorder_.ChangeBoardSet(2, 1);
    board_.available = 0;
    board_.reasonTextId = text::kMsgBoardNotInitialised;
    board_.kind = 0;
    board_.choiceState = 0;
    state_.SetBoardKind(0);
}

void AcquisitionCommands::DetectBoard() {
    AnalysisSettings& s = state_.Settings();
    if (recorder_.ChangeBoardSet(0, 0) != 0) {
        state_.Port().ShowWarning(text::kMsgNoBoard, kCaptionMainView);
        board_.available = 0;
        board_.reasonTextId = text::kMsgNoBoard;
        return;
    }
    board_.kind = recorder_.GetBoardKind();
    if (board_.kind == 1) {
        s.channel = 1;
        board_.choiceState = 1;
    } else {
        // The A/D board answered: see whether the sound card can be chosen
        // too, then come back to the A/D board.
        recorder_.Halt();
        board_.choiceState = 2;
        if (recorder_.ChangeBoardSet(1, 0) == 0) board_.choiceState = 3;
        recorder_.Halt();
        if (recorder_.ChangeBoardSet(0, 0) != 0) {
            state_.Port().ShowWarning(text::kMsgNoBoard, kCaptionMainView);
            board_.available = 0;
            FallBackToFileOnly();
            return;
        }
        board_.kind = recorder_.GetBoardKind();
        s.channel = 1;
        if (board_.kind == 1) {
            board_.choiceState = 1;
        } else {
            s.samplingFrequency = 50000;
            s.dataPoints = 5000;
        }
    }
    state_.SetBoardKind(board_.kind);
    if (InitializeFromSettings() != 0) FallBackToFileOnly();
}

void AcquisitionCommands::Release() { recorder_.Halt(); }

std::string AcquisitionCommands::InDataDirectory(const std::string& name) const {
    if (name.find('/') != std::string::npos) return name;
    std::string directory = dataDirectory_ ? dataDirectory_() : std::string();
    if (directory.empty()) return name;
    if (directory.back() != '/') directory += '/';
    return directory + name;
}

std::string AcquisitionCommands::RecordingName() const {
    const AnalysisSettings& s = state_.Settings();
    char name[64];
    if (board_.kind == 1) {
        std::snprintf(name, sizeof name, "-%03d#%02d.wav", static_cast<int>(s.fileNumber), 1);
    } else {
        std::snprintf(name, sizeof name, "-%03d", static_cast<int>(s.fileNumber));
    }
    return InDataDirectory(s.fileStem + name);
}

std::string AcquisitionCommands::RecordedFileName(int32_t fileNumber, int32_t channel, const char* extension) const {
    char name[64];
    std::snprintf(name, sizeof name, "-%03d#%02d.%s", static_cast<int>(fileNumber), static_cast<int>(channel),
                  extension);
    return InDataDirectory(state_.Settings().fileStem + name);
}

AcquireOutcome AcquisitionCommands::Acquire(void* window, const std::function<void(bool)>& enableFrame) {
    if (!board_.available || recording_) return AcquireOutcome::NoBoard;
    UiPort& port = state_.Port();
    AnalysisSettings& s = state_.Settings();
    const auto enable = [&](bool on) {
        if (enableFrame) enableFrame(on);
    };
    enable(false);
    if (board_.kind != 2) s.triggerFlag = 0;

    if (s.triggerFlag) {
        TriggeredAcquisitionValues values;
        // The series is recorded where every recording goes: a stem without
        // a directory is put in the data directory.
        values.fileStem = InDataDirectory(s.fileStem);
        values.fileNumber = s.fileNumber;
        values.samplingFrequency = recorder_.GetSampFreq();
        values.acquisitionTimeMs = s.acquisitionTimeMs;
        values.triggerWaitTimeMs = s.triggerWaitTimeMs;
        values.channel = s.channel;
        port.RunModalDialog(kDialogTriggeredAcquisition, values);
        if (values.fileNumber != s.fileNumber) s.fileNumber = values.fileNumber;
        if (!values.lastFile.empty()) {
            if (values.rebuildCombo) state_.RebuildFileCombo(values.lastFile);
            else state_.LoadWaveform(values.lastFile);
        }
        enable(true);
        return AcquireOutcome::TriggerDialog;
    }

    PageNotification clear;
    clear.notice = PageNotice::Judgement;
    port.NotifyPage(PageId::ResultIndicator, clear);
    int status = 0;
    {
        WaitCursor wait(port);
        const std::string name = RecordingName();
        recording_ = true;
        status = recorder_.StartRec(window, name.c_str());
        recording_ = false;
    }
    if (status == kStatusRunStopped) {
        enable(true);
        port.ShowWarning(text::kMsgRecordingRefused, kCaptionMainView);
        return AcquireOutcome::Refused;
    }
    if (status != 0) {
        enable(true);
        port.ShowWarning(text::kMsgAcquisitionFailed, kCaptionMainView);
        return AcquireOutcome::Failed;
    }

    if (rawDataFlag_) {
        uint32_t count = s.dataPoints;
        uint32_t frequency = s.samplingFrequency;
        if (s.acquisitionChanged) {
            count = recorder_.GetCount();
            frequency = recorder_.GetSampFreq();
        }
        // GetData copies everything the recorder holds, so the buffer is
        // sized for that even when the stored count is smaller.
        std::vector<double> samples(std::max<size_t>({count, recorder_.GetCount(), 1}));
        WAData raw;
        if (count == 0 || recorder_.GetData(samples.data(), s.normalizeFlag, s.channel) != 0 ||
            raw.SetData(samples.data(), count, frequency) != 0) {
            enable(true);
            port.ShowWarning(text::kMsgAcquisitionFailed, kCaptionMainView);
            return AcquireOutcome::Failed;
        }
        const std::string rawName = RecordedFileName(s.fileNumber, s.channel, "rdt");
        if (SaveRawData(rawName.c_str(), raw) != 0) {
            enable(true);
            port.ShowWarning(text::kMsgRawDataNotSaved, kCaptionMainView);
            return AcquireOutcome::RawDataFailed;
        }
    }

    s.fileNumber += 1;
    const std::string recorded = RecordedFileName(s.fileNumber - 1, s.channel, "wav");
    AcquireOutcome outcome = AcquireOutcome::Loaded;
    if (IsRegularFile(recorded)) {
        if (state_.LoadWaveform(recorded) != 1) outcome = AcquireOutcome::Failed;
    } else {
        port.ShowWarning(text::kMsgAcquisitionFailed, kCaptionMainView);
        outcome = AcquireOutcome::Failed;
    }
    enable(true);
    return outcome;
}

void AcquisitionCommands::RestoreStoredBoard(bool changeBoard) {
    recorder_.Halt();
    if (!board_.available || board_.kind == 0) return;
    if (changeBoard) recorder_.ChangeBoardSet(board_.kind, 0);
    if (board_.kind == 1) state_.Settings().channel = 1;
    InitializeFromSettings();
}

bool AcquisitionCommands::ChangeSettings(bool viewer) {
    AnalysisSettings& s = state_.Settings();
    AcquisitionSettingsValues values;
    values.viewer = viewer;
    values.adBoardPresent = board_.choiceState >= 2;
    values.choiceState = board_.choiceState;
    values.boardKind = board_.kind == 2 ? 2 : 1;
    values.gain = s.gainIndex;
    values.channel = s.channel;
    values.dataPoints = s.dataPoints;
    values.samplingFrequency = s.samplingFrequency;
    if (s.acquisitionChanged) {
        if (board_.available && !viewer) {
            values.dataPoints = recorder_.GetCount();
            values.samplingFrequency = recorder_.GetSampFreq();
        } else {
            values.dataPoints = state_.RawWaveform().GetSize();
            values.samplingFrequency = state_.RawWaveform().GetSampFreq();
        }
    }
    values.normalizeFlag = s.normalizeFlag;
    values.acquisitionTimeMs = s.acquisitionTimeMs;
    values.fileStem = s.fileStem;
    values.fileNumber = s.fileNumber;
    values.rawDataFlag = rawDataFlag_;
    values.triggerFlag = s.triggerFlag != 0;
    values.triggerWaitTimeMs = s.triggerWaitTimeMs;

    UiPort& port = state_.Port();
    for (int attempt = 0; attempt < 5; ++attempt) {
        AcquisitionSettingsValues chosen = values;
        if (!port.RunModalDialog(kDialogAcquisitionSettings, chosen)) {
            RestoreStoredBoard(false);
            return false;
        }
        if (chosen.boardKind != 2) chosen.channel = 1;
        const int32_t bufferTime =
            chosen.samplingFrequency == 0
                ? 0
                : static_cast<int32_t>(static_cast<double>(chosen.dataPoints) / chosen.samplingFrequency * 2000.0);
        recorder_.Halt();
        int status = 0;
        if (board_.available && !viewer) {
            if (board_.kind != 0 && chosen.boardKind != board_.kind) status = recorder_.ChangeBoardSet(chosen.boardKind, 0);
            if (status == 0)
                status = recorder_.Initialize(s.adResolutionBits, chosen.channel, chosen.gain, chosen.dataPoints,
                                              chosen.samplingFrequency, static_cast<uint32_t>(std::max(bufferTime, 0)));
        }
        if (status == 0) {
            const bool sizeChanged =
                chosen.dataPoints != s.dataPoints || chosen.samplingFrequency != s.samplingFrequency;
            s.channel = chosen.channel;
            s.gainIndex = chosen.gain;
            if (board_.available && !viewer) {
                board_.kind = chosen.boardKind;
                state_.SetBoardKind(board_.kind);
            }
            s.acquisitionTimeMs = chosen.acquisitionTimeMs;
            s.acquisitionTimeDecimals = DecimalPlaces(chosen.acquisitionTimeMs);
            s.recordBufferTimeMs = bufferTime;
            s.fileStem = chosen.fileStem;
            s.fileNumber = chosen.fileNumber;
            s.triggerFlag = chosen.triggerFlag ? 1 : 0;
            s.triggerWaitTimeMs = chosen.triggerWaitTimeMs;
            s.normalizeFlag = chosen.normalizeFlag;
            if (sizeChanged) {
                s.dataPoints = chosen.dataPoints;
                s.samplingFrequency = chosen.samplingFrequency;
                s.acquisitionChanged = 1;
            }
            rawDataFlag_ = chosen.rawDataFlag;
            return true;
        }
        port.ShowWarning(text::kMsgFilterNotBuilt, kCaptionMainView);
        values = chosen;  // the dialog reopens with what was entered
    }
    port.ShowWarning(text::kMsgSettingsRejectedFiveTimes, kCaptionMainView);
    RestoreStoredBoard(true);
    return false;
}

void AcquisitionCommands::OnCardMessage(uintptr_t wParam) {
    if (wParam == kCardOverrun) recorder_.StopRec();
}

}  // namespace kr70
