#include "Measures.h"

#include <cmath>

namespace lmwaion {

std::size_t SquareMean(const double* x, std::size_t count, uint32_t pitch, uint32_t smooth,
                       double* y)
{
    std::size_t m = 0;
    for (std::size_t c = 0; c < count; c += pitch) {
        y[m++] = x[c] * x[c];
    }
    if (smooth <= 1) {
        return m;
    }
    // Trailing moving average, computed in place from the newest value back
    // with one running sum of the smooth−1 values before the current one.
    const std::size_t k = smooth;
    double sum = 0.0;
    if (m >= k) {
        for (std::size_t j = m - 1; j + k > m; --j) {
            sum += y[j];
        }
    }
    for (std::size_t i = m; i-- > 0;) {
        if (i + 1 < k) {
            y[i] = 0.0;
        } else {
            sum = sum + y[i - k + 1] - y[i];
            y[i] = (y[i] + sum) / static_cast<double>(k);
        }
    }
    return m;
}

void PeakStaircase(const double* x, std::size_t count, double threshold, double* accumulated)
{
    if (count == 0) {
        return;
    }
    accumulated[0] = 0.0;
    std::size_t last = 0;  // index of the last accounted peak
    bool inRegion = false;
    std::size_t peak = 0;
    auto closeRegion = [&]() {
        for (std::size_t i = last + 1; i <= peak; ++i) {
            accumulated[i] = accumulated[last];
        }
        accumulated[peak] += x[peak];
        last = peak;
        inRegion = false;
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (x[i] >= threshold) {
            if (!inRegion) {
                inRegion = true;
                peak = i;
            } else if (x[i] > x[peak]) {
                peak = i;
            }
        } else if (inRegion) {
            closeRegion();
        }
    }
    if (inRegion) {
        closeRegion();
    }
    for (std::size_t i = last + 1; i < count; ++i) {
        accumulated[i] = accumulated[last];
    }
}

namespace {

template <int Mode>
double Transform(double v)
{
    if constexpr (Mode == 0) {
        return v * v;
    } else if constexpr (Mode == 2) {
        return v > 0.0 ? std::sqrt(v) : 0.0;
    } else {
        return v;
    }
}

template <int Mode>
void JudgeWith(const double* x, std::size_t count, uint32_t width, double threshold,
               double* result)
{
    for (std::size_t i = count; i-- > 0;) {
        if (i + 1 < width) {
            result[i] = -1.0;
            continue;
        }
        double sum = x[i];
        for (std::size_t j = 1; j < width; ++j) {
            sum += Transform<Mode>(x[i - j]);
        }
        result[i] = sum >= threshold ? 1.0 : 0.0;
    }
}

}  // namespace

void Judge(const double* x, std::size_t count, uint32_t width, double threshold, int mode,
           double* result)
{
    switch (mode) {
    case 0:
        JudgeWith<0>(x, count, width, threshold, result);
        break;
    case 2:
        JudgeWith<2>(x, count, width, threshold, result);
        break;
    default:
        JudgeWith<1>(x, count, width, threshold, result);
        break;
    }
}

}  // namespace lmwaion
