#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
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

std::vector<double> Power(const WAPowerSpectrum& s) { return Get(s, &WAPowerSpectrum::GetPowerSpectrum); }
std::vector<double> Amp(const WAPowerSpectrum& s) { return Get(s, &WAPowerSpectrum::GetAmpSpectrum); }
std::vector<double> Re(const WAPowerSpectrum& s) { return Get(s, &WAPowerSpectrum::GetRePart); }
std::vector<double> Im(const WAPowerSpectrum& s) { return Get(s, &WAPowerSpectrum::GetImPart); }

// The transform of points [from, from + n) of x, computed naively.
std::vector<LongComplex> NaiveWindow(const std::vector<double>& x, std::size_t from, std::size_t n) {
    return NaiveDft(std::vector<double>(x.begin() + from, x.begin() + from + n), {});
}

// Expects the spectrum's complex parts to be the naive transform.
void ExpectComplex(const WAPowerSpectrum& s, const std::vector<LongComplex>& expected, double scale = 1.0) {
    const std::vector<double> re = Re(s), im = Im(s);
    ASSERT_EQ(re.size(), expected.size());
    const long double tolerance = 1e-11L * (anlztest::MaxMagnitude(expected) + 1.0L);
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_NEAR(re[k] * scale, static_cast<double>(expected[k].real()), static_cast<double>(tolerance)) << k;
        EXPECT_NEAR(im[k] * scale, static_cast<double>(expected[k].imag()), static_cast<double>(tolerance)) << k;
    }
}

// Power and amplitude normalised as the library does, from a naive transform.
void NormalisedFromNaive(const std::vector<LongComplex>& x, std::vector<long double>& power,
                         std::vector<long double>& amp) {
    const std::size_t n = x.size();
    power.resize(n);
    amp.resize(n);
    long double ps = 0, as = 0;
    for (std::size_t i = 0; i < n; ++i) {
        power[i] = std::norm(x[i]);
        amp[i] = std::abs(x[i]);
    }
    for (std::size_t i = 1; i + 1 < n / 2; ++i) {
        ps += power[i];
        as += amp[i];
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (ps >= 1e-6L) power[i] /= ps;
        if (as >= 1e-6L) amp[i] /= as;
    }
}

TEST(SetSpectrum, PowerAmplitudeAndInBandNormalisation) {
    // Eight bins; the in-band bins are 1, 2 (1 ≤ i < 8/2 − 1).
    const std::vector<double> re{5, 3, 0, 1, 2, 0, 0, 7};
    const std::vector<double> im{0, 4, 1, 0, 0, 0, 0, 0};
    WAPowerSpectrum s;
    ASSERT_EQ(s.SetSpectrum(re.data(), im.data(), 8, 1000), 0);
    EXPECT_EQ(s.GetSize(), 8u);
    EXPECT_EQ(s.GetSampFreq(), 1000u);
    EXPECT_EQ(Re(s), re);  // stored unscaled
    EXPECT_EQ(Im(s), im);
    // Power sum over bins 1, 2: 25 + 1 = 26; amplitude sum: 5 + 1 = 6.
    const std::vector<double> power = Power(s), amp = Amp(s);
    const double rawPower[8] = {25, 25, 1, 1, 4, 0, 0, 49};
    const double rawAmp[8] = {5, 5, 1, 1, 2, 0, 0, 7};
    for (int i = 0; i < 8; ++i) {
        EXPECT_DOUBLE_EQ(power[i], rawPower[i] / 26.0) << i;
        EXPECT_DOUBLE_EQ(amp[i], rawAmp[i] / 6.0) << i;
    }
}

TEST(SetSpectrum, FewerThanFourBinsAreNotNormalised) {
    // count/2 − 1 ≤ 1: no in-band bin, so nothing is divided.
    for (uint32_t count : {1u, 2u, 3u}) {
        const std::vector<double> re{3, 6, 9}, im{4, 8, 12};
        WAPowerSpectrum s;
        ASSERT_EQ(s.SetSpectrum(re.data(), im.data(), count, 10), 0);
        const std::vector<double> power = Power(s), amp = Amp(s);
        for (uint32_t i = 0; i < count; ++i) {
            EXPECT_DOUBLE_EQ(power[i], re[i] * re[i] + im[i] * im[i]);
            EXPECT_DOUBLE_EQ(amp[i], 5.0 * (i + 1));
        }
    }
}

TEST(SetSpectrum, RefusalsAndNullDestinations) {
    const std::vector<double> re{1, 2, 3, 4}, im{0, 0, 0, 0};
    WAPowerSpectrum s;
    EXPECT_EQ(s.SetSpectrum(nullptr, im.data(), 4, 10), -1);
    EXPECT_EQ(s.SetSpectrum(re.data(), nullptr, 4, 10), -1);
    EXPECT_EQ(s.SetSpectrum(re.data(), im.data(), 0, 10), -1);
    EXPECT_EQ(s.SetSpectrum(re.data(), im.data(), 4, 0), -1);
    double out[4];
    double* pointer = nullptr;
    EXPECT_EQ(s.GetPowerSpectrum(out), -200);
    EXPECT_EQ(s.GetAmpSpectrumDataPtr(&pointer), -200);
    ASSERT_EQ(s.SetSpectrum(re.data(), im.data(), 4, 10), 0);
    EXPECT_EQ(s.GetRePart(nullptr), -1);
    EXPECT_EQ(s.GetImPart(nullptr), -1);
    EXPECT_EQ(s.GetPowerSpectrum(nullptr), -1);
    EXPECT_EQ(s.GetAmpSpectrum(nullptr), -1);
    EXPECT_EQ(s.GetPowerSpectrumDataPtr(&pointer), 0);
    EXPECT_EQ(pointer[3], 16.0);  // bins 1 ≤ i < 1: none, unscaled
    EXPECT_EQ(s.ClearData(), 0);
    EXPECT_EQ(s.GetSize(), 0u);
    EXPECT_EQ(s.GetRePart(out), -200);
}

TEST(SpectrumFromFFT, SinusoidOnABinHasPowerOneAtKAndMirror) {
    // k whole cycles in 1024 points put all energy into bins k and N − k; only
    // bin k lies in the summed band, so both come out as exactly one share.
    const uint32_t n = 1024;
    for (uint32_t k : {1u, 17u, 200u, 510u}) {
        std::vector<double> x(n);
        for (uint32_t i = 0; i < n; ++i) x[i] = std::sin(2.0 * std::numbers::pi * k * i / n);
        WAData data;
        ASSERT_EQ(data.SetData(x.data(), n, 8192), 0);
        WAPowerSpectrum s;
        ASSERT_EQ(s.SetSpectrumFromFFT(data, 0, 0, 0), 0);
        ASSERT_EQ(s.GetSize(), n);
        const std::vector<double> power = Power(s), amp = Amp(s);
        EXPECT_NEAR(power[k], 1.0, 1e-9) << k;
        EXPECT_NEAR(power[n - k], 1.0, 1e-9) << k;
        EXPECT_NEAR(amp[k], 1.0, 1e-6) << k;
        EXPECT_NEAR(amp[n - k], 1.0, 1e-6) << k;
        double others = 0;
        for (uint32_t i = 1; i < n / 2 - 1; ++i)
            if (i != k) others += power[i];
        EXPECT_LT(others, 1e-9);
    }
}

TEST(SpectrumFromFFT, ZeroWaveformStaysZero) {
    const std::vector<double> x(256, 0.0);
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 256, 100), 0);
    WAPowerSpectrum s;
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 0, 0, 0), 0);
    EXPECT_EQ(Power(s), x);
    EXPECT_EQ(Amp(s), x);
}

TEST(SpectrumFromFFT, ModesChooseFirstLastOrCentredPoints) {
    const std::vector<double> x = RandomSignal(1300, 11);
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 1300, 5000), 0);
    const uint32_t start = 150;
    // A window of 1000 points transforms 512 of them.
    const struct {
        int mode;
        std::size_t from;
    } cases[] = {{0, start}, {1, start + 488}, {2, start + 244}};
    for (const auto& c : cases) {
        WAPowerSpectrum s;
        ASSERT_EQ(s.SetSpectrumFromFFT(data, start, 1000, c.mode), 0);
        EXPECT_EQ(s.GetSize(), 512u);
        EXPECT_EQ(s.GetSampFreq(), 5000u);
        ExpectComplex(s, NaiveWindow(x, c.from, 512));
    }
}

TEST(SpectrumFromFFT, PowerOfTwoWindowIgnoresTheMode) {
    const std::vector<double> x = RandomSignal(1100, 12);
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 1100, 5000), 0);
    WAPowerSpectrum reference;
    ASSERT_EQ(reference.SetSpectrumFromFFT(data, 30, 1024, 0), 0);
    for (int mode : {1, 2, -1, 3}) {
        WAPowerSpectrum s;
        ASSERT_EQ(s.SetSpectrumFromFFT(data, 30, 1024, mode), 0) << mode;
        EXPECT_EQ(Power(s), Power(reference)) << mode;
        EXPECT_EQ(Amp(s), Amp(reference)) << mode;
        EXPECT_EQ(Re(s), Re(reference)) << mode;
    }
    WAPowerSpectrum s;
    EXPECT_EQ(s.SetSpectrumFromFFT(data, 30, 1000, 3), -1);
    EXPECT_EQ(s.SetSpectrumFromFFT(data, 30, 1000, -2), -1);
}

TEST(SpectrumFromFFT, CountZeroRunsToTheEnd) {
    const std::vector<double> x = RandomSignal(4096, 13);
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 4096, 4096), 0);
    WAPowerSpectrum s;
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 100, 0, 0), 0);
    EXPECT_EQ(s.GetSize(), 2048u);  // largest power of two ≤ 3996
    ExpectComplex(s, NaiveWindow(x, 100, 2048));
}

TEST(SpectrumFromFFT, TwoWindowAverage) {
    const std::vector<double> x = RandomSignal(700, 14);
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 700, 1000), 0);
    WAPowerSpectrum s;
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 50, 600, -1), 0);
    ASSERT_EQ(s.GetSize(), 512u);
    EXPECT_EQ(Re(s), std::vector<double>(512, 0.0));
    EXPECT_EQ(Im(s), std::vector<double>(512, 0.0));
    std::vector<long double> p1, a1, p2, a2;
    NormalisedFromNaive(NaiveWindow(x, 50, 512), p1, a1);
    NormalisedFromNaive(NaiveWindow(x, 50 + 600 - 512, 512), p2, a2);
    const std::vector<double> power = Power(s), amp = Amp(s);
    for (std::size_t i = 0; i < 512; ++i) {
        EXPECT_NEAR(power[i], static_cast<double>((p1[i] + p2[i]) / 2), 1e-12) << i;
        EXPECT_NEAR(amp[i], static_cast<double>((a1[i] + a2[i]) / 2), 1e-12) << i;
    }
}

TEST(SpectrumFromFFT, TwoWindowAverageIsExactlyTheMeanOfTheFirstAndLastWindows) {
    // Mode 0 and mode 1 give each window's normalised spectrum; the average
    // must be their mean to the last bit, whatever the object held before:
    // nothing, arrays of the same length (written over) or of another length.
    // 8192 points take the real-input transform, 2048 the complex one.
    for (const auto& [count, n] : {std::pair<uint32_t, uint32_t>{3000, 2048}, {12000, 8192}}) {
    const std::vector<double> x = RandomSignal(count, 22), other = RandomSignal(count, 23);
    WAData data, otherData;
    ASSERT_EQ(data.SetData(x.data(), count, 48000), 0);
    ASSERT_EQ(otherData.SetData(other.data(), count, 1000), 0);
    WAPowerSpectrum first, last;
    ASSERT_EQ(first.SetSpectrumFromFFT(data, 0, count, 0), 0);
    ASSERT_EQ(last.SetSpectrumFromFFT(data, 0, count, 1), 0);
    const std::vector<double> p1 = Power(first), p2 = Power(last), a1 = Amp(first), a2 = Amp(last);
    std::vector<double> power(n), amp(n);
    for (uint32_t i = 0; i < n; ++i) {
        power[i] = (p1[i] + p2[i]) / 2.0;
        amp[i] = (a1[i] + a2[i]) / 2.0;
    }
    for (uint32_t heldCount : {0u, count, 700u}) {
        WAPowerSpectrum s;
        if (heldCount != 0) {
            ASSERT_EQ(s.SetSpectrumFromFFT(otherData, 0, heldCount, 0), 0);
        }
        ASSERT_EQ(s.SetSpectrumFromFFT(data, 0, count, -1), 0) << heldCount;
        EXPECT_EQ(s.GetSize(), n);
        EXPECT_EQ(s.GetSampFreq(), 48000u);
        EXPECT_EQ(Power(s), power) << heldCount;
        EXPECT_EQ(Amp(s), amp) << heldCount;
        EXPECT_EQ(Re(s), std::vector<double>(n, 0.0)) << heldCount;
        EXPECT_EQ(Im(s), std::vector<double>(n, 0.0)) << heldCount;
    }
    }
}

TEST(SpectrumFromFFT, LongWindowsTakeTheRealInputTransform) {
    const std::vector<double> x = RandomSignal(4096, 31);
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 4096, 1000), 0);
    WAPowerSpectrum s;
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 0, 4096, 0), 0);
    ExpectComplex(s, NaiveWindow(x, 0, 4096));
}

TEST(SpectrumFromFFT, LongSpectraFormTheirUpperBinsWhenAWholeArrayIsLent) {
    // A long transform stores bins 0 … N/2 and mirrors the rest on demand:
    // the copies, the lent arrays and a recomputation over arrays whose upper
    // bins were formed must all agree with a fresh object to the last bit.
    const std::vector<double> a = RandomSignal(12000, 40), b = RandomSignal(12000, 41);
    WAData da, db;
    ASSERT_EQ(da.SetData(a.data(), 12000, 1000), 0);
    ASSERT_EQ(db.SetData(b.data(), 12000, 1000), 0);
    for (int mode : {0, -1}) {
        WAPowerSpectrum reused, fresh;
        ASSERT_EQ(reused.SetSpectrumFromFFT(da, 0, 12000, mode), 0);
        const std::vector<double> power = Power(reused), amp = Amp(reused), im = Im(reused);
        ASSERT_EQ(power.size(), 8192u);
        EXPECT_EQ(power[8192 - 3], power[3]);
        EXPECT_EQ(im[8192 - 3], mode == 0 ? -im[3] : 0.0);
        double* lower = nullptr;
        double* lent = nullptr;
        ASSERT_EQ(reused.GetAmpSpectrumLowerPtr(&lower), 0);
        EXPECT_EQ(std::vector<double>(lower, lower + 4097), std::vector<double>(amp.begin(), amp.begin() + 4097));
        ASSERT_EQ(reused.GetPowerSpectrumLowerPtr(&lower), 0);
        EXPECT_EQ(std::vector<double>(lower, lower + 4097), std::vector<double>(power.begin(), power.begin() + 4097));
        ASSERT_EQ(reused.GetPowerSpectrumDataPtr(&lent), 0);
        EXPECT_EQ(std::vector<double>(lent, lent + 8192), power) << mode;
        ASSERT_EQ(reused.GetAmpSpectrumDataPtr(&lent), 0);
        EXPECT_EQ(std::vector<double>(lent, lent + 8192), amp) << mode;
        EXPECT_EQ(Im(reused), im);

        ASSERT_EQ(reused.SetSpectrumFromFFT(db, 0, 12000, mode), 0);
        ASSERT_EQ(fresh.SetSpectrumFromFFT(db, 0, 12000, mode), 0);
        EXPECT_EQ(Re(reused), Re(fresh)) << mode;
        EXPECT_EQ(Im(reused), Im(fresh)) << mode;
        EXPECT_EQ(Power(reused), Power(fresh)) << mode;
        EXPECT_EQ(Amp(reused), Amp(fresh)) << mode;
    }
}

TEST(SpectrumFromFFT, UnknownModeLeavesAHeldSpectrumAsItWas) {
    const std::vector<double> x = RandomSignal(1000, 24);
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 1000, 100), 0);
    WAPowerSpectrum s;
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 0, 1000, -1), 0);
    const std::vector<double> power = Power(s);
    for (uint32_t count : {1000u, 300u}) {  // 512 points as held, 256 points
        EXPECT_EQ(s.SetSpectrumFromFFT(data, 0, count, 3), -1) << count;
        EXPECT_EQ(s.GetSize(), 512u);
        EXPECT_EQ(s.GetSampFreq(), 100u);
        EXPECT_EQ(Power(s), power);
    }
}

TEST(SpectrumFromFFT, RecomputingAtTheSameLengthReplacesEverything) {
    // The second call of each pair reuses the held arrays; its result must be
    // that of a fresh object, whatever the first call left behind.
    const std::vector<double> a = RandomSignal(768, 20), b = RandomSignal(768, 21);
    WAData da, db;
    ASSERT_EQ(da.SetData(a.data(), 768, 1000), 0);
    ASSERT_EQ(db.SetData(b.data(), 768, 2000), 0);
    for (int firstMode : {0, -1}) {
        WAPowerSpectrum reused, fresh;
        ASSERT_EQ(reused.SetSpectrumFromFFT(da, 0, 768, firstMode), 0);
        ASSERT_EQ(reused.SetSpectrumFromFFT(db, 0, 768, 1), 0);
        ASSERT_EQ(fresh.SetSpectrumFromFFT(db, 0, 768, 1), 0);
        EXPECT_EQ(reused.GetSampFreq(), 2000u);
        EXPECT_EQ(Re(reused), Re(fresh));
        EXPECT_EQ(Im(reused), Im(fresh));
        EXPECT_EQ(Power(reused), Power(fresh));
        EXPECT_EQ(Amp(reused), Amp(fresh));
    }
}

TEST(SpectrumFromFFT, SmallWindows) {
    // One point is its own transform; two points give sum and difference.
    const std::vector<double> x{3.0, -1.0, 7.0};
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 3, 10), 0);
    WAPowerSpectrum s;
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 2, 1, 0), 0);
    EXPECT_EQ(Re(s), std::vector<double>{7.0});
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 0, 2, 0), 0);
    EXPECT_EQ(Re(s), (std::vector<double>{2.0, 4.0}));
    EXPECT_EQ(Im(s), (std::vector<double>{0.0, 0.0}));
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 0, 3, 1), 0);  // last two points
    EXPECT_EQ(Re(s), (std::vector<double>{6.0, -8.0}));
}

TEST(SpectrumFromFFT, RefusalsLeaveTheSpectrumAsItWas) {
    const std::vector<double> x = RandomSignal(64, 15);
    WAData data, empty;
    ASSERT_EQ(data.SetData(x.data(), 64, 100), 0);
    WAPowerSpectrum s;
    ASSERT_EQ(s.SetSpectrumFromFFT(data, 0, 32, 0), 0);
    EXPECT_EQ(s.SetSpectrumFromFFT(empty, 0, 0, 0), -200);
    EXPECT_EQ(s.SetSpectrumFromFFT(data, 60, 5, 0), -1);
    EXPECT_EQ(s.SetSpectrumFromFFT(data, 64, 0, 0), -1);  // window of no points
    EXPECT_EQ(s.SetSpectrumFromFFT(data, 0xFFFFFFF0u, 32, 0), -1);
    EXPECT_EQ(s.GetSize(), 32u);
}

TEST(SpectrumFromFFT, FailedAllocationLeavesTheSpectrumEmpty) {
    SKIP_UNDER_ADDRESS_SANITIZER();
    // The waveform (built through a temporary of its size) fits in the spare
    // address space, the four arrays of its spectrum do not: 2^23 points
    // (64 MiB) against 200 MiB for the first window, 3·2^21 points (48 MiB,
    // four arrays of 32 MiB) against 160 MiB for the two-window average.
    const struct {
        int mode;
        uint32_t count;
        std::size_t headroom;
    } cases[] = {{0, 1u << 23, 200u << 20}, {-1, 3u << 21, 160u << 20}};
    for (const auto& c : cases) {
        const bool ok = anlztest::RunWithMemoryLimit(c.headroom, [&c] {
            WAData small, big;
            WAPowerSpectrum s;
            {
                std::vector<double> x(c.count, 0.5);
                if (small.SetData(x.data(), 24, 10) != 0 || big.SetData(x.data(), c.count, 10) != 0) return false;
            }
            if (s.SetSpectrumFromFFT(small, 0, 0, c.mode) != 0 || s.GetSize() != 16) return false;
            return s.SetSpectrumFromFFT(big, 0, 0, c.mode) == -2 && s.GetSize() == 0 && s.GetSampFreq() == 0;
        });
        EXPECT_TRUE(ok) << "mode " << c.mode;
    }
}

TEST(DifSpectrum, DifferenceOfNormalisedSpectra) {
    const std::vector<double> a = RandomSignal(256, 16), b = RandomSignal(256, 17);
    WAData da, db;
    ASSERT_EQ(da.SetData(a.data(), 256, 1000), 0);
    ASSERT_EQ(db.SetData(b.data(), 256, 1000), 0);
    WAPowerSpectrum first, second;
    ASSERT_EQ(first.SetSpectrumFromFFT(da, 0, 0, 0), 0);
    ASSERT_EQ(second.SetSpectrumFromFFT(db, 0, 0, 0), 0);
    WADifSpectrum d;
    ASSERT_EQ(d.SetDifSpectrum(first, second), 0);
    EXPECT_EQ(d.GetSize(), 256u);
    EXPECT_EQ(d.GetSampFreq(), 1000u);
    std::vector<double> dp(256), da2(256);
    ASSERT_EQ(d.GetDifPowSpectrum(dp.data()), 0);
    ASSERT_EQ(d.GetDifAmpSpectrum(da2.data()), 0);
    const std::vector<double> p1 = Power(first), p2 = Power(second), a1 = Amp(first), a2 = Amp(second);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(dp[i], p2[i] - p1[i]);
        EXPECT_EQ(da2[i], a2[i] - a1[i]);
    }
    ASSERT_EQ(d.SetDifSpectrum(first, first), 0);
    ASSERT_EQ(d.GetDifPowSpectrum(dp.data()), 0);
    EXPECT_EQ(dp, std::vector<double>(256, 0.0));
    EXPECT_EQ(d.GetDifAmpSpectrum(nullptr), -1);
}

TEST(DifSpectrum, OperandsMustMatch) {
    const std::vector<double> a = RandomSignal(1024, 18);
    WAData d1024, d512, other;
    ASSERT_EQ(d1024.SetData(a.data(), 1024, 1000), 0);
    ASSERT_EQ(d512.SetData(a.data(), 512, 1000), 0);
    ASSERT_EQ(other.SetData(a.data(), 512, 2000), 0);
    WAPowerSpectrum s1024, s512, sOther, empty;
    ASSERT_EQ(s1024.SetSpectrumFromFFT(d1024, 0, 0, 0), 0);
    ASSERT_EQ(s512.SetSpectrumFromFFT(d512, 0, 0, 0), 0);
    ASSERT_EQ(sOther.SetSpectrumFromFFT(other, 0, 0, 0), 0);
    WADifSpectrum d;
    EXPECT_EQ(d.SetDifSpectrum(s512, s1024), -204);
    EXPECT_EQ(d.SetDifSpectrum(s512, sOther), -204);
    EXPECT_EQ(d.SetDifSpectrum(empty, s512), -200);
    EXPECT_EQ(d.SetDifSpectrum(s512, empty), -200);
    double out[1];
    EXPECT_EQ(d.GetDifPowSpectrum(out), -200);
    EXPECT_EQ(d.GetSize(), 0u);
}

}  // namespace
