// One stored verdict: what was analysed (recording and parameter file, with
// their SHA-256), every setting that entered the chain, and what came out.
// Plain data; the store fills serial, uid and recordedAtUtc when missing.
#ifndef KR70_RESULTS_RESULTRECORD_H
#define KR70_RESULTS_RESULTRECORD_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kr70 {

struct ResultRecord {
    int64_t serial = 0;         // row number given by the store (0 before insert)
    std::string uid;            // 32 hex digits, unique per verdict; makes a resend idempotent
    std::string recordedAtUtc;  // "YYYY-MM-DDTHH:MM:SS.mmmZ" (fixed width, sorts as time)
    std::string station;        // bench name (default the host name)

    std::string recordingPath;    // absolute path of the analysed file
    std::string recordingName;    // its file name (what name patterns match)
    std::string recordingSha256;  // 64 lower-case hex digits, empty when unreadable
    int64_t recordingSize = 0;    // bytes
    uint32_t samplingFrequency = 0;  // of the recording, Hz
    uint32_t sampleCount = 0;        // of the recording

    std::string parameterPath;  // parameter file in use, empty for the defaults
    std::string parameterSha256;

    // Settings that entered the chain.
    uint32_t samplingPitch = 1;
    uint32_t effectiveSamplingFrequency = 0;
    int32_t yuragiParameter[4] = {4, 1, 1, 0};  // type, B, C, V
    int32_t filterType = 0;                     // 0 none, 1 LPF, 2 HPF, 3 BPF, 4 BEF
    uint32_t filterTaps = 0;
    uint32_t lowerFrequency = 0;  // Hz (or cut-off)
    uint32_t upperFrequency = 0;  // Hz
    uint32_t fftStart = 0;
    uint32_t fftLength = 0;       // 0: to the last sample
    int32_t spectraEnabled = 0;
    int32_t squareMeanPitch = 1;
    int32_t smoothingLength = 1;
    double areaLevel = 0.0;       // level above which the exceeding area counts
    double passThreshold = 0.0;
    int32_t inverted = 0;         // 1: areas at or above the threshold pass

    // Outcome.
    int32_t status = 0;                   // chain failure code, else the measure's result
    std::optional<double> totalArea;      // empty when the measure failed
    std::optional<double> exceedingArea;
    int32_t judgement = 0;                // 1 pass (OK), 2 fail (NG), 0 none
    std::optional<double> peaksHz[5];     // the five-peak list, empty slots empty
    std::string programVersion;
    std::string label;                    // "", "good" or "bad"
};

// The lean part of a record that re-judging and threshold work need.
struct ResultSummary {
    int64_t serial = 0;
    std::string recordedAtUtc;
    std::string station;
    std::string recordingPath;
    int32_t status = 0;
    std::optional<double> totalArea;
    std::optional<double> exceedingArea;
    double passThreshold = 0.0;
    int32_t inverted = 0;
    int32_t judgement = 0;
    std::string label;
};

// What judging a stored verdict against another threshold reads: the
// narrowest row, read from an index that holds exactly these columns.
// recordingPath points into the store's row and is valid only during the
// call that passes it.
struct ResultJudgement {
    int64_t serial = 0;
    int32_t judgement = 0;
    std::optional<double> exceedingArea;
    std::string_view recordingPath;
};

// One stored value: null, integer, real or text.
using ResultField = std::variant<std::monostate, int64_t, double, std::string>;

// Every stored column of record with its value, in the store's column order,
// "id" (the serial) first; the names are the store's column names.
std::vector<std::pair<const char*, ResultField>> ResultFields(const ResultRecord& record);

// Fills the recording's and the parameter file's SHA-256 and the recording's
// size when they are empty and the files can be read (reads both files).
void FillDigests(ResultRecord& record);

}  // namespace kr70

#endif
