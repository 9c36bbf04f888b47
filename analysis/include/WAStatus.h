// Status codes shared by the whole signal-analysis library (0 is success).
#ifndef LMCMANLZ_WASTATUS_H
#define LMCMANLZ_WASTATUS_H

#include <cstdint>

#define LMCMANLZ_API __attribute__((visibility("default")))

// Success.
inline constexpr int WA_OK = 0;
// Invalid argument: zero count or frequency, null pointer, out-of-range
// parameter, wrong mode.
inline constexpr int WA_ERR_ARGUMENT = -1;
// A memory allocation failed.
inline constexpr int WA_ERR_MEMORY = -2;
// The input object has no data, or a requested range exceeds the data.
inline constexpr int WA_ERR_NO_DATA = -200;
// The filter system has not been started (StartFilterSystem).
inline constexpr int WA_ERR_NOT_STARTED = -201;
// The filter holds no coefficients, or has a zero sampling pitch.
inline constexpr int WA_ERR_NO_COEFFICIENTS = -202;
// All 100 coefficient slots are in use.
inline constexpr int WA_ERR_TABLE_FULL = -203;
// The two operands differ in size or in sampling frequency.
inline constexpr int WA_ERR_MISMATCH = -204;
// The frequency filter is of another type than the query needs.
inline constexpr int WA_ERR_WRONG_TYPE = -205;

// What GetTap and WAFreqFilter::GetSampFreq return when the filter system is
// not started: -201 converted to unsigned (4294967095).
inline constexpr uint32_t WA_NOT_STARTED_UNSIGNED = static_cast<uint32_t>(WA_ERR_NOT_STARTED);

#endif
