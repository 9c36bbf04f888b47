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
//
// Transforms of the same size may share their tables through an FftTables:
// the first call builds them, later calls of the same size reuse them (the
// numbers are the same as with tables of their own).
class FftTables;
int Fft(const double* inRe, const double* inIm, double* outRe, double* outIm, uint32_t n, int direction,
        FftTables* shared = nullptr);

// Forward transform of the n points z[m] = x[2m] + i·x[2m+1] (x holds 2n
// doubles): the same numbers as Fft on the parts copied apart, without the
// copy. Same status codes as Fft.
int FftInterleaved(const double* x, double* outRe, double* outIm, uint32_t n, FftTables* shared = nullptr);

// The sine table, twiddles, scratch and bit reversal of one transform size.
class FftTables {
public:
    FftTables() = default;
    ~FftTables();
    FftTables(const FftTables&) = delete;
    FftTables& operator=(const FftTables&) = delete;

private:
    friend int Fft(const double*, const double*, double*, double*, uint32_t, int, FftTables*);
    friend int TiledTransform(const double*, const double*, bool, double*, double*, uint32_t, int, bool,
                              FftTables*);
    double* m_block = nullptr;
    uint32_t m_n = 0;
    int m_tile = 0;
};

// The sine table the transform uses: n + n/4 entries, entry k ≈ sin(2πk/n),
// built by the recurrence; exposed for tests.
void BuildSineTable(double* entry, uint32_t n);
// The bit-reversal permutation of n (a power of two) indices.
void BuildBitReversal(uint32_t* table, uint32_t n);

}  // namespace lmcmanlz

#endif
