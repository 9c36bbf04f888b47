#include "WAYuragiFilter.h"

#include "FilterTable.h"
#include "Memory.h"

using namespace lmcmanlz;

namespace {

constexpr double kMinimumSum = 1e-6;

// Kernel value at index i (newest sample first) for half length B and type t.
double KernelValue(int type, uint64_t i, uint32_t halfLength) {
    const double b = static_cast<double>(halfLength);
    if (i < halfLength) {
        const double d = static_cast<double>(i);
        switch (type) {
        case 1: return 1.0;
        case 2:
        case 3: return (b - d) / b;
        case 4:
        case 5: return (d + 1.0) / b;
        default: return 0.0;
        }
    }
    if (i < 2 * uint64_t(halfLength)) {
        const double j = static_cast<double>(i - halfLength);
        switch (type) {
        case 1: return -1.0;
        case 2:
        case 4: return -(b - j) / b;
        case 3:
        case 5: return -(j + 1.0) / b;
        default: return 0.0;
        }
    }
    return 0.0;
}

bool ValidKernelType(int type) { return KernelValue(type, 0, 1) >= kMinimumSum; }

}  // namespace

// ------------------------------------------------------------ WAYuragiFilter

WAYuragiFilter::WAYuragiFilter() : m_kernelType(0), m_halfLength(0), m_smoothing(0), m_overlap(0) {}

void WAYuragiFilter::ResetParams() {
    ReleasePattern();
    m_kernelType = 0;
    m_halfLength = 0;
    m_smoothing = 0;
    m_overlap = 0;
}

int WAYuragiFilter::SetParam(int type, uint32_t halfLength, uint32_t smoothing) {
    return Design(type, halfLength, smoothing, 0);
}

int WAYuragiFilter::SetParamEx(int type, uint32_t halfLength, uint32_t smoothing, uint32_t overlap) {
    if (overlap >= halfLength) return WA_ERR_ARGUMENT;
    return Design(type, halfLength, smoothing, overlap);
}

int WAYuragiFilter::Design(int type, uint32_t halfLength, uint32_t smoothing, uint32_t overlap) {
    if (halfLength == 0 || smoothing == 0 || !ValidKernelType(type)) return WA_ERR_ARGUMENT;
    const uint64_t kernelLength = 2 * uint64_t(halfLength);
    const uint64_t usefulLength = kernelLength - overlap;
    const uint64_t taps = usefulLength + smoothing - 1;
    if (taps > UINT32_MAX) return WA_ERR_ARGUMENT;
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    ResetParams();

    ScopedDoubles kernelArray(kernelLength), weightArray(smoothing), resultArray(taps);
    if (!kernelArray || !weightArray || !resultArray) return WA_ERR_MEMORY;
    double* kernel = kernelArray.get();
    double* w = weightArray.get();
    double* c = resultArray.get();

    double sum = 0.0;
    for (uint64_t i = 0; i < kernelLength; ++i) {
        kernel[i] = KernelValue(type, i, halfLength);
        if (i < halfLength) sum += kernel[i];
    }
    if (overlap > 0) {
        // Moves the negative half `overlap` places towards the newest sample.
        for (uint64_t j = 0; j < halfLength; ++j) {
            kernel[halfLength - overlap + j] += kernel[halfLength + j];
            kernel[halfLength + j] = 0.0;
        }
    }
    for (uint64_t i = 0; i < kernelLength; ++i) kernel[i] /= sum;

    // Falling triangular weights summing to 1.
    const double weightSum = static_cast<double>(smoothing) * (static_cast<double>(smoothing) + 1.0) / 2.0;
    for (uint32_t i = 0; i < smoothing; ++i) w[i] = static_cast<double>(smoothing - i) / weightSum;

    // Full linear convolution of the useful kernel with the weights.
    for (uint64_t n = 0; n < taps; ++n) c[n] = 0.0;
    for (uint64_t m = 0; m < usefulLength; ++m)
        for (uint32_t i = 0; i < smoothing; ++i) c[m + i] += kernel[m] * w[i];

    const int status = RegisterPattern(c, static_cast<uint32_t>(taps));
    if (status != WA_OK) return status;
    m_kernelType = type;
    m_halfLength = halfLength;
    m_smoothing = smoothing;
    m_overlap = overlap;
    return WA_OK;
}

int WAYuragiFilter::GetParam(int& type, uint32_t& halfLength, uint32_t& smoothing) const {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    if (m_id == -1 || PatternLength(m_id, this) == 0) return WA_ERR_NO_COEFFICIENTS;
    type = m_kernelType;
    halfLength = m_halfLength;
    smoothing = m_smoothing;
    return WA_OK;
}

int WAYuragiFilter::GetParamEx(int& type, uint32_t& halfLength, uint32_t& smoothing, uint32_t& overlap) const {
    const int status = GetParam(type, halfLength, smoothing);
    if (status != WA_OK) return status;
    overlap = m_overlap;
    return WA_OK;
}

// ------------------------------------------------------------ WALumetoFilter

WALumetoFilter::WALumetoFilter() : m_kernelType(0), m_length(0) {}

int WALumetoFilter::SetParam(int type, uint32_t length) {
    // Argument errors are refused before the old design is given up.
    if (length == 0 || type < 1 || type > 4) return WA_ERR_ARGUMENT;
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    ReleasePattern();
    m_kernelType = 0;
    m_length = 0;

    ScopedDoubles coefficientArray(length);
    if (!coefficientArray) return WA_ERR_MEMORY;
    double* k = coefficientArray.get();
    const uint32_t half = length / 2;
    const uint32_t even = length & ~1u;
    const double m = static_cast<double>(half);
    double sum = 0.0;
    for (uint32_t i = 0; i < length; ++i) {
        const double d = static_cast<double>(i);
        switch (type) {
        case 1:
            if (i < half) {
                k[i] = (m - d) / m;
                sum += k[i];
            } else {
                k[i] = i < even ? -(static_cast<double>(even) - d) / m : 0.0;
            }
            break;
        case 2:
            if (i < half) {
                k[i] = 1.0;
                sum += 1.0;
            } else {
                k[i] = i < even ? -1.0 : 0.0;
            }
            break;
        case 3:
            k[i] = (static_cast<double>(length) - d) / static_cast<double>(length);
            sum += k[i];
            break;
        default:
            k[i] = 1.0;
            sum += 1.0;
            break;
        }
    }
    if (sum < kMinimumSum) return WA_ERR_ARGUMENT;
    for (uint32_t i = 0; i < length; ++i) k[i] /= sum;
    const int status = RegisterPattern(k, length);
    if (status != WA_OK) return status;
    m_kernelType = type;
    m_length = length;
    return WA_OK;
}

int WALumetoFilter::GetParam(int& type, uint32_t& length) const {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    if (m_id == -1 || PatternLength(m_id, this) == 0) return WA_ERR_NO_COEFFICIENTS;
    type = m_kernelType;
    length = m_length;
    return WA_OK;
}
