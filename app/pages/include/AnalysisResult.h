// The analysis result dialog (161) behind the hidden analyse button (1202) of
// the abnormal-sound page: the total area and the threshold-exceeding area of
// the square-mean samples it was handed, with the display file's name.
#ifndef KR70_APP_PAGES_ANALYSISRESULT_H
#define KR70_APP_PAGES_ANALYSISRESULT_H

#include <cstdint>
#include <string>

namespace kr70 {

namespace result_dialog {
inline constexpr int32_t kAnalyseButton = 1202;
inline constexpr int32_t kTotalArea = 1216;
inline constexpr int32_t kExceedingArea = 1217;
inline constexpr int32_t kFileName = 1093;
}  // namespace result_dialog

struct AnalysisResult {
    double totalArea = 0.0;      // sum of the samples
    double exceedingArea = 0.0;  // sum of (v − level) over v ≥ level
    std::string totalText;       // "%lf"
    std::string exceedingText;   // "%lf"
};

// The figures the dialog shows; the button opens the dialog only for a
// non-empty square-mean waveform.
AnalysisResult ComputeAnalysisResult(const double* samples, uint32_t count, double level);
inline bool AnalyseButtonOpens(const double* samples, uint32_t count) { return samples != nullptr && count > 0; }

}  // namespace kr70

#endif
