// The internal FIR kernel at every instruction-set level against a naive
// long-double convolution: block sizes, tails, the zero-padded head and
// thinned outputs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "FirKernel.h"
#include "SimdDispatch.h"
#include "SimdLevelTest.h"
#include "TestSupport.h"

using namespace lmcmanlz;
using anlztest::RandomSignal;

namespace {

class FirAtLevel : public anlztest::SimdLevelTest {};

TEST_P(FirAtLevel, MatchesNaiveConvolution) {
    // Sizes around the vector block (64 outputs) and tap counts from one to
    // longer than the signal.
    for (uint32_t size : {1u, 5u, 63u, 64u, 65u, 200u, 1031u}) {
        for (uint32_t taps : {1u, 2u, 3u, 8u, 17u, 64u, 300u, 1500u}) {
            const std::vector<double> x = RandomSignal(size, size * 7 + taps);
            const std::vector<double> h = RandomSignal(taps, taps * 13 + size);
            std::vector<long double> y, bound;
            anlztest::NaiveConvolution(x, h, y, bound);
            for (uint32_t pitch : {1u, 2u, 5u}) {
                for (uint64_t first : {uint64_t(0), uint64_t(taps)}) {
                    if (first >= size) continue;
                    const uint64_t count = (size - 1 - first) / pitch + 1;
                    std::vector<double> out(count, -99.0);
                    ASSERT_EQ(FirFilter(x.data(), h.data(), taps, first, pitch, count, out.data()), 0);
                    for (uint64_t q = 0; q < count; ++q) {
                        const uint64_t n = first + q * pitch;
                        // Reordered sums differ by rounding only: a few ulps of Σ|terms|.
                        const double tolerance = static_cast<double>(1e-15L * taps * bound[n]) + 1e-300;
                        ASSERT_NEAR(out[q], static_cast<double>(y[n]), tolerance)
                            << "size " << size << " taps " << taps << " pitch " << pitch << " first " << first
                            << " n " << n;
                    }
                }
            }
        }
    }
}

TEST_P(FirAtLevel, HeadStartingInsideThePaddedRegion) {
    // Outputs from position 3 on, with 10 taps: the first six still reach
    // before the start of the signal.
    const std::vector<double> x = RandomSignal(40, 77), h = RandomSignal(10, 78);
    std::vector<long double> y, bound;
    anlztest::NaiveConvolution(x, h, y, bound);
    std::vector<double> out(37);
    ASSERT_EQ(FirFilter(x.data(), h.data(), 10, 3, 1, 37, out.data()), 0);
    for (int q = 0; q < 37; ++q) EXPECT_NEAR(out[q], static_cast<double>(y[3 + q]), 1e-14) << q;
}

INSTANTIATE_TEST_SUITE_P(Levels, FirAtLevel,
                         anlztest::kAllSimdLevels, anlztest::SimdLevelName);

}  // namespace
