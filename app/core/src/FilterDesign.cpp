#include "FilterDesign.h"

#include <memory>
#include <new>

#include "LmCmAnlz.h"

namespace kr70 {

int32_t DesignFreqFilter(WAFreqFilter& filter, int32_t type, uint32_t samplingFrequency,
                         uint32_t taps, uint32_t low, uint32_t high) {
    switch (type) {
        case 0:
            return filter.SetNone();
        case 1:
            return filter.SetLPF(samplingFrequency, taps, low);
        case 2:
            return filter.SetHPF(samplingFrequency, taps, low);
        case 3:
            return filter.SetBPF(samplingFrequency, taps, low, high);
        case 4:
            return filter.SetBEF(samplingFrequency, taps, low, high);
        default:
            return -1;
    }
}

int32_t FilterCoefficients(const WAFilter& filter, uint32_t count, double* out) {
    if (out == nullptr || count == 0 || filter.GetTap() != count || filter.GetSampPitch() != 1) {
        return -1;
    }
    std::unique_ptr<double[]> impulse(new (std::nothrow) double[count]());
    if (!impulse) {
        return WA_ERR_MEMORY;
    }
    impulse[0] = 1.0;
    WAData input;
    WAData response;
    int status = input.SetData(impulse.get(), count, 1);
    if (status == WA_OK) {
        // keepHead 1 with pitch 1: y[n] = h[n]·1 for n < count, nothing blanked.
        status = response.SetDataFromFiltering(input, filter, 1);
    }
    if (status == WA_OK) {
        status = response.GetData(out);
    }
    return status;
}

}  // namespace kr70
