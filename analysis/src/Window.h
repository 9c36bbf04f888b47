// Window routine of the filter designs (internal).
#ifndef LMCMANLZ_WINDOW_H
#define LMCMANLZ_WINDOW_H

#include <cstdint>

namespace lmcmanlz {

inline constexpr int kWindowHamming = 1;
inline constexpr int kWindowHann = 2;
inline constexpr int kWindowBlackman = 3;

// Multiplies coefficient i by the window value at x = 2π·i/(n − 1):
// 1 Hamming 0.54 − 0.46·cos x, 2 Hann 0.5 − 0.5·cos x, 3 Blackman
// 0.42 − 0.5·cos x + 0.08·cos 2x. Any other type, and n = 1 (no
// denominator), leave the coefficients unchanged. No renormalisation.
void ApplyWindow(double* coefficients, uint32_t n, int type);

}  // namespace lmcmanlz

#endif
