// The internal FFT, tested directly at every instruction-set level this CPU
// offers, against naive long-double transforms and inputs with known spectra.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "Fft.h"
#include "SimdDispatch.h"
#include "SimdLevelTest.h"
#include "TestSupport.h"

using namespace lmcmanlz;
using anlztest::LongComplex;
using anlztest::NaiveDft;
using anlztest::RandomSignal;

namespace {

class FftAtLevel : public anlztest::SimdLevelTest {};

TEST_P(FftAtLevel, ForwardAndInverseMatchNaiveTransforms) {
    // Sizes reach the special cases (1, 2, 4), the single odd stage, paired
    // stages, and sizes beyond the in-cache block of 4096 points.
    for (uint32_t n : {1u, 2u, 4u, 8u, 16u, 32u, 64u, 128u, 512u, 2048u, 8192u}) {
        const std::vector<double> re = RandomSignal(n, n), im = RandomSignal(n, n + 1);
        for (int direction : {kFftForward, kFftInverse}) {
            std::vector<double> outRe(n), outIm(n);
            ASSERT_EQ(Fft(re.data(), im.data(), outRe.data(), outIm.data(), n, direction), 0);
            const std::vector<LongComplex> expected = NaiveDft(re, im, direction == kFftForward ? -1 : +1);
            const long double scale = direction == kFftForward ? 1.0L : 1.0L / n;
            const double tolerance = static_cast<double>(1e-14L * n * std::log2(2.0L * n) * scale + 1e-15L);
            double worst = 0;
            for (uint32_t k = 0; k < n; ++k) {
                worst = std::max(worst, std::fabs(outRe[k] - static_cast<double>(expected[k].real() * scale)));
                worst = std::max(worst, std::fabs(outIm[k] - static_cast<double>(expected[k].imag() * scale)));
            }
            EXPECT_LE(worst, tolerance) << "n " << n << " direction " << direction;
        }
    }
}

TEST_P(FftAtLevel, TwoPointsGiveSumAndDifference) {
    const double re[2] = {3.0, 5.0}, im[2] = {1.0, -2.0};
    double outRe[2], outIm[2];
    ASSERT_EQ(Fft(re, im, outRe, outIm, 2, kFftForward), 0);
    EXPECT_EQ(outRe[0], 8.0);
    EXPECT_EQ(outRe[1], -2.0);
    EXPECT_EQ(outIm[0], -1.0);
    EXPECT_EQ(outIm[1], 3.0);
    ASSERT_EQ(Fft(re, im, outRe, outIm, 2, kFftInverse), 0);
    EXPECT_EQ(outRe[0], 4.0);
    EXPECT_EQ(outRe[1], -1.0);
}

TEST_P(FftAtLevel, OnePointIsTheIdentity) {
    const double re = 2.5;
    double outRe = 0, outIm = 7;
    ASSERT_EQ(Fft(&re, nullptr, &outRe, &outIm, 1, kFftForward), 0);
    EXPECT_EQ(outRe, 2.5);
    EXPECT_EQ(outIm, 0.0);
}

TEST_P(FftAtLevel, LargeTransformsOfKnownSpectra) {
    // cos(2π·a·j/n) puts n/2 into bins a and n − a; e^(2πi·b·j/n) puts n into
    // bin b; an impulse at j0 adds e^(−2πi·k·j0/n) to every bin.
    for (uint32_t n : {1u << 15, 1u << 18}) {
        const uint32_t a = 1234, b = 4321, j0 = 77;
        std::vector<double> re(n), im(n);
        for (uint32_t j = 0; j < n; ++j) {
            const long double pi2 = 2.0L * std::numbers::pi_v<long double>;
            re[j] = static_cast<double>(std::cos(pi2 * ((uint64_t(a) * j) % n) / n) +
                                        std::cos(pi2 * ((uint64_t(b) * j) % n) / n));
            im[j] = static_cast<double>(std::sin(pi2 * ((uint64_t(b) * j) % n) / n));
        }
        re[j0] += 1.0;
        const std::vector<double> inRe = re, inIm = im;
        std::vector<double> outRe(n), outIm(n);
        ASSERT_EQ(Fft(re.data(), im.data(), outRe.data(), outIm.data(), n, kFftForward), 0);
        EXPECT_EQ(re, inRe);  // inputs untouched
        EXPECT_EQ(im, inIm);
        double worst = 0;
        for (uint32_t k = 0; k < n; ++k) {
            const long double angle = -2.0L * std::numbers::pi_v<long double> * ((uint64_t(k) * j0) % n) / n;
            LongComplex expected = std::polar(1.0L, angle);
            if (k == a || k == n - a) expected += n / 2.0L;
            if (k == b) expected += static_cast<long double>(n);
            worst = std::max(worst, static_cast<double>(std::abs(LongComplex(outRe[k], outIm[k]) - expected)));
        }
        EXPECT_LE(worst, 1e-8) << n;
        // And back: the inverse restores the input.
        std::vector<double> backRe(n), backIm(n);
        ASSERT_EQ(Fft(outRe.data(), outIm.data(), backRe.data(), backIm.data(), n, kFftInverse), 0);
        double roundTrip = 0;
        for (uint32_t j = 0; j < n; ++j)
            roundTrip = std::max({roundTrip, std::fabs(backRe[j] - re[j]), std::fabs(backIm[j] - im[j])});
        EXPECT_LE(roundTrip, 1e-12) << n;
    }
}

// The transform's loops as plainly written: copy in bit-reversed order, then
// stage k = 1, 2, 4, … with butterfly j of every block taking the twiddle of
// angle index j·n/(2k) from the sine table.
void PlainRadix2(const std::vector<double>& inRe, const std::vector<double>& inIm, std::vector<double>& re,
                 std::vector<double>& im, int direction) {
    const uint32_t n = static_cast<uint32_t>(inRe.size());
    std::vector<double> sine(n + n / 4);
    std::vector<uint32_t> reversal(n);
    BuildSineTable(sine.data(), n);
    BuildBitReversal(reversal.data(), n);
    re.resize(n);
    im.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        re[i] = inRe[reversal[i]];
        im[i] = inIm[reversal[i]];
    }
    for (uint32_t k = 1; k < n; k *= 2) {
        for (uint32_t j = 0; j < k; ++j) {
            const uint32_t h = j * (n / (2 * k));
            const double c = sine[h + n / 4];
            const double s = direction == kFftForward ? sine[h] : -sine[h];
            for (uint32_t i = j; i < n; i += 2 * k) {
                const uint32_t m = i + k;
                const double dx = s * im[m] + c * re[m];
                const double dy = c * im[m] - s * re[m];
                re[m] = re[i] - dx;
                re[i] += dx;
                im[m] = im[i] - dy;
                im[i] += dy;
            }
        }
    }
    if (direction == kFftInverse) {
        for (uint32_t i = 0; i < n; ++i) {
            re[i] /= n;
            im[i] /= n;
        }
    }
}

TEST_P(FftAtLevel, AgreesWithThePlainLoopsToRounding) {
    // Same table, same butterflies: the blocked, paired and vectorised stages
    // (tiles of 4 or 8, in-cache blocks, column chunks with odd and even
    // stage counts, with and without an imaginary input) may differ from the
    // plain loops only by the rounding of fused multiply-adds and of the
    // order of the products, a few units in the last place per stage.
    for (int bits = 3; bits <= 18; ++bits) {
        const uint32_t n = 1u << bits;
        const std::vector<double> re = RandomSignal(n, 7 * n), im = RandomSignal(n, 7 * n + 1);
        const std::vector<double> zero(n, 0.0);
        for (bool complexInput : {false, true}) {
            for (int direction : {kFftForward, kFftInverse}) {
                const std::vector<double>& inIm = complexInput ? im : zero;
                std::vector<double> expectRe, expectIm;
                PlainRadix2(re, inIm, expectRe, expectIm, direction);
                std::vector<double> outRe(n), outIm(n);
                ASSERT_EQ(Fft(re.data(), complexInput ? im.data() : nullptr, outRe.data(), outIm.data(), n, direction),
                          0);
                double largest = 0, worst = 0;
                for (uint32_t k = 0; k < n; ++k) {
                    largest = std::max({largest, std::fabs(expectRe[k]), std::fabs(expectIm[k])});
                    worst = std::max({worst, std::fabs(outRe[k] - expectRe[k]), std::fabs(outIm[k] - expectIm[k])});
                }
                EXPECT_LE(worst, 4e-16 * bits * largest)
                    << "n " << n << " complex " << complexInput << " direction " << direction;
                // Without fused multiply-adds every butterfly does the plain
                // loops' own operations: the same numbers, bit for bit.
                if (GetParam() == SimdLevel::Baseline) {
                    EXPECT_EQ(outRe, expectRe) << "n " << n << " complex " << complexInput << " direction " << direction;
                    EXPECT_EQ(outIm, expectIm) << "n " << n << " complex " << complexInput << " direction " << direction;
                }
            }
        }
    }
}

TEST_P(FftAtLevel, InterleavedInputGivesTheBitsOfTheSplitParts) {
    // Sizes of the plain loops, of both tile kinds, and of column chunks.
    for (uint32_t n : {1u, 2u, 8u, 16u, 64u, 4096u, 1u << 16}) {
        const std::vector<double> x = RandomSignal(2 * n, n + 5);
        std::vector<double> re(n), im(n);
        for (uint32_t m = 0; m < n; ++m) {
            re[m] = x[2 * m];
            im[m] = x[2 * m + 1];
        }
        std::vector<double> expectRe(n), expectIm(n), outRe(n), outIm(n);
        ASSERT_EQ(Fft(re.data(), im.data(), expectRe.data(), expectIm.data(), n, kFftForward), 0);
        ASSERT_EQ(FftInterleaved(x.data(), outRe.data(), outIm.data(), n), 0);
        EXPECT_EQ(outRe, expectRe) << n;
        EXPECT_EQ(outIm, expectIm) << n;
    }
    double out[3];
    EXPECT_EQ(FftInterleaved(out, out, out, 3), -1);
}

INSTANTIATE_TEST_SUITE_P(Levels, FftAtLevel,
                         anlztest::kAllSimdLevels, anlztest::SimdLevelName);

TEST(Fft, RefusesLengthsThatAreNotPowersOfTwo) {
    double x[6] = {}, y[6], z[6];
    EXPECT_EQ(Fft(x, nullptr, y, z, 6, kFftForward), -1);
    EXPECT_EQ(Fft(x, nullptr, y, z, 0, kFftForward), -1);
}

TEST(FftTables, SineTableByRecurrenceIsAccurate) {
    for (uint32_t n : {4u, 8u, 16u, 64u, 1024u, 1u << 16, 1u << 20}) {
        std::vector<double> entry(n + n / 4);
        BuildSineTable(entry.data(), n);
        double worst = 0;
        for (uint32_t k = 0; k < n + n / 4; ++k)
            worst = std::max(worst, std::fabs(entry[k] - std::sin(2.0 * std::numbers::pi * k / n)));
        EXPECT_LE(worst, 1e-13 * std::max(1.0, std::sqrt(double(n)) / 8)) << n;
        EXPECT_EQ(entry[n / 4], 1.0);  // sin(π/2) and the cosine of angle 0
        EXPECT_EQ(entry[0], 0.0);
    }
}

TEST(FftTables, BitReversalEndsAndPermutes) {
    std::vector<uint32_t> one(1), two(2), eight(8);
    BuildBitReversal(one.data(), 1);
    BuildBitReversal(two.data(), 2);
    BuildBitReversal(eight.data(), 8);
    EXPECT_EQ(one, std::vector<uint32_t>{0});
    EXPECT_EQ(two, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(eight, (std::vector<uint32_t>{0, 4, 2, 6, 1, 5, 3, 7}));
    const uint32_t n = 1u << 12;
    std::vector<uint32_t> table(n);
    BuildBitReversal(table.data(), n);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t reversed = 0;
        for (int bit = 0; bit < 12; ++bit)
            if (i & (1u << bit)) reversed |= 1u << (11 - bit);
        ASSERT_EQ(table[i], reversed) << i;
    }
}

}  // namespace
