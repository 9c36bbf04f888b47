// Designing frequency filters from the workstation's settings and reading the
// coefficients of any designed filter back.
#ifndef KR70_APP_CORE_FILTERDESIGN_H
#define KR70_APP_CORE_FILTERDESIGN_H

#include <cstdint>

class WAFilter;
class WAFreqFilter;

namespace kr70 {

// type 0 SetNone; 1 SetLPF (fs, taps, low); 2 SetHPF (fs, taps, low);
// 3 SetBPF (fs, taps, low, high); 4 SetBEF (fs, taps, low, high). The
// setter's result, −1 for another type (the filter is then untouched).
int32_t DesignFreqFilter(WAFreqFilter& filter, int32_t type, uint32_t samplingFrequency,
                         uint32_t taps, uint32_t low, uint32_t high);

// The filter's count coefficients (count = its GetTap()), obtained as its
// response to a unit impulse: coefficient k weighs the sample k steps back.
// 0, or the library's status; −1 when count differs from GetTap().
int32_t FilterCoefficients(const WAFilter& filter, uint32_t count, double* out);

}  // namespace kr70

#endif
