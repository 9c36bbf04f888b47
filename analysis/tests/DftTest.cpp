#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "LmCmAnlz.h"
#include "TestSupport.h"

using anlztest::LongComplex;
using anlztest::NaiveDft;
using anlztest::RandomSignal;

namespace {

std::vector<double> Get(const WAPowerSpectrum& s, int (WAPowerSpectrum::*getter)(double*) const) {
    std::vector<double> v(s.GetSize());
    EXPECT_EQ((s.*getter)(v.data()), 0);
    return v;
}

uint32_t PowerOfTwoFactor(uint32_t n) {
    uint32_t p = 1;
    while (n % 2 == 0) {
        n /= 2;
        p *= 2;
    }
    return p;
}

TEST(SpectrumFromDFT, MatchesANaiveTransformForAnyLength) {
    // Odd lengths and primes take only the direct odd-length step; composite
    // lengths go through radix-2 stages first. The result is the transform
    // divided by the power-of-two factor of the length.
    for (uint32_t n : {1u, 3u, 5u, 7u, 15u, 97u, 101u, 255u, 6u, 12u, 24u, 96u, 1000u, 1536u}) {
        const std::vector<double> x = RandomSignal(n + 9, 100 + n);
        WAData data;
        ASSERT_EQ(data.SetData(x.data(), n + 9, 2000), 0);
        WAPowerSpectrum s;
        ASSERT_EQ(s.SetSpectrumFromDFT(data, 9, n), 0) << n;
        ASSERT_EQ(s.GetSize(), n);
        EXPECT_EQ(s.GetSampFreq(), 2000u);
        const std::vector<LongComplex> expected = NaiveDft(std::vector<double>(x.begin() + 9, x.end()), {});
        long double absSum = 0;
        for (std::size_t j = 9; j < x.size(); ++j) absSum += std::fabs(x[j]);
        // The transform's angle constant 6.28318530718 is 2π to 3e-13 relative.
        const double tolerance = static_cast<double>(3e-12L * absSum + 1e-12L);
        const double scale = PowerOfTwoFactor(n);
        const std::vector<double> re = Get(s, &WAPowerSpectrum::GetRePart), im = Get(s, &WAPowerSpectrum::GetImPart);
        for (uint32_t k = 0; k < n; ++k) {
            EXPECT_NEAR(re[k] * scale, static_cast<double>(expected[k].real()), tolerance) << n << " bin " << k;
            EXPECT_NEAR(im[k] * scale, static_cast<double>(expected[k].imag()), tolerance) << n << " bin " << k;
        }
    }
}

TEST(SpectrumFromDFT, AgreesWithTheFftPathForPowersOfTwo) {
    for (uint32_t n : {2u, 4u, 8u, 64u, 1024u, 4096u}) {
        const std::vector<double> x = RandomSignal(n, 200 + n);
        WAData data;
        ASSERT_EQ(data.SetData(x.data(), n, 1000), 0);
        WAPowerSpectrum dft, fft;
        ASSERT_EQ(dft.SetSpectrumFromDFT(data, 0, 0), 0);
        ASSERT_EQ(fft.SetSpectrumFromFFT(data, 0, 0, 0), 0);
        ASSERT_EQ(dft.GetSize(), n);
        ASSERT_EQ(fft.GetSize(), n);
        const std::vector<double> dRe = Get(dft, &WAPowerSpectrum::GetRePart);
        const std::vector<double> fRe = Get(fft, &WAPowerSpectrum::GetRePart);
        const std::vector<double> dIm = Get(dft, &WAPowerSpectrum::GetImPart);
        const std::vector<double> fIm = Get(fft, &WAPowerSpectrum::GetImPart);
        const std::vector<double> dP = Get(dft, &WAPowerSpectrum::GetPowerSpectrum);
        const std::vector<double> fP = Get(fft, &WAPowerSpectrum::GetPowerSpectrum);
        const std::vector<double> dA = Get(dft, &WAPowerSpectrum::GetAmpSpectrum);
        const std::vector<double> fA = Get(fft, &WAPowerSpectrum::GetAmpSpectrum);
        const double tolerance = 3e-12 * n;
        for (uint32_t k = 0; k < n; ++k) {
            // The DFT path divides by n (its power-of-two factor), the FFT does not.
            EXPECT_NEAR(dRe[k] * n, fRe[k], tolerance) << n << " bin " << k;
            EXPECT_NEAR(dIm[k] * n, fIm[k], tolerance) << n << " bin " << k;
            // Normalisation removes the scale from power and amplitude; below
            // eight points no bin is summed and the scale stays.
            const double ampScale = n < 8 ? n : 1.0;
            EXPECT_NEAR(dP[k] * ampScale * ampScale, fP[k], 1e-9 * (fP[k] + 1e-3)) << n << " bin " << k;
            EXPECT_NEAR(dA[k] * ampScale, fA[k], 1e-9 * (fA[k] + 1e-3)) << n << " bin " << k;
        }
    }
}

TEST(SpectrumFromDFT, WindowChecks) {
    const std::vector<double> x = RandomSignal(30, 19);
    WAData data, empty;
    ASSERT_EQ(data.SetData(x.data(), 30, 100), 0);
    WAPowerSpectrum s;
    EXPECT_EQ(s.SetSpectrumFromDFT(empty, 0, 0), -200);
    EXPECT_EQ(s.SetSpectrumFromDFT(data, 20, 11), -1);
    EXPECT_EQ(s.SetSpectrumFromDFT(data, 30, 0), -1);
    ASSERT_EQ(s.SetSpectrumFromDFT(data, 5, 0), 0);
    EXPECT_EQ(s.GetSize(), 25u);
}

}  // namespace
