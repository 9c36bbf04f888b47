#include "PreprocessingFile.h"

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "LmCmAnlz.h"
#include "TestFiles.h"

namespace kr70 {
namespace {

PreprocessingRecord Record(bool yuragi, bool freq) {
    PreprocessingRecord record;
    record.yuragiUse = yuragi ? 1 : 0;
    record.freqUse = freq ? 1 : 0;
    record.filterType = 1;
    record.taps = 128;
    record.lowerFrequency = 2000;
    record.upperFrequency = 11024;
    return record;
}

std::vector<double> Pattern(const PreprocessingRecord& record, int32_t& status, uint32_t capacity = 1024) {
    std::vector<double> pattern(capacity + 1, -99.0);
    uint32_t count = 0;
    status = BuildCoefficientPattern(&record, capacity, pattern.data(), &count);
    pattern.resize(status == 0 ? count : 0);
    return pattern;
}

// Filters x through the library's filters: yuragi then frequency filter,
// both without blanking the head, as one chain.
std::vector<double> LibraryChain(const PreprocessingRecord& r, const std::vector<double>& x) {
    WAData input, afterYuragi, output;
    EXPECT_EQ(input.SetData(x.data(), static_cast<uint32_t>(x.size()), 22050), 0);
    WAYuragiFilter yuragi;
    EXPECT_EQ(yuragi.SetParamEx(r.yuragiType, r.halfLength, r.smoothing, r.overlap), 0);
    EXPECT_EQ(afterYuragi.SetDataFromFiltering(input, yuragi, 1), 0);
    WAFreqFilter freq;
    EXPECT_EQ(freq.SetLPF(22050, r.taps, r.lowerFrequency), 0);
    EXPECT_EQ(output.SetDataFromFiltering(afterYuragi, freq, 1), 0);
    std::vector<double> y(output.GetSize());
    EXPECT_EQ(output.GetData(y.data()), 0);
    return y;
}

TEST(CoefficientPattern, BothFlagsClearGiveTheSingleValueOne) {
    int32_t status = -1;
    const std::vector<double> pattern = Pattern(Record(false, false), status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(pattern, std::vector<double>{1.0});
}

TEST(CoefficientPattern, YuragiAloneIsTheYuragiFilter) {
    PreprocessingRecord record = Record(true, false);
    record.yuragiType = 3;
    record.halfLength = 2;
    record.smoothing = 2;
    int32_t status = -1;
    const std::vector<double> pattern = Pattern(record, status);
    ASSERT_EQ(status, 0);
    // Kernel [1, .5, -.5, -1] / 1.5 smoothed by [2/3, 1/3].
    const std::vector<double> expected{4.0 / 9, 4.0 / 9, -1.0 / 9, -5.0 / 9, -2.0 / 9};
    ASSERT_EQ(pattern.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(pattern[i], expected[i], 1e-12) << i;

    record.yuragiType = 1;
    record.halfLength = 255;
    record.smoothing = 255;
    record.overlap = 0;
    EXPECT_EQ(Pattern(record, status).size(), 764u);  // 2·255 + 255 − 1
    EXPECT_EQ(status, 0);
}

TEST(CoefficientPattern, FrequencyFilterAloneIsALinearPhaseLowPass) {
    int32_t status = -1;
    const std::vector<double> h = Pattern(Record(false, true), status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(h.size(), 128u);
    EXPECT_NEAR(h[0], 0.0, 1e-12);  // the Blackman window vanishes at the ends
    EXPECT_NEAR(h[127], 0.0, 1e-3);
    // Unit gain at DC within the window's ripple; the response at a frequency
    // well above the 2000 Hz cut-off is small.
    double dc = 0.0, high = 0.0;
    for (size_t k = 0; k < h.size(); ++k) {
        dc += h[k];
        high += h[k] * std::cos(2.0 * M_PI * 6000.0 * k / 22050.0);
    }
    EXPECT_NEAR(dc, 1.0, 0.02);
    EXPECT_LT(std::fabs(high), 0.01);
}

TEST(CoefficientPattern, BothTogetherFilterAsTheTwoLibraryFiltersInTurn) {
    PreprocessingRecord record = Record(true, true);
    record.yuragiType = 2;
    record.halfLength = 4;
    record.smoothing = 3;
    record.overlap = 1;
    record.taps = 64;
    int32_t status = -1;
    const std::vector<double> pattern = Pattern(record, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(pattern.size(), (8u - 1u + 3u - 1u) + 64u - 1u);
    std::mt19937 generator(5);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> x(600);
    for (double& v : x) v = uniform(generator);
    const std::vector<double> expected = LibraryChain(record, x);
    for (size_t n = 0; n < x.size(); n += 37) {
        double y = 0.0;
        for (size_t k = 0; k < pattern.size() && k <= n; ++k) y += pattern[k] * x[n - k];
        EXPECT_NEAR(y, expected[n], 1e-9) << n;
    }
}

TEST(CoefficientPattern, LimitsAndBadSettingsFail) {
    int32_t status = 0;
    PreprocessingRecord record = Record(true, true);
    record.yuragiType = 1;
    record.halfLength = 255;
    record.smoothing = 255;
    record.taps = 512;
    Pattern(record, status);
    EXPECT_EQ(status, -1);  // 764 + 512 − 1 = 1275 > 1024

    for (int32_t taps : {100, 2048, 0, -64}) {
        PreprocessingRecord f = Record(false, true);
        f.taps = taps;
        Pattern(f, status, 4096);
        EXPECT_EQ(status, -1) << taps;
    }
    PreprocessingRecord y = Record(true, false);
    y.halfLength = 600;  // 1200 coefficients
    Pattern(y, status, 4096);
    EXPECT_EQ(status, -1);
    y = Record(true, false);
    y.yuragiType = 6;
    Pattern(y, status);
    EXPECT_EQ(status, -1);
    y.yuragiType = 1;
    y.overlap = 1;  // not below B = 1
    Pattern(y, status);
    EXPECT_EQ(status, -1);
    PreprocessingRecord t = Record(false, true);
    t.filterType = 5;
    Pattern(t, status);
    EXPECT_EQ(status, -1);
    t.filterType = 3;  // band with low ≥ high
    t.lowerFrequency = 3000;
    t.upperFrequency = 1000;
    Pattern(t, status);
    EXPECT_EQ(status, -1);
    uint32_t count = 0;
    double out[4];
    EXPECT_EQ(BuildCoefficientPattern(nullptr, 4, out, &count), -1);
    EXPECT_EQ(BuildCoefficientPattern(&t, 4, nullptr, &count), -1);
    EXPECT_EQ(BuildCoefficientPattern(&t, 4, out, nullptr), -1);
}

TEST(PreprocessingFile, WritesExactlyTwoLines) {
    test::ScratchDirectory dir;
    PreprocessingRecord record = Record(true, false);
    record.filterType = 3;
    record.taps = 256;
    record.lowerFrequency = 200;
    record.upperFrequency = 800;
    ASSERT_EQ(WritePreprocessingFile(dir.File("p.prf"), record), 0);
    EXPECT_EQ(test::ReadText(dir.File("p.prf")), "Yuragi=1,4,1,1,0\nFreq=0,3,256,200,800\n");
    EXPECT_EQ(WritePreprocessingFile(dir.File("no/such/dir/p.prf"), record), -300);
    EXPECT_EQ(WritePreprocessingFile("/dev/full", record), -301);
}

TEST(PreprocessingFile, PatternFileHasOneValuePerLine) {
    test::ScratchDirectory dir;
    const double values[] = {1.0, -0.25, 1e-11};
    ASSERT_EQ(WriteCoefficientPatternFile(dir.File("c.csv"), values, 3), 0);
    EXPECT_EQ(test::ReadText(dir.File("c.csv")), "1.0000000000\n-0.2500000000\n0.0000000000\n");
    EXPECT_EQ(WriteCoefficientPatternFile("/dev/full", values, 3), -301);
}

}  // namespace
}  // namespace kr70
