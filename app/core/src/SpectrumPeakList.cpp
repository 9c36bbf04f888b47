#include "SpectrumPeakList.h"

#include "LmCmAnlz.h"
#include "NumberText.h"

namespace kr70 {

void SpectrumPeakList::Clear() {
    positions_.fill(-1);
    values_.fill(0.0);
    size_ = 0;
    samplingFrequency_ = 0;
}

void SpectrumPeakList::Build(const WAPowerSpectrum& spectrum) {
    double* amplitude = nullptr;
    const uint32_t size = spectrum.GetSize();
    const uint32_t samplingFrequency = spectrum.GetSampFreq();
    if (size == 0 || samplingFrequency == 0 || spectrum.GetAmpSpectrumLowerPtr(&amplitude) != WA_OK ||
        amplitude == nullptr) {
        Clear();
        return;
    }
    Build(amplitude, size, samplingFrequency);
}

void SpectrumPeakList::Build(const double* amplitude, uint32_t size, uint32_t samplingFrequency) {
    Clear();
    if (amplitude == nullptr || size == 0 || samplingFrequency == 0) {
        return;
    }
    size_ = size;
    samplingFrequency_ = samplingFrequency;
    // v[k] is bin k + 1: the DC bin is left out of the search.
    const int64_t count = static_cast<int64_t>(size / 2) - 1;
    const double* v = amplitude + 1;
    int64_t k = 1;
    while (k < count - 1) {
        const int64_t left = k - 16 < 0 ? 0 : k - 16;
        const int64_t right = k + 15 > count - 1 ? count - 1 : k + 15;
        int64_t j = left;
        while (j <= right && (j == k || v[k] >= v[j])) {
            ++j;
        }
        if (j > right) {
            Offer(static_cast<int32_t>(k), v[k]);
            k = right + 1;
        } else if (j > k) {
            k = j;
        } else {
            ++k;
        }
    }
}

void SpectrumPeakList::Offer(int32_t position, double value) {
    const int32_t last = kLines - 1;
    if (positions_[last] >= 0 && !(value > values_[last])) {
        return;
    }
    int32_t slot = last;
    while (slot > 0 && (positions_[slot - 1] < 0 || values_[slot - 1] < value)) {
        positions_[slot] = positions_[slot - 1];
        values_[slot] = values_[slot - 1];
        --slot;
    }
    positions_[slot] = position;
    values_[slot] = value;
}

double SpectrumPeakList::FrequencyHz(int32_t i) const {
    if (!Filled(i) || size_ == 0) {
        return 0.0;
    }
    return static_cast<double>(Bin(i)) * samplingFrequency_ / size_;
}

std::string SpectrumPeakList::Line(int32_t i) const {
    if (!Filled(i)) {
        return kEmptyLine;
    }
    return FormatC("%10.1fHz", FrequencyHz(i));
}

}  // namespace kr70
