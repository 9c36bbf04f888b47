#include "EnvironmentFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "FileDialogs.h"
#include "FileNameDialog.h"
#include "Kr70TextIds.h"
#include "LmIni.h"
#include "WaveFile.h"

namespace kr70 {
namespace {

constexpr uint32_t kSoundCardFrequencies[] = {11025, 22050, 32000, 44100, 48000};
constexpr uint32_t kAdBoardFrequencies[] = {10000, 20000, 25000, 40000, 50000};

// A key's value as text: 0 read, 1 missing, else a read error.
int ReadText(const std::string& path, const char* key, std::string& value) {
    char buffer[256] = {};
    const int status = LmIniGetS(path.c_str(), key, sizeof buffer, buffer);
    if (status == LMINI_OK) value = buffer;
    return status;
}

// A missing key keeps the default; a value that is not a whole decimal
// number (blanks around it allowed) is not accepted.
bool ReadInteger(const std::string& path, const char* key, int32_t& value) {
    std::string text;
    const int status = ReadText(path, key, text);
    if (status == LMINI_NOT_FOUND) return true;
    if (status != LMINI_OK) return false;
    text = Trim(text);
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    int32_t parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc() || end != last || first == last) return false;
    value = parsed;
    return true;
}

bool Contains(const uint32_t (&list)[5], int32_t value) {
    return std::find(std::begin(list), std::end(list), static_cast<uint32_t>(value)) != std::end(list);
}

int32_t BufferTimeMs(uint32_t count, uint32_t frequency) {
    return frequency == 0 ? 0 : static_cast<int32_t>(static_cast<double>(count) / frequency * 2000.0);
}

}  // namespace

EnvironmentReadStatus ReadEnvironmentFile(const std::string& path, int32_t currentBoardKind,
                                          EnvironmentValues& values) {
    EnvironmentValues read;
    read.boardKind = currentBoardKind == 2 ? 2 : 1;
    read.frequency = currentBoardKind == 2 ? 50000 : 22050;
    if (ReadText(path, "FileID", read.fileId) != LMINI_OK) return EnvironmentReadStatus::NotEnvironmentFile;
    const int nameStatus = ReadText(path, "FileName", read.fileStem);
    bool readable = nameStatus == LMINI_OK || nameStatus == LMINI_NOT_FOUND;
    readable = ReadInteger(path, "FileNumber", read.fileNumber) && readable;
    readable = ReadInteger(path, "RdtFlag", read.rawDataFlag) && readable;
    readable = ReadInteger(path, "TriggerFlag", read.triggerFlag) && readable;
    readable = ReadInteger(path, "BoardFlag", read.boardKind) && readable;
    readable = ReadInteger(path, "Channel", read.channel) && readable;
    readable = ReadInteger(path, "Frequency", read.frequency) && readable;
    readable = ReadInteger(path, "GainTime", read.acquisitionTimeMs) && readable;
    readable = ReadInteger(path, "WaitTime", read.waitTimeMs) && readable;

    int invalid = readable ? 0 : 1;
    if (read.fileStem.empty()) ++invalid;
    if (read.rawDataFlag != 0 && read.rawDataFlag != 1) ++invalid;
    if (read.triggerFlag != 0 && read.triggerFlag != 1) ++invalid;
    // Only the two board kinds exist; any other kind could not be selected.
    if (read.boardKind != 1 && read.boardKind != 2) ++invalid;
    if (read.channel < 1 || read.channel > 4) ++invalid;
    if (!Contains(read.boardKind == 1 ? kSoundCardFrequencies : kAdBoardFrequencies, read.frequency)) ++invalid;
    if (read.acquisitionTimeMs < 0) ++invalid;
    if (read.waitTimeMs < 0 || read.waitTimeMs > 1000) ++invalid;
    if (invalid != 0) return EnvironmentReadStatus::InvalidValue;
    values = read;
    return EnvironmentReadStatus::Ok;
}

bool WriteEnvironmentFile(const std::string& path, const EnvironmentValues& values) {
    std::string temporary = path + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) return false;
    temporary = name.data();
    // An existing file keeps its other lines and its permissions.
    struct stat existing {};
    mode_t mode = 0;
    bool written = true;
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        mode = existing.st_mode & 07777;
        std::ifstream in(path, std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        written = !in.bad() && ::write(descriptor, content.data(), content.size()) ==
                                   static_cast<ssize_t>(content.size());
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    written = ::close(descriptor) == 0 && written;

    const std::pair<const char*, std::string> keys[] = {
        {"FileID", "LmEnvFile"},
        {"FileName", values.fileStem},
        {"FileNumber", std::to_string(values.fileNumber)},
        {"RdtFlag", std::to_string(values.rawDataFlag)},
        {"TriggerFlag", std::to_string(values.triggerFlag)},
        {"BoardFlag", std::to_string(values.boardKind)},
        {"Channel", std::to_string(values.channel)},
        {"Frequency", std::to_string(values.frequency)},
        {"GainTime", std::to_string(values.acquisitionTimeMs)},
        {"WaitTime", std::to_string(values.waitTimeMs)},
    };
    for (const auto& [key, value] : keys) {
        if (!written) break;
        written = LmIniPutS(temporary.c_str(), key, value.c_str()) == LMINI_OK;
    }
    written = written && ::chmod(temporary.c_str(), mode) == 0 && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) std::remove(temporary.c_str());
    return written;
}

EnvironmentFileCommands::EnvironmentFileCommands(AnalysisState& state, AcquisitionCommands& acquisition,
                                                 Recorder& recorder, Profile& profile, bool viewer)
    : state_(state), acquisition_(acquisition), recorder_(recorder), profile_(profile), viewer_(viewer) {}

EnvironmentOpenOutcome EnvironmentFileCommands::OpenCommand() {
    DefDirFileDialog dialog;
    dialog.request.mustExist = true;
    dialog.request.defaultExtension = "bet";
    dialog.request.filters.push_back(FileFilter{text::kFilterEnvironmentFile, {"bet", "bet"}, {}, {}});
    const std::vector<std::string> paths = RunDefDirFileDialog(state_.Port(), profile_, dialog);
    if (paths.empty()) return EnvironmentOpenOutcome::Cancelled;
    return OpenFile(paths.back());
}

void EnvironmentFileCommands::ReleaseBoard() {
    BoardState& board = acquisition_.Board();
    board.available = 0;
    board.kind = 0;
    board.choiceState = 0;
    board.reasonTextId = text::kMsgBoardNotInitialised;
    state_.SetBoardKind(0);
}

EnvironmentOpenOutcome EnvironmentFileCommands::OpenFile(const std::string& path) {
    UiPort& port = state_.Port();
    AnalysisSettings& s = state_.Settings();
    BoardState& board = acquisition_.Board();
    EnvironmentValues values;
    switch (ReadEnvironmentFile(path, board.kind, values)) {
        case EnvironmentReadStatus::NotEnvironmentFile:
            port.ShowWarning(text::kMsgEnvironmentFileNotRead, kCaptionMainView);
            return EnvironmentOpenOutcome::Rejected;
        case EnvironmentReadStatus::InvalidValue:
            port.ShowWarning(text::kMsgEnvironmentValueInvalid, kCaptionMainView);
            return EnvironmentOpenOutcome::Rejected;
        case EnvironmentReadStatus::Ok:
            break;
    }

    int32_t kind = values.boardKind;
    int32_t channel = values.channel;
    uint32_t frequency = static_cast<uint32_t>(values.frequency);
    double timeMs = values.acquisitionTimeMs;
    uint32_t count =
        static_cast<uint32_t>(std::min<int64_t>(static_cast<int64_t>(values.frequency) * values.acquisitionTimeMs / 1000,
                                                UINT32_MAX));
    EnvironmentOpenOutcome outcome = EnvironmentOpenOutcome::Applied;

    // Without a board (or in the viewer) nothing is recorded: the board kind
    // stays as it is and the rest of the file is taken.
    const bool useRecorder = board.available != 0 && board.kind != 0 && !viewer_;
    if (useRecorder) {
        const int32_t current = board.kind;
        // What the recorder runs with now: the stored frequency may be that of
        // a loaded file.
        const uint32_t currentFrequency = recorder_.GetSampFreq() != 0 ? recorder_.GetSampFreq() : s.samplingFrequency;
        const uint32_t currentCount = recorder_.GetCount() != 0 ? recorder_.GetCount() : s.dataPoints;
        if (kind != current) {
            recorder_.Halt();
            if (recorder_.ChangeBoardSet(kind, 0) != 0) {
                port.ShowWarning(text::kMsgNoBoard, kCaptionMainView);
                if (recorder_.ChangeBoardSet(current, 0) != 0) {
                    port.ShowWarning(text::kMsgBoardNotInitialised, kCaptionMainView);
                    ReleaseBoard();
                    return EnvironmentOpenOutcome::BoardReleased;
                }
                kind = current;
                channel = s.channel;
                frequency = currentFrequency;
                timeMs = s.acquisitionTimeMs;
                count = currentCount;
                outcome = EnvironmentOpenOutcome::BoardKept;
            }
        }
        if (kind == 1) channel = 1;
        recorder_.Halt();
        if (recorder_.Initialize(s.adResolutionBits, channel, s.gainIndex, count, frequency,
                                 static_cast<uint32_t>(BufferTimeMs(count, frequency))) != 0) {
            port.ShowWarning(text::kMsgNoBoard, kCaptionMainView);
            recorder_.Halt();
            if (recorder_.ChangeBoardSet(current, 0) != 0) {
                port.ShowWarning(text::kMsgNoBoard, kCaptionMainView);
                ReleaseBoard();
                return EnvironmentOpenOutcome::BoardReleased;
            }
            if (current == 1) s.channel = 1;
            if (recorder_.Initialize(s.adResolutionBits, s.channel, s.gainIndex, currentCount, currentFrequency,
                                     static_cast<uint32_t>(std::max(s.recordBufferTimeMs, 0))) != 0) {
                port.ShowWarning(text::kMsgNoBoard, kCaptionMainView);
                ReleaseBoard();
                return EnvironmentOpenOutcome::BoardReleased;
            }
            return EnvironmentOpenOutcome::Rejected;
        }
        board.kind = kind;
        state_.SetBoardKind(kind);
        const bool sizeChanged = count != s.dataPoints || frequency != s.samplingFrequency;
        s.channel = channel;
        s.dataPoints = count;
        s.samplingFrequency = frequency;
        s.recordBufferTimeMs = BufferTimeMs(count, frequency);
        if (sizeChanged) s.acquisitionChanged = 1;
    } else {
        s.channel = values.boardKind == 1 ? 1 : channel;
        s.samplingFrequency = frequency;
        s.dataPoints = count;
        s.recordBufferTimeMs = BufferTimeMs(count, frequency);
    }
    path_ = path;
    acquisition_.RawDataFlag() = values.rawDataFlag != 0;
    s.triggerFlag = values.triggerFlag;
    s.fileStem = values.fileStem;
    s.fileNumber = values.fileNumber;
    s.acquisitionTimeMs = timeMs;
    s.acquisitionTimeDecimals = DecimalPlaces(timeMs);
    s.triggerWaitTimeMs = values.waitTimeMs;
    return outcome;
}

EnvironmentValues EnvironmentFileCommands::CurrentValues() const {
    const AnalysisSettings& s = state_.Settings();
    const BoardState& board = acquisition_.Board();
    EnvironmentValues values;
    values.fileStem = s.fileStem;
    values.fileNumber = s.fileNumber;
    values.rawDataFlag = acquisition_.RawDataFlag() ? 1 : 0;
    values.triggerFlag = s.triggerFlag;
    // Without a board the file still names a kind that can be read back.
    values.boardKind = board.kind == 2 ? 2 : 1;
    values.channel = s.channel;
    const bool useRecorder = board.available != 0 && board.kind != 0 && !viewer_;
    const uint32_t recorderFrequency = useRecorder ? recorder_.GetSampFreq() : 0;
    values.frequency = static_cast<int32_t>(recorderFrequency != 0 ? recorderFrequency : s.samplingFrequency);
    values.acquisitionTimeMs = static_cast<int32_t>(s.acquisitionTimeMs);
    values.waitTimeMs = s.triggerWaitTimeMs;
    return values;
}

bool EnvironmentFileCommands::WriteForDialog(const std::string& target) {
    if (!WriteEnvironmentFile(target, CurrentValues())) {
        state_.Port().ShowWarning(text::kMsgEnvironmentFileNotWritten, kCaptionFileDialog);
        return false;
    }
    path_ = target;
    return true;
}

bool EnvironmentFileCommands::SaveCommand() {
    FileNameDialog dialog(state_.Port(), profile_, FileNameMode::Environment, path_,
                          [this](const std::string& target) { return WriteForDialog(target); });
    FileNameDialogValues values(dialog);
    return state_.Port().RunModalDialog(kDialogFileName, values);
}

}  // namespace kr70
