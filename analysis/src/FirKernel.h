// Direct FIR convolution kernel (internal).
#ifndef LMCMANLZ_FIRKERNEL_H
#define LMCMANLZ_FIRKERNEL_H

#include <cstdint>

namespace lmcmanlz {

// Computes count outputs of the causal convolution of x with h
// (taps coefficients, h[0] weighing the newest sample), the outputs at input
// positions first, first + pitch, first + 2·pitch, …:
//   out[q] = Σ over k = 0 … min(taps − 1, n) of h[k]·x[n − k], n = first + q·pitch.
// Samples before x[0] count as zero. The caller guarantees that x holds the
// last position. Blocks of outputs are accumulated in vector
// registers; the summation order differs from a plain loop, so results agree
// with it to rounding. Returns 0, or -2 when a temporary cannot be allocated.
int FirFilter(const double* x, const double* h, uint32_t taps, uint64_t first, uint32_t pitch,
              uint64_t count, double* out);

}  // namespace lmcmanlz

#endif
