#include "Window.h"

#include <cmath>
#include <numbers>

namespace lmcmanlz {

void ApplyWindow(double* coefficients, uint32_t n, int type) {
    if (n < 2) return;
    const double step = 2.0 * std::numbers::pi / static_cast<double>(n - 1);
    for (uint32_t i = 0; i < n; ++i) {
        const double x = step * static_cast<double>(i);
        double w;
        switch (type) {
        case kWindowHamming: w = 0.54 - 0.46 * std::cos(x); break;
        case kWindowHann: w = 0.5 - 0.5 * std::cos(x); break;
        case kWindowBlackman: w = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x); break;
        default: return;
        }
        coefficients[i] *= w;
    }
}

}  // namespace lmcmanlz
