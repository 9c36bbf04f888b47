// Radix-2 decimation-in-time FFT on split real/imaginary arrays (internal).
#ifndef LMCMANLZ_FFT_H
#define LMCMANLZ_FFT_H

#include <cstdint>

namespace lmcmanlz {

inline constexpr int kFftForward = 0;
inline constexpr int kFftInverse = 1;

// Transforms n points (n a power of two, n ≥ 1) of inRe/inIm into outRe/outIm.
// inIm may be null (all-zero imaginary input). The inputs are not modified and
// must not overlap the outputs. Forward: X[k] = Σ x[j]·e^(−2πi·jk/n), not
// scaled; inverse: x[j] = (1/n)·Σ X[k]·e^(+2πi·jk/n). Twiddle factors come
// from a sine table built by recurrence on every call. Any alignment works;
// outputs aligned to 64 bytes (as the library allocates its arrays) are
// written by whole cache lines and are markedly faster. Returns 0, -1 when n
// is not a power of two, or -2 when its tables cannot be allocated.
int Fft(const double* inRe, const double* inIm, double* outRe, double* outIm, uint32_t n, int direction);

// The sine table the transform uses: n + n/4 entries, entry k ≈ sin(2πk/n),
// built by the recurrence; exposed for tests.
void BuildSineTable(double* entry, uint32_t n);
// The bit-reversal permutation of n (a power of two) indices.
void BuildBitReversal(uint32_t* table, uint32_t n);

}  // namespace lmcmanlz

#endif
