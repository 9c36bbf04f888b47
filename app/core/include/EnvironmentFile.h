// EnvironmentFile — the acquisition environment of a workstation in a
// key/value file (extension "bet"): board, channel, sampling frequency,
// acquisition time, trigger use and wait, raw-data flag, stem and running
// number of recorded files. Command 32804 opens one, 32805 saves one through
// dialog 1064 in environment mode.
//
// Keys, in the order written (all values decimal text):
//   "FileID" = "LmEnvFile", "FileName" (stem, not empty), "FileNumber",
//   "RdtFlag" (0/1), "TriggerFlag" (0/1), "BoardFlag" (1 sound card, 2 A/D
//   board), "Channel" (1…4), "Frequency" (sound card 11025, 22050, 32000,
//   44100, 48000; A/D board 10000, 20000, 25000, 40000, 50000), "GainTime"
//   (acquisition time in ms, ≥ 0), "WaitTime" (trigger wait, 0…1000 ms).
// A missing key keeps its default; a file without "FileID" is not an
// environment file (2016); any value out of range rejects the whole file
// (2018). Nothing changes until the recorder has accepted the file's
// settings; a board that cannot be switched to leaves the old board, channel,
// frequency and time in force.
#ifndef KR70_APP_CORE_ENVIRONMENTFILE_H
#define KR70_APP_CORE_ENVIRONMENTFILE_H

#include <cstdint>
#include <string>

#include "Acquisition.h"
#include "AnalysisState.h"
#include "Profile.h"

namespace kr70 {

inline constexpr int32_t kCommandOpenEnvironmentFile = 32804;
inline constexpr int32_t kCommandSaveEnvironmentFile = 32805;

// The values of one environment file.
struct EnvironmentValues {
    std::string fileId = "LmEnvFile";
    std::string fileStem = "LmWAData";
    int32_t fileNumber = 1;
    int32_t rawDataFlag = 0;
    int32_t triggerFlag = 0;
    int32_t boardKind = 1;
    int32_t channel = 1;
    int32_t frequency = 22050;
    int32_t acquisitionTimeMs = 100;
    int32_t waitTimeMs = 0;
};

enum class EnvironmentReadStatus {
    Ok,
    NotEnvironmentFile,  // "FileID" cannot be read (2016)
    InvalidValue,        // a value out of range or an empty "FileName" (2018)
};

// Reads path with the defaults of a workstation whose board kind is
// currentBoardKind ("BoardFlag" 2 and "Frequency" 50000 for the A/D board,
// else 1 and 22050).
EnvironmentReadStatus ReadEnvironmentFile(const std::string& path, int32_t currentBoardKind,
                                          EnvironmentValues& values);

// Writes the ten keys in order. The file is built beside the target under a
// temporary name (keeping the other lines of an existing target) and renamed
// over it only when every key was written, so a failure never leaves a
// half-written file under the target's name. True when written.
bool WriteEnvironmentFile(const std::string& path, const EnvironmentValues& values);

enum class EnvironmentOpenOutcome {
    Applied,        // the file's values are in force
    BoardKept,      // the file's board could not be selected: the old board,
                    // channel, frequency and time stay, the rest was taken
    Rejected,       // 2016 or 2018, or the recorder refused the settings: nothing taken
    BoardReleased,  // no board could be selected any more (board not available)
    Cancelled,
};

class EnvironmentFileCommands {
public:
    // viewer: the comparison viewer, which never touches a board.
    EnvironmentFileCommands(AnalysisState& state, AcquisitionCommands& acquisition, Recorder& recorder,
                            Profile& profile, bool viewer);

    // 32804: the open dialog (filter 2080 with "bet"), then OpenFile.
    EnvironmentOpenOutcome OpenCommand();
    EnvironmentOpenOutcome OpenFile(const std::string& path);

    // 32805: dialog 1064 in environment mode proposing the file in use; the
    // write failing shows 2127 (caption 2170) and keeps the dialog open.
    bool SaveCommand();
    // The values of the workstation as they are written.
    EnvironmentValues CurrentValues() const;

    // The environment file last opened or saved (empty at start).
    const std::string& Path() const { return path_; }

private:
    bool WriteForDialog(const std::string& target);
    // The board is gone: not available, kind and choice state 0.
    void ReleaseBoard();

    AnalysisState& state_;
    AcquisitionCommands& acquisition_;
    Recorder& recorder_;
    Profile& profile_;
    bool viewer_;
    std::string path_;
};

}  // namespace kr70

#endif
