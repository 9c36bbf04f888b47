// Language-table ids of the messages shown by the analysis state and the
// waveform-file routines, under the names this code uses.
#ifndef KR70_APP_CORE_TEXTIDS_H
#define KR70_APP_CORE_TEXTIDS_H

#include <cstdint>

#include "Kr70TextIds.h"

namespace kr70 {

inline constexpr int32_t kTextReadingFile = text::kStatusReadingFile;
inline constexpr int32_t kTextComputingChain = text::kStatusComputingChain;
inline constexpr int32_t kTextComputingMeasure = text::kStatusComputingMeasure;
inline constexpr int32_t kTextComputingSpectra = text::kStatusComputingSpectra;
inline constexpr int32_t kTextSamplesNotStored = text::kMsgAcquisitionFailed;         // 2005
inline constexpr int32_t kTextSettingRejected = text::kMsgFilterNotBuilt;             // 2006
inline constexpr int32_t kTextParameterFileNotRead = text::kMsgParameterFileNotRead;  // 2007
inline constexpr int32_t kTextSettingRejectedFinal = text::kMsgSettingsRejectedFiveTimes;  // 2008
inline constexpr int32_t kTextChainFailed = text::kMsgAnalysisFailed;                 // 2009
inline constexpr int32_t kTextRawDataNotSaved = text::kMsgRawDataNotSaved;            // 2010
inline constexpr int32_t kTextFileNotLoaded = text::kMsgWaveformFileNotRead;          // 2023

static_assert(kTextSettingRejected == 2006 && kTextFileNotLoaded == 2023);

}  // namespace kr70

#endif
