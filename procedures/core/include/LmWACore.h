// LmWACore — analysis result files and the analysis procedure.
//
// Text formats written here (every line ends with "\n"; readers also accept
// "\r\n"): a header of key=value lines in a fixed order, then one line per
// point. Integers are written in decimal, real values as "%.10f" (fixed point,
// ten decimals, no exponent), several values on one line separated by a single
// comma. Numbers are always written and read in the C locale, whatever the
// process locale is.
//
// Every function returns an int status: 0 success, the analysis library's codes
// (-1 invalid argument, -2 out of memory, -200 no data, -201 filter system not
// started, -202 filter without coefficients, ...) and
//   -300 the file cannot be opened,
//   -301 a write to the file failed (also a failed close; a partly written file
//        stays, the caller decides whether to delete it),
//   -302 the raw-data file is not in the expected format, or ends early,
//   -310 ... -315 steps of DoAnalysis.
// Nothing is thrown and nothing is printed. All objects are owned by the
// caller; inputs are only read.
#ifndef LMWACORE_H
#define LMWACORE_H

#include <cstdint>

#include "LmCmAnlz.h"

#define LMWACORE_API __attribute__((visibility("default")))

inline constexpr int WA_ERR_FILE_OPEN = -300;
inline constexpr int WA_ERR_FILE_WRITE = -301;
inline constexpr int WA_ERR_FILE_FORMAT = -302;
inline constexpr int WA_ERR_ANLZ_SAMPLING = -310;
inline constexpr int WA_ERR_ANLZ_FREQ_FILTER = -312;
inline constexpr int WA_ERR_ANLZ_DIF_DATA = -313;
inline constexpr int WA_ERR_ANLZ_SPECTRUM = -314;
inline constexpr int WA_ERR_ANLZ_DIF_SPECTRUM = -315;

// Header fields of an analysed-data file. The Load…Data operations take it as
// an output and leave it untouched.
struct WAAnlzInfo {
    uint32_t sampPitch = 0;
    uint32_t start = 0;
    uint32_t len = 0;
    int32_t freqFilterType = 0;
    uint32_t freqFilterTap = 0;
    uint32_t freqFilterLow = 0;   // cut-off for LPF/HPF, lower edge for BPF/BEF
    uint32_t freqFilterHigh = 0;  // upper edge for BPF/BEF
    uint32_t sampFreq = 0;
    uint32_t size = 0;
};

// Raw-data file: "SampFreq=%d", "Size=%d", then Size lines "%.10f".
// -200 when data holds nothing; -300 / -301 as above.
LMWACORE_API int SaveRawData(const char* file, const WAData& data);

// Reads a raw-data file into data. Only regular files are read (-300 for a
// directory, device or missing file). "SampFreq=" and "Size=" must carry a
// number from 1 to 2147483647 (leading blanks and a sign allowed, trailing text
// ignored); a header line longer than 1023 characters, a Size the rest of the
// file cannot hold, or fewer sample lines than Size give -302. Sample lines are
// converted as strtod does in the C locale (text that is no number gives 0.0);
// lines after the Size samples are ignored. On every failure data is left
// unchanged. The samples are parsed into data's own array (one copy in memory).
LMWACORE_API int LoadRawData(const char* file, WAData& data);

// Filtered-waveform file: "RawData=%s", "SampPitch=%d", "Start=%d", "Len=%d",
// "FreqFilterType=%s" (NONE, LPF, HPF, BPF, BEF), "FreqFilterTap=%s",
// "FreqFilterFreq=%s" (both empty for NONE; cut-off, or "low,high" for band
// filters), "SampFreq=%d", "Size=%d" (= len), then samples start … start+len−1.
// Checks: -200 no data; -1 len 0 or start+len beyond the data; -202 filter type
// not 0 … 4 or a designed filter without coefficients; a failing filter query
// returns its status. rawDataName may be null (written as empty text).
LMWACORE_API int SaveAnlzData(const char* file, const WAData& data, const char* rawDataName,
                 uint32_t sampPitch, uint32_t start, uint32_t len,
                 const WAFreqFilter& filter);
// Fluctuation-filtered waveform file: same layout and checks as SaveAnlzData.
LMWACORE_API int SaveYuragiFilterData(const char* file, const WAData& data, const char* rawDataName,
                         uint32_t sampPitch, uint32_t start, uint32_t len,
                         const WAFreqFilter& filter);

// Spectrum file: "RawData=%s", "SampPitch=%d", "Start=%d", "Len=%d",
// "SampFreq=%d", "Size=%d" (N), then N lines "re,im,power,amplitude".
// The whole spectrum is written whatever start and len say. -200 when empty.
LMWACORE_API int SaveSpectrumData(const char* file, const WAPowerSpectrum& spectrum,
                     const char* rawDataName, uint32_t sampPitch, uint32_t start,
                     uint32_t len);
// Fluctuation spectrum file: same layout and checks as SaveSpectrumData.
LMWACORE_API int SaveYuragiSpectrumData(const char* file, const WAPowerSpectrum& spectrum,
                           const char* rawDataName, uint32_t sampPitch,
                           uint32_t start, uint32_t len);

// Difference-spectrum file: "RawData=%s", "SampPitch=%d", "Start=%d", "Len=%d",
// "YuragiFilter=type,half,smooth,overlap", "SampFreq=%d", "Size=%d", then N
// lines "difPower,difAmplitude". -200 when empty; a failing parameter query of
// the fluctuation filter returns its status (-202 undesigned, -201 stopped).
LMWACORE_API int SaveDifSpectrumData(const char* file, const WADifSpectrum& spectrum,
                        const char* rawDataName, uint32_t sampPitch, uint32_t start,
                        uint32_t len, const WAYuragiFilter& filter);

// Square-mean file: the SaveAnlzData header up to "SampFreq=%d", then
// "SampPitchIonSquare=%d", "Smooth=%d", "ThreshPeak=%.10f", "PeakAnlz=TRUE"
// (peakAnlz == 1) or "PeakAnlz=FALSE", "SampPitchIonPeak=%d", "WidthPeak=%d",
// "WidthDiag=%d", "ThreshDiag=%.10f", "Size=%d" (= len), then the samples
// start … start+len−1. Checks as SaveAnlzData.
LMWACORE_API int SaveSquareData(const char* file, const WAData& data, const char* rawDataName,
                   uint32_t sampPitch, uint32_t start, uint32_t squarePitch,
                   uint32_t smooth, double threshPeak, int peakAnlz,
                   uint32_t peakPitch, uint32_t widthPeak, uint32_t widthDiag,
                   double threshDiag, uint32_t len, const WAFreqFilter& filter);

// Reading analysed data back is not offered: these return 0 and touch neither
// the target nor info.
LMWACORE_API int LoadAnlzData(const char* file, WAData& data, WAAnlzInfo& info);
LMWACORE_API int LoadSpectrumData(const char* file, WAPowerSpectrum& spectrum, WAAnlzInfo& info);
LMWACORE_API int LoadDifSpectrumData(const char* file, WADifSpectrum& spectrum, WAAnlzInfo& info);

// The whole analysis chain of one waveform:
//   D = source decimated by pitch (-310 on failure),
//   Y = D through the fluctuation filter, keepHead 0 (its status on failure),
//   filtered / yuragi = D / Y through the frequency filter with keepHead 1, or
//     plain copies when the filter's type is 0 (-312 on failure; an undesigned
//     frequency filter fails here),
//   dif = yuragi − filtered (-313),
//   spectrum / yuragiSpectrum = FFT of D / Y over fftStart, fftCount, fftMode
//     (-314),
//   difSpectrum = yuragiSpectrum − spectrum (-315).
// A source without data gives -200 and touches nothing; any later failure
// clears all six outputs. The outputs must be distinct objects, none of them
// the source.
LMWACORE_API int DoAnalysis(const WAData& source, uint32_t pitch, uint32_t fftStart,
               uint32_t fftCount, const WAYuragiFilter& yuragiFilter,
               const WAFreqFilter& freqFilter, int fftMode, WAData& filtered,
               WAData& yuragi, WAData& dif, WAPowerSpectrum& spectrum,
               WAPowerSpectrum& yuragiSpectrum, WADifSpectrum& difSpectrum);

#endif
