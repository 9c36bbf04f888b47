#include "SpectrumPeakList.h"

#include <vector>

#include <gtest/gtest.h>

namespace kr70 {
namespace {

// An amplitude array of N bins on a strictly falling baseline (which has no
// local maximum of its own) with values set at bins.
std::vector<double> Spectrum(uint32_t n, std::vector<std::pair<uint32_t, double>> bins) {
    std::vector<double> amplitude(n, 0.0);
    for (uint32_t i = 1; i < n; ++i) amplitude[i] = 1e-3 / i;
    for (auto [bin, value] : bins) amplitude[bin] = value;
    return amplitude;
}

TEST(SpectrumPeakList, ListsTheFiveHighestSeparatedPeaks) {
    // N = 1024 at 1024 Hz: bin b is b Hz.
    const auto a = Spectrum(1024, {{100, 0.5}, {200, 0.9}, {300, 0.2}, {400, 0.7}, {500, 0.3}, {50, 0.1}});
    SpectrumPeakList peaks;
    peaks.Build(a.data(), 1024, 1024);
    EXPECT_EQ(peaks.Bin(0), 200u);
    EXPECT_EQ(peaks.Bin(1), 400u);
    EXPECT_EQ(peaks.Bin(2), 100u);
    EXPECT_EQ(peaks.Bin(3), 500u);
    EXPECT_EQ(peaks.Bin(4), 300u);  // 50 Hz (0.1) is the sixth
    EXPECT_EQ(peaks.Line(0), "     200.0Hz");
    EXPECT_DOUBLE_EQ(peaks.FrequencyHz(1), 400.0);
}

TEST(SpectrumPeakList, PeaksCloserThanTheWindowToAHigherValueAreNotListed) {
    // 110 lies within 16 bins of 100 (higher), so only 100 is a peak; 140 is
    // 40 bins away and counts.
    const auto a = Spectrum(1024, {{100, 0.8}, {110, 0.6}, {140, 0.4}});
    SpectrumPeakList peaks;
    peaks.Build(a.data(), 1024, 22050);
    EXPECT_EQ(peaks.Bin(0), 100u);
    EXPECT_EQ(peaks.Bin(1), 140u);
    EXPECT_FALSE(peaks.Filled(2));
    EXPECT_EQ(peaks.Line(2), "------------");
    EXPECT_EQ(peaks.Line(4), "------------");
    // Frequency (k + 1) × fs / N, shown with one decimal.
    EXPECT_EQ(peaks.Line(0), "    2153.3Hz");  // 100 × 22050 / 1024 = 2153.3203125
}

TEST(SpectrumPeakList, LeavesOutTheDcBinAndTheEnds) {
    // Bin 1 (search position 0) and the last searched bin are never peaks;
    // the DC bin is not searched at all.
    const auto a = Spectrum(256, {{0, 9.0}, {1, 5.0}, {127, 4.0}, {60, 1.0}});
    SpectrumPeakList peaks;
    peaks.Build(a.data(), 256, 256);
    EXPECT_EQ(peaks.Bin(0), 60u);
    EXPECT_FALSE(peaks.Filled(1));
}

TEST(SpectrumPeakList, EqualValuesKeepTheEarlierPeakFirst) {
    const auto a = Spectrum(2048, {{100, 0.5}, {200, 0.5}, {300, 0.5}, {400, 0.5}, {500, 0.5}, {600, 0.5},
                                   {700, 0.6}});
    SpectrumPeakList peaks;
    peaks.Build(a.data(), 2048, 2048);
    // 600 does not enter a full list of equal values; 700 is higher and does.
    EXPECT_EQ(peaks.Bin(0), 700u);
    EXPECT_EQ(peaks.Bin(1), 100u);
    EXPECT_EQ(peaks.Bin(4), 400u);
}

TEST(SpectrumPeakList, APlateauCountsAsPeaksEveryWindow) {
    // A value not below any other in its window is a peak, so a flat spectrum
    // yields peaks at search positions 1, 17, 33, … (bins 2, 18, 34, …).
    const std::vector<double> zeros(1024, 0.0);
    SpectrumPeakList peaks;
    peaks.Build(zeros.data(), 1024, 1024);
    EXPECT_EQ(peaks.Bin(0), 2u);
    EXPECT_EQ(peaks.Bin(1), 18u);
    EXPECT_EQ(peaks.Bin(4), 66u);
}

TEST(SpectrumPeakList, NoSpectrumNoPeaks) {
    SpectrumPeakList peaks;
    peaks.Build(nullptr, 1024, 1024);
    EXPECT_FALSE(peaks.Filled(0));
    const std::vector<double> zeros(8, 0.0);
    peaks.Build(zeros.data(), 8, 0);
    EXPECT_FALSE(peaks.Filled(0));
    EXPECT_EQ(peaks.Line(0), "------------");
}

}  // namespace
}  // namespace kr70
