#include "baseline.h"

void BaselineFilter(const double* x, uint32_t size, const double* h, uint32_t taps, double* y) {
    for (uint32_t n = 0; n < size; ++n) {
        double sum = 0.0;
        const uint32_t last = n < taps - 1 ? n : taps - 1;
        for (uint32_t k = 0; k <= last; ++k) sum += h[k] * x[n - k];
        y[n] = sum;
    }
}
