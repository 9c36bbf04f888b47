#include "AnalysisResult.h"

#include "NumberText.h"

namespace kr70 {

AnalysisResult ComputeAnalysisResult(const double* samples, uint32_t count, double level) {
    AnalysisResult result;
    for (uint32_t i = 0; samples != nullptr && i < count; ++i) {
        result.totalArea += samples[i];
        if (samples[i] >= level) result.exceedingArea += samples[i] - level;
    }
    result.totalText = FormatC("%lf", result.totalArea);
    result.exceedingText = FormatC("%lf", result.exceedingArea);
    return result;
}

}  // namespace kr70
