// The preprocessing file (".prf") and the combined coefficient pattern.
//
// A preprocessing file holds exactly two lines:
//   "Yuragi=use,type,B,C,V"  and  "Freq=use,filterType,taps,low,high"
// and always refers to 22050 Hz (the sampling frequency is not stored).
// The coefficient pattern is the single FIR that applies the yuragi filter
// and then the frequency filter, built with the analysis library's designs.
#ifndef KR70_APP_CORE_PREPROCESSINGFILE_H
#define KR70_APP_CORE_PREPROCESSINGFILE_H

#include <cstdint>
#include <string>

namespace kr70 {

struct PreprocessingRecord {
    int32_t yuragiUse = 0;     // 0 or 1
    int32_t yuragiType = 4;    // yuragi parameter 1 (kernel type 1 … 5)
    int32_t halfLength = 1;    // parameter 2 (B)
    int32_t smoothing = 1;     // parameter 3 (C)
    int32_t overlap = 0;       // parameter 4 (V)
    int32_t freqUse = 0;       // 0 or 1
    int32_t filterType = 1;    // 1 LPF, 2 HPF, 3 BPF, 4 BEF
    int32_t samplingFrequency = 22050;
    int32_t taps = 128;
    int32_t lowerFrequency = 1;   // or cut-off
    int32_t upperFrequency = 0;
};

// Limit of the yuragi part and the capacity the save dialog uses.
inline constexpr uint32_t kPatternLimit = 1024;

// Writes the two lines (text, "\n" line ends, C locale). 0; −300 when the
// file cannot be created; −301 when a line or the close fails (after a failed
// first line the second is not written).
int32_t WritePreprocessingFile(const std::string& path, const PreprocessingRecord& record);

// Builds the pattern into output (capacity values): 0 and *outputCount set,
// or −1 for any failure: a null argument, invalid yuragi parameters or more
// than 1024 yuragi coefficients, taps not a power of two or above 1024, a
// filter type outside 1 … 4, a design the library rejects, a result longer
// than capacity, or no working memory. With both use flags clear the pattern
// is [1.0]. The filter system must be started.
int32_t BuildCoefficientPattern(const PreprocessingRecord* record, uint32_t capacity,
                                double* output, uint32_t* outputCount);

// Writes count values, one "%.10f\n" line each. 0, −300, −301 as above.
int32_t WriteCoefficientPatternFile(const std::string& path, const double* values, uint32_t count);

}  // namespace kr70

#endif
