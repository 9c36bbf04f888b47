// Plain scalar reference of the filtering work, built at -O2 without any
// multiversioning: the baseline the library's kernel is measured against.
#ifndef BENCH_ANALYSIS_BASELINE_H
#define BENCH_ANALYSIS_BASELINE_H

#include <cstdint>
#include <vector>

// y[n] = Σ over k = 0 … min(T − 1, n) of h[k]·x[n − k], summed in order of k.
void BaselineFilter(const double* x, uint32_t size, const double* h, uint32_t taps, double* y);

#endif
