// Frequency-response designs, checked by what they do: pass band, stop band
// and transition of the response, symmetry and zero ends of the pattern.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "LmCmAnlz.h"
#include "TestSupport.h"
#include "Window.h"

using anlztest::ResponseMagnitude;

namespace {

using FreqFilterTest = anlztest::FilterSystemTest;

std::vector<double> Pattern(const WAFilter& filter) {
    // The impulse response of the filter is its pattern.
    const uint32_t taps = filter.GetTap();
    std::vector<double> impulse(taps, 0.0);
    impulse[0] = 1.0;
    WAData source, response;
    EXPECT_EQ(source.SetData(impulse.data(), taps, 1000), 0);
    EXPECT_EQ(response.SetDataFromFiltering(source, filter, 1), 0);
    std::vector<double> out(response.GetSize());
    EXPECT_EQ(response.GetData(out.data()), 0);
    return out;
}

// Expects |H(f)| within [low, high] for every f in [from, to] (steps of step Hz).
void ExpectResponse(const std::vector<double>& c, double fs, double from, double to, double low, double high,
                    double step) {
    for (double f = from; f <= to; f += step) {
        const double m = ResponseMagnitude(c, f, fs);
        EXPECT_GE(m, low) << f << " Hz";
        EXPECT_LE(m, high) << f << " Hz";
    }
}

TEST_F(FreqFilterTest, LowPass1024TapsEdgeLiesAfterBin102) {
    WAFreqFilter f;
    ASSERT_EQ(f.SetLPF(10000, 1024, 1000), 0);
    EXPECT_EQ(f.GetType(), 1);
    EXPECT_EQ(f.GetSampFreq(), 10000u);
    EXPECT_EQ(f.GetTap(), 1024u);
    uint32_t cutoff = 0;
    ASSERT_EQ(f.GetCutoff(cutoff), 0);
    EXPECT_EQ(cutoff, 1000u);
    const std::vector<double> c = Pattern(f);
    const double df = 10000.0 / 1024;  // 9.765625 Hz
    // Bins 0 … 102 pass, 103 on are stopped: the response crosses one half
    // midway between bins 102 and 103 (a bin more or less would move it by df).
    EXPECT_NEAR(ResponseMagnitude(c, 102.5 * df, 10000), 0.5, 0.08);
    EXPECT_GT(ResponseMagnitude(c, 101.5 * df, 10000), 0.75);
    EXPECT_LT(ResponseMagnitude(c, 103.5 * df, 10000), 0.25);
    ExpectResponse(c, 10000, 0, 98 * df, 0.999, 1.001, df / 3);
    ExpectResponse(c, 10000, 107 * df, 5000, 0, 1e-3, df / 3);
}

TEST_F(FreqFilterTest, HighPassBandPassBandEliminationMasks) {
    const double fs = 8000;
    const double df = fs / 512;  // 15.625 Hz
    WAFreqFilter hpf, bpf, bef;
    ASSERT_EQ(hpf.SetHPF(8000, 512, 1000), 0);
    ASSERT_EQ(bpf.SetBPF(8000, 512, 1000, 2000), 0);
    ASSERT_EQ(bef.SetBEF(8000, 512, 1000, 2000), 0);
    const std::vector<double> h = Pattern(hpf), b = Pattern(bpf), e = Pattern(bef);
    ExpectResponse(h, fs, 0, 1000 - 5 * df, 0, 1e-3, df / 2);
    ExpectResponse(h, fs, 1000 + 5 * df, 4000, 0.999, 1.001, df / 2);
    ExpectResponse(b, fs, 0, 1000 - 5 * df, 0, 1e-3, df / 2);
    ExpectResponse(b, fs, 1000 + 5 * df, 2000 - 5 * df, 0.999, 1.001, df / 2);
    ExpectResponse(b, fs, 2000 + 5 * df, 4000, 0, 1e-3, df / 2);
    ExpectResponse(e, fs, 0, 1000 - 5 * df, 0.999, 1.001, df / 2);
    ExpectResponse(e, fs, 1000 + 5 * df, 2000 - 5 * df, 0, 1e-3, df / 2);
    ExpectResponse(e, fs, 2000 + 5 * df, 4000, 0.999, 1.001, df / 2);
    uint32_t low = 0, high = 0, cutoff = 0;
    ASSERT_EQ(bef.GetBand(low, high), 0);
    EXPECT_EQ(low, 1000u);
    EXPECT_EQ(high, 2000u);
    EXPECT_EQ(bpf.GetCutoff(cutoff), -205);
    EXPECT_EQ(hpf.GetBand(low, high), -205);
    EXPECT_EQ(hpf.GetCutoff(cutoff), 0);
    EXPECT_EQ(cutoff, 1000u);
}

TEST_F(FreqFilterTest, NarrowBandInsideOneBinStillPasses) {
    // A band of 3 Hz inside a 15.6 Hz bin passes that bin.
    WAFreqFilter f;
    ASSERT_EQ(f.SetBPF(8000, 512, 1559, 1562), 0);  // bin 100 spans 1554.7 … 1570.3 Hz
    const std::vector<double> c = Pattern(f);
    EXPECT_GT(ResponseMagnitude(c, 1562.5, 8000), 0.3);
    EXPECT_LT(ResponseMagnitude(c, 1000, 8000), 1e-3);
}

TEST_F(FreqFilterTest, PatternIsCentredAndEndsAtZero) {
    WAFreqFilter f;
    for (uint32_t taps : {16u, 256u, 2048u}) {
        ASSERT_EQ(f.SetBPF(48000, taps, 3000, 9000), 0);
        const std::vector<double> c = Pattern(f);
        ASSERT_EQ(c.size(), taps);
        EXPECT_NEAR(c.front(), 0.0, 1e-16);  // the window vanishes at both ends
        EXPECT_NEAR(c.back(), 0.0, 1e-16);
        // Undoing the (symmetric about (N−1)/2) window shows a response
        // symmetric about N/2: the delay of the filter is N/2 samples.
        std::vector<double> unwindowed(taps, 1.0);
        lmcmanlz::ApplyWindow(unwindowed.data(), taps, lmcmanlz::kWindowBlackman);
        for (uint32_t k = 1; k + 1 < taps / 2; ++k) {
            const double up = c[taps / 2 + k] / unwindowed[taps / 2 + k];
            const double down = c[taps / 2 - k] / unwindowed[taps / 2 - k];
            EXPECT_NEAR(up, down, 1e-9 * (std::fabs(up) + 1e-6)) << taps << " " << k;
        }
    }
}

TEST_F(FreqFilterTest, ArgumentChecks) {
    WAFreqFilter f;
    EXPECT_EQ(f.SetLPF(10000, 1000, 500), -1);  // not a power of two
    EXPECT_EQ(f.SetLPF(10000, 1024, 5000), -1);  // cut-off not below fs/2
    EXPECT_EQ(f.SetLPF(0, 1024, 100), -1);
    EXPECT_EQ(f.SetLPF(10000, 0, 100), -1);
    EXPECT_EQ(f.SetHPF(10000, 64, 0), -1);
    EXPECT_EQ(f.SetBPF(10000, 64, 1000, 1000), -1);
    EXPECT_EQ(f.SetBPF(10000, 64, 2000, 1000), -1);
    EXPECT_EQ(f.SetBEF(10000, 64, 1000, 5000), -1);
    EXPECT_EQ(f.SetBEF(10000, 64, 0, 2000), -1);
    // An argument error keeps a design; a later failure leaves it undesigned.
    ASSERT_EQ(f.SetLPF(10000, 64, 1000), 0);
    EXPECT_EQ(f.SetLPF(10000, 63, 1000), -1);
    EXPECT_EQ(f.GetType(), 1);
    EXPECT_EQ(f.GetTap(), 64u);
}

TEST_F(FreqFilterTest, UndesignedAndPassThrough) {
    WAFreqFilter f;
    uint32_t cutoff = 0, low = 0, high = 0;
    EXPECT_EQ(f.GetType(), -1);
    EXPECT_EQ(f.GetSampFreq(), 0u);
    EXPECT_EQ(f.GetBand(low, high), -202);
    EXPECT_EQ(f.GetCutoff(cutoff), -202);
    ASSERT_EQ(f.SetLPF(1000, 32, 100), 0);
    ASSERT_EQ(f.SetNone(), 0);
    EXPECT_EQ(f.GetType(), 0);
    EXPECT_EQ(f.GetSampFreq(), 0u);
    EXPECT_EQ(f.GetTap(), 1u);
    EXPECT_EQ(f.GetCutoff(cutoff), -205);
    EXPECT_EQ(Pattern(f), std::vector<double>{1.0});
}

TEST_F(FreqFilterTest, OneTapDesignsAreUnwindowedDcDecisions) {
    // One bin only: DC. A low-pass passes it, a high-pass stops it.
    WAFreqFilter lpf, hpf;
    ASSERT_EQ(lpf.SetLPF(1000, 1, 100), 0);
    ASSERT_EQ(hpf.SetHPF(1000, 1, 100), 0);
    EXPECT_EQ(Pattern(lpf), std::vector<double>{1.0});
    EXPECT_EQ(Pattern(hpf), std::vector<double>{0.0});
}

TEST(Window, ShapesAndUnknownTypes) {
    std::vector<double> hamming(5, 1.0), hann(5, 1.0), blackman(5, 1.0), other(5, 2.0), one(1, 3.0);
    lmcmanlz::ApplyWindow(hamming.data(), 5, lmcmanlz::kWindowHamming);
    lmcmanlz::ApplyWindow(hann.data(), 5, lmcmanlz::kWindowHann);
    lmcmanlz::ApplyWindow(blackman.data(), 5, lmcmanlz::kWindowBlackman);
    lmcmanlz::ApplyWindow(other.data(), 5, 4);
    lmcmanlz::ApplyWindow(one.data(), 1, lmcmanlz::kWindowBlackman);
    // x = 0, π/2, π, 3π/2, 2π.
    EXPECT_NEAR(hamming[0], 0.08, 1e-15);
    EXPECT_NEAR(hamming[1], 0.54, 1e-15);
    EXPECT_NEAR(hamming[2], 1.0, 1e-15);
    EXPECT_NEAR(hann[4], 0.0, 1e-15);
    EXPECT_NEAR(hann[1], 0.5, 1e-15);
    EXPECT_NEAR(blackman[0], 0.0, 1e-15);
    EXPECT_NEAR(blackman[1], 0.34, 1e-15);  // 0.42 − 0 + 0.08·cos π
    EXPECT_NEAR(blackman[2], 1.0, 1e-15);
    EXPECT_EQ(other, std::vector<double>(5, 2.0));
    EXPECT_EQ(one, std::vector<double>{3.0});
}

}  // namespace
