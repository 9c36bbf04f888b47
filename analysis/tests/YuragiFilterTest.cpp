#include <gtest/gtest.h>

#include <vector>

#include "LmCmAnlz.h"
#include "TestSupport.h"

namespace {

using anlztest::FilterSystemTest;

// The coefficients of a filter, read by filtering an impulse (coefficient 0
// weighs the newest sample, so the impulse response is the pattern).
std::vector<double> Coefficients(const WAFilter& filter) {
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

void ExpectCoefficients(const WAFilter& filter, const std::vector<double>& expected) {
    const std::vector<double> c = Coefficients(filter);
    ASSERT_EQ(c.size(), expected.size());
    for (std::size_t i = 0; i < c.size(); ++i) EXPECT_NEAR(c[i], expected[i], 1e-15) << i;
}

using YuragiFilterTest = FilterSystemTest;

TEST_F(YuragiFilterTest, GoldenCoefficients) {
    WAYuragiFilter f;
    ASSERT_EQ(f.SetParam(4, 1, 1), 0);
    ExpectCoefficients(f, {1.0, -1.0});  // a first difference
    ASSERT_EQ(f.SetParam(1, 2, 1), 0);
    ExpectCoefficients(f, {0.5, 0.5, -0.5, -0.5});
    // Kernel [1, 0.5, −0.5, −1] / 1.5 smoothed by [2/3, 1/3].
    ASSERT_EQ(f.SetParam(3, 2, 2), 0);
    ExpectCoefficients(f, {4.0 / 9, 4.0 / 9, -1.0 / 9, -5.0 / 9, -2.0 / 9});
    // Negative half moved one place on: [1, 0, −1, 0] / 2.
    ASSERT_EQ(f.SetParamEx(1, 2, 1, 1), 0);
    ExpectCoefficients(f, {0.5, 0.0, -0.5});
    ASSERT_EQ(f.SetParam(2, 2, 1), 0);
    ExpectCoefficients(f, {2.0 / 3, 1.0 / 3, -2.0 / 3, -1.0 / 3});
    ASSERT_EQ(f.SetParam(5, 2, 1), 0);
    ExpectCoefficients(f, {1.0 / 3, 2.0 / 3, -1.0 / 3, -2.0 / 3});
}

TEST_F(YuragiFilterTest, ParametersAndTapCounts) {
    WAYuragiFilter f;
    int type = -1;
    uint32_t b = 9, c = 9, v = 9;
    EXPECT_EQ(f.GetParamEx(type, b, c, v), -202);
    ASSERT_EQ(f.SetParamEx(4, 8, 3, 2), 0);
    ASSERT_EQ(f.GetParamEx(type, b, c, v), 0);
    EXPECT_EQ(type, 4);
    EXPECT_EQ(b, 8u);
    EXPECT_EQ(c, 3u);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(f.GetTap(), 2u * 8 - 2 + 3 - 1);
    ASSERT_EQ(f.SetParam(4, 8, 3), 0);
    ASSERT_EQ(f.GetParamEx(type, b, c, v), 0);
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(f.GetTap(), 2u * 8 + 3 - 1);
    ASSERT_EQ(f.GetParam(type, b, c), 0);
    EXPECT_EQ(b, 8u);
}

TEST_F(YuragiFilterTest, ArgumentErrorsKeepTheOldDesign) {
    WAYuragiFilter f;
    ASSERT_EQ(f.SetParam(2, 4, 2), 0);
    const int slot = f.GetID();
    EXPECT_EQ(f.SetParamEx(1, 4, 1, 4), -1);  // overlap must be below B
    EXPECT_EQ(f.SetParam(6, 4, 1), -1);
    EXPECT_EQ(f.SetParam(0, 4, 1), -1);
    EXPECT_EQ(f.SetParam(1, 0, 1), -1);
    EXPECT_EQ(f.SetParam(1, 4, 0), -1);
    EXPECT_EQ(f.GetID(), slot);
    int type = 0;
    uint32_t b = 0, c = 0;
    ASSERT_EQ(f.GetParam(type, b, c), 0);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(f.GetTap(), 9u);
}

TEST_F(YuragiFilterTest, ConstantInputGivesZeroAfterTheHead) {
    // Each half sums to ±1 and the weights to 1, so every design sums to zero.
    const std::vector<double> level(200, 3.5);
    WAData source;
    ASSERT_EQ(source.SetData(level.data(), 200, 1000), 0);
    for (int type = 1; type <= 5; ++type) {
        for (uint32_t v : {0u, 1u, 3u}) {
            WAYuragiFilter f;
            ASSERT_EQ(f.SetParamEx(type, 6, 4, v), 0);
            WAData out;
            ASSERT_EQ(out.SetDataFromFiltering(source, f, 0), 0);
            std::vector<double> y(out.GetSize());
            ASSERT_EQ(out.GetData(y.data()), 0);
            ASSERT_EQ(y.size(), 200u);
            for (double value : y) EXPECT_NEAR(value, 0.0, 1e-13) << type << " " << v;
        }
    }
}

TEST_F(YuragiFilterTest, StepInputGivesAPositivePulse) {
    // A rise from 0 to 1: the recent mean exceeds the earlier one for 2B
    // samples, by at most 1, then the output returns to zero.
    std::vector<double> step(100, 0.0);
    for (int i = 50; i < 100; ++i) step[i] = 1.0;
    WAData source, out;
    ASSERT_EQ(source.SetData(step.data(), 100, 1000), 0);
    WAYuragiFilter f;
    ASSERT_EQ(f.SetParam(1, 5, 1), 0);
    ASSERT_EQ(out.SetDataFromFiltering(source, f, 1), 0);
    std::vector<double> y(100);
    ASSERT_EQ(out.GetData(y.data()), 0);
    EXPECT_NEAR(y[49], 0.0, 1e-14);
    EXPECT_NEAR(y[54], 1.0, 1e-14);  // five new samples against five old
    EXPECT_NEAR(y[52], 0.6, 1e-14);
    EXPECT_NEAR(y[60], 0.0, 1e-14);
    for (double value : y) EXPECT_GE(value, -1e-14);
}

using LumetoFilterTest = FilterSystemTest;

TEST_F(LumetoFilterTest, GoldenCoefficients) {
    WALumetoFilter f;
    ASSERT_EQ(f.SetParam(4, 5), 0);
    ExpectCoefficients(f, {0.2, 0.2, 0.2, 0.2, 0.2});
    ASSERT_EQ(f.SetParam(1, 5), 0);
    ExpectCoefficients(f, {2.0 / 3, 1.0 / 3, -2.0 / 3, -1.0 / 3, 0.0});
    ASSERT_EQ(f.SetParam(2, 4), 0);
    ExpectCoefficients(f, {0.5, 0.5, -0.5, -0.5});
    ASSERT_EQ(f.SetParam(3, 3), 0);  // (3 − i)/3 over sum 2
    ExpectCoefficients(f, {0.5, 1.0 / 3, 1.0 / 6});
    int type = 0;
    uint32_t length = 0;
    ASSERT_EQ(f.GetParam(type, length), 0);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(length, 3u);
}

TEST_F(LumetoFilterTest, Refusals) {
    WALumetoFilter f;
    int type = 0;
    uint32_t length = 0;
    EXPECT_EQ(f.GetParam(type, length), -202);
    ASSERT_EQ(f.SetParam(4, 3), 0);
    EXPECT_EQ(f.SetParam(4, 0), -1);
    EXPECT_EQ(f.SetParam(5, 3), -1);  // unknown type: the old design survives
    ASSERT_EQ(f.GetParam(type, length), 0);
    EXPECT_EQ(type, 4);
    // One point of a difference kernel has nothing summed: refused, undesigned.
    EXPECT_EQ(f.SetParam(1, 1), -1);
    EXPECT_EQ(f.GetID(), -1);
    EXPECT_EQ(f.GetParam(type, length), -202);
}

}  // namespace
