// What kr70-analyse reports for one file: the figures of the analysis state
// after LoadWaveform, as one JSON object or one row of the readable table.
#ifndef KR70_TOOLS_ANALYSEREPORT_H
#define KR70_TOOLS_ANALYSEREPORT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DataQuality.h"

namespace kr70 {

class AnalysisState;

struct FileReport {
    std::string file;  // the path as given
    bool loaded = false;
    int32_t status = 0;  // chain failure code, else RunAbnormalMeasure's result
    uint32_t samplingFrequency = 0;
    uint32_t points = 0;
    uint32_t pitch = 0;
    uint32_t effectiveSamplingFrequency = 0;
    uint32_t analysisPoints = 0;
    uint32_t yuragiPoints = 0;
    uint32_t fftStart = 0;
    uint32_t fftLength = 0;
    uint32_t spectrumSize = 0;
    std::optional<double> peaksHz[5];
    uint32_t squareMeanPoints = 0;
    std::optional<double> totalArea;      // empty whenever DoSquare failed
    std::optional<double> exceedingArea;
    std::optional<int32_t> judgement;     // 1 pass, 2 fail
    std::string totalAreaText;            // "%lf" as the page shows it
    std::string exceedingAreaText;
    QualityReport quality;                // the data-quality guard's findings
};

// Sets state up as kr70-analyse analyses a file: the parameter library's
// defaults, no difference data, then parameterFile (unless empty) opened as
// the workstation's "open parameter file" command opens it, spectra enabled.
// false when the parameter file could not be applied (the port was told).
bool PrepareHeadlessState(AnalysisState& state, const std::string& parameterFile);

// The report of a state after a successful LoadWaveform of file.
FileReport MakeReport(const std::string& file, const AnalysisState& state);

// One JSON object on one line (no line end), keys in a fixed order:
// "file", "loaded", and for a loaded file "status", "sampling_frequency",
// "points", "pitch", "effective_sampling_frequency", "analysis_points",
// "yuragi_points", "fft_start", "fft_length", "spectrum_size", "peaks_hz",
// "square_mean_points", "total_area", "exceeding_area", "judgement",
// "quality" (QualityJson).
std::string ReportJson(const FileReport& report);

// The data-quality guard's report as one JSON object:
// {"valid": true|false, "coding": "16-bit"|"8-bit", "checks": [...]}, one
// object per check that fired: "check" (its name), "positions" (at most 16
// objects {"first", "last", "start_s", "end_s"}: sample indices, inclusive,
// and the times in seconds from the start of the first sample to the end of
// the last), "position_count" (every run found), then the check's figures by
// name (a figure that is not finite, such as the dBFS of silence, is null).
std::string QualityJson(const QualityReport& quality);

// The checks that fired with the time of their first position, for the
// table: "clipping at 0.208 s, dead_channel"; empty for a valid recording.
std::string QualitySummary(const QualityReport& quality);

// The readable table: a heading line and one line per report, the file
// column at least fileWidth characters wide.
std::string ReportTableHeading(int fileWidth = 32);
std::string ReportTableRow(const FileReport& report, int fileWidth = 32);

// Text as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

}  // namespace kr70

#endif
