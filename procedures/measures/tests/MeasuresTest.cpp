#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "LmWaIon.h"
#include "Measures.h"

namespace {

using Values = std::vector<double>;

Values Samples(const WAData& data)
{
    Values values(data.GetSize());
    if (!values.empty()) {
        EXPECT_EQ(data.GetData(values.data()), WA_OK);
    }
    return values;
}

void Fill(WAData& data, Values values, uint32_t sampFreq = 1000)
{
    ASSERT_EQ(data.SetData(values.data(), static_cast<uint32_t>(values.size()), sampFreq), WA_OK);
}

Values Square(const Values& input, uint32_t pitch, uint32_t smooth, uint32_t* sampFreq = nullptr)
{
    WAData in;
    Fill(in, input);
    WAData out;
    EXPECT_EQ(DoSquare(in, pitch, smooth, out), WA_OK);
    if (sampFreq != nullptr) {
        *sampFreq = out.GetSampFreq();
    }
    return Samples(out);
}

Values Staircase(const Values& input, double threshold)
{
    Values accumulated(input.size(), -99.0);
    lmwaion::PeakStaircase(input.data(), input.size(), threshold, accumulated.data());
    return accumulated;
}

Values Judge(const Values& input, uint32_t width, double threshold, int mode = -1)
{
    WAData in;
    Fill(in, input);
    WAData out;
    const int status = mode < 0 ? DoDiagPeak(in, width, threshold, out)
                                : DoDiagPeakEx(in, width, threshold, mode, out);
    EXPECT_EQ(status, WA_OK);
    EXPECT_EQ(out.GetSampFreq(), 1000u);
    return Samples(out);
}

}  // namespace

TEST(DoSquare, SquaresAndTrailingMeans)
{
    uint32_t sampFreq = 0;
    EXPECT_EQ(Square({1, 2, 3, 4}, 1, 1, &sampFreq), (Values{1, 4, 9, 16}));
    EXPECT_EQ(sampFreq, 1000u);
    EXPECT_EQ(Square({1, 2, 3, 4}, 1, 2), (Values{0, 2.5, 6.5, 12.5}));
    EXPECT_EQ(Square({1, 2, 3, 4}, 1, 3), (Values{0, 0, 14.0 / 3.0, 29.0 / 3.0}));
    EXPECT_EQ(Square({1, 2, 3, 4}, 1, 4), (Values{0, 0, 0, 7.5}));
    EXPECT_EQ(Square({-1, 2, -3, 4}, 1, 1), (Values{1, 4, 9, 16}));
}

TEST(DoSquare, PitchDecimatesBeforeSquaring)
{
    uint32_t sampFreq = 0;
    EXPECT_EQ(Square({1, 2, 3, 4}, 2, 1, &sampFreq), (Values{1, 9}));
    EXPECT_EQ(sampFreq, 500u);
    EXPECT_EQ(Square({1, 2, 3, 4, 5}, 2, 1, &sampFreq), (Values{1, 9, 25}));  // partial last group
    EXPECT_EQ(Square({1, 2, 3, 4, 5}, 3, 2, &sampFreq), (Values{0, 8.5}));
    EXPECT_EQ(sampFreq, 333u);
    EXPECT_EQ(Square({3}, 10, 1), (Values{9}));
}

TEST(DoSquare, RerunsIntoTheHeldArrayAndMayOverwriteItsInput)
{
    WAData in;
    Fill(in, {1, 2, 3, 4});
    WAData out;
    Fill(out, {7, 7, 7, 7});  // same size and rate: the held array is reused
    double* held = nullptr;
    ASSERT_EQ(out.GetDataPointer(&held), WA_OK);
    ASSERT_EQ(DoSquare(in, 1, 2, out), WA_OK);
    double* after = nullptr;
    ASSERT_EQ(out.GetDataPointer(&after), WA_OK);
    EXPECT_EQ(after, held);
    EXPECT_EQ(Samples(out), (Values{0, 2.5, 6.5, 12.5}));
    ASSERT_EQ(DoSquare(in, 2, 1, out), WA_OK);  // other size: a new array
    EXPECT_EQ(Samples(out), (Values{1, 9}));
    EXPECT_EQ(out.GetSampFreq(), 500u);
    ASSERT_EQ(DoSquare(in, 1, 2, in), WA_OK);  // output is the input
    EXPECT_EQ(Samples(in), (Values{0, 2.5, 6.5, 12.5}));
}

TEST(DoSquare, SmoothLongerThanTheDataGivesZeros)
{
    EXPECT_EQ(Square({1, 2, 3, 4}, 1, 5), (Values{0, 0, 0, 0}));
    EXPECT_EQ(Square({1, 2, 3, 4, 5, 6}, 2, 4), (Values{0, 0, 0}));
}

TEST(DoSquare, LongSmoothingMatchesDirectMeans)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> level(-2.0, 2.0);
    Values input(5000);
    for (double& v : input) {
        v = level(random);
    }
    for (uint32_t smooth : {7u, 1000u}) {
        const Values result = Square(input, 3, smooth);
        ASSERT_EQ(result.size(), 1667u);
        for (std::size_t i = 0; i < result.size(); ++i) {
            double expected = 0.0;
            if (i + 1 >= smooth) {
                for (std::size_t j = i + 1 - smooth; j <= i; ++j) {
                    expected += input[3 * j] * input[3 * j];
                }
                expected /= smooth;
            }
            // The running sum drifts by a few ulps of the sum per step.
            ASSERT_NEAR(result[i], expected, 1e-11) << "smooth " << smooth << " at " << i;
        }
    }
}

TEST(DoSquare, RejectsBadArgumentsAndEmptyInput)
{
    WAData in;
    WAData out;
    Fill(out, {42});
    EXPECT_EQ(DoSquare(in, 1, 1, out), WA_ERR_NO_DATA);
    EXPECT_EQ(DoSquare(in, 0, 1, out), WA_ERR_ARGUMENT);  // arguments first
    Fill(in, {1, 2});
    EXPECT_EQ(DoSquare(in, 1, 0, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoSquare(in, 0, 5, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(Samples(out), (Values{42}));
    // A pitch above the rate leaves no rate for the result: the store refuses it.
    EXPECT_EQ(DoSquare(in, 2000, 1, out), WA_ERR_ARGUMENT);
}

TEST(PeakStaircase, RisesByEachRegionPeak)
{
    EXPECT_EQ(Staircase({0, 5, 3, 0, 4, 0}, 1), (Values{0, 5, 5, 5, 9, 9}));
    // A region still open at the end is closed at its peak.
    EXPECT_EQ(Staircase({0, 5, 0, 2, 6}, 1), (Values{0, 5, 5, 5, 11}));
    EXPECT_EQ(Staircase({0, 5, 0, 6, 2}, 1), (Values{0, 5, 5, 11, 11}));
    // The earliest of equal maxima is the peak; a peak at index 0 counts.
    EXPECT_EQ(Staircase({3, 3, 0, 0}, 1), (Values{3, 3, 3, 3}));
    EXPECT_EQ(Staircase({1, 2, 3, 3}, 1), (Values{0, 0, 3, 3}));
    // Samples equal to the threshold open a region.
    EXPECT_EQ(Staircase({0, 1, 0}, 1), (Values{0, 1, 1}));
    EXPECT_EQ(Staircase({0, 0.5, 0}, 1), (Values{0, 0, 0}));
}

TEST(DoPeakAccumulate, OutputIsTheRecentRiseOfTheStaircase)
{
    StartFilterSystem();
    WAData in;
    Fill(in, {0, 5, 3, 0, 4, 0});
    WAData out;
    // Width 2: fluctuation filter type 3 with half length 1 is [1, −1], so the
    // output is the staircase [0, 5, 5, 5, 9, 9] differenced, its first two
    // values blanked.
    ASSERT_EQ(DoPeakAccumulate(in, 1.0, 1, 2, out), WA_OK);
    EXPECT_EQ(Samples(out), (Values{0, 0, 0, 0, 4, 0}));
    EXPECT_EQ(out.GetSampFreq(), 1000u);

    // Pitch 2 keeps staircase points 0, 2, 4 = [0, 5, 9] at 500 Hz.
    ASSERT_EQ(DoPeakAccumulate(in, 1.0, 2, 2, out), WA_OK);
    EXPECT_EQ(Samples(out), (Values{0, 0, 4}));
    EXPECT_EQ(out.GetSampFreq(), 500u);

    // Width 4: half length 2, kernel [1, 0.5, −0.5, −1] / 1.5 newest first.
    Fill(in, {0, 0, 0, 0, 3, 0, 0, 0});
    ASSERT_EQ(DoPeakAccumulate(in, 1.0, 1, 4, out), WA_OK);
    const Values rise = Samples(out);
    // The step of 3 at index 4 seen through [2/3, 1/3, −1/3, −2/3]: the
    // partial sums 2/3, 1, 2/3, 0 of the coefficients, times 3.
    const Values expected{0, 0, 0, 0, 2, 3, 2, 0};
    ASSERT_EQ(rise.size(), expected.size());
    for (std::size_t i = 0; i < rise.size(); ++i) {
        EXPECT_NEAR(rise[i], expected[i], 1e-12) << i;
    }
    StopFilterSystem();
}

TEST(DoPeakAccumulate, StatusCodes)
{
    StartFilterSystem();
    WAData in;
    WAData out;
    Fill(out, {42});
    EXPECT_EQ(DoPeakAccumulate(in, 1.0, 1, 2, out), WA_ERR_NO_DATA);
    Fill(in, {0, 5, 0});
    EXPECT_EQ(DoPeakAccumulate(in, 1.0, 1, 1, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoPeakAccumulate(in, 0.0, 1, 2, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoPeakAccumulate(in, -1.0, 1, 2, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoPeakAccumulate(in, std::nan(""), 1, 2, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoPeakAccumulate(in, 1.0, 0, 2, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(Samples(out), (Values{42}));
    StopFilterSystem();
    EXPECT_EQ(DoPeakAccumulate(in, 1.0, 1, 2, out), WA_ERR_NOT_STARTED);
    EXPECT_EQ(Samples(out), (Values{42}));
}

TEST(DoDiagPeak, JudgementWindows)
{
    EXPECT_EQ(Judge({1, 1, 1, 1}, 2, 2.0), (Values{-1, 1, 1, 1}));
    EXPECT_EQ(Judge({1, 1, 1, 1}, 2, 2.5), (Values{-1, 0, 0, 0}));
    EXPECT_EQ(Judge({1, 1, 1, 1}, 1, 1.0), (Values{1, 1, 1, 1}));
    EXPECT_EQ(Judge({1, 1, 1, 1}, 5, 0.1), (Values{-1, -1, -1, -1}));
    // The sums read the input, not earlier results.
    EXPECT_EQ(Judge({3, 0, 0, 3, 0}, 3, 3.0), (Values{-1, -1, 1, 1, 1}));
}

TEST(DoDiagPeakEx, TransformsTheOlderWindowValues)
{
    // Mode 0: 3 + 2² = 7 for the second point.
    EXPECT_EQ(Judge({2, 3}, 2, 7.0, 0), (Values{-1, 1}));
    EXPECT_EQ(Judge({2, 3}, 2, 7.5, 0), (Values{-1, 0}));
    // Mode 1 is DoDiagPeak.
    EXPECT_EQ(Judge({1, 1, 1, 1}, 2, 2.0, 1), (Values{-1, 1, 1, 1}));
    // Mode 2: 1 + √4 = 3; a negative older value adds nothing, the newest
    // enters unchanged (9 + √(−4 → 0) = 9).
    EXPECT_EQ(Judge({4, 1}, 2, 3.0, 2), (Values{-1, 1}));
    EXPECT_EQ(Judge({4, 1}, 2, 3.1, 2), (Values{-1, 0}));
    EXPECT_EQ(Judge({-4, 9}, 2, 9.0, 2), (Values{-1, 1}));
    EXPECT_EQ(Judge({-4, 9}, 2, 9.1, 2), (Values{-1, 0}));
}

TEST(DoDiagPeak, StatusCodes)
{
    WAData in;
    WAData out;
    Fill(out, {42});
    EXPECT_EQ(DoDiagPeak(in, 2, 1.0, out), WA_ERR_NO_DATA);
    EXPECT_EQ(DoDiagPeakEx(in, 2, 1.0, 0, out), WA_ERR_NO_DATA);
    // Mode, width and threshold are looked at before the input.
    EXPECT_EQ(DoDiagPeakEx(in, 2, 1.0, 3, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoDiagPeakEx(in, 2, 1.0, -1, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoDiagPeakEx(in, 0, 1.0, 0, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoDiagPeak(in, 0, 1.0, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoDiagPeak(in, 2, 0.0, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(DoDiagPeak(in, 2, -3.0, out), WA_ERR_ARGUMENT);
    EXPECT_EQ(Samples(out), (Values{42}));
}
