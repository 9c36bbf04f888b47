#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "LmCmAnlz.h"
#include "TestSupport.h"

using anlztest::RandomSignal;

namespace {

using FilteringTest = anlztest::FilterSystemTest;

std::vector<double> Contents(const WAData& data) {
    std::vector<double> v(data.GetSize());
    if (!v.empty()) {
        EXPECT_EQ(data.GetData(v.data()), 0);
    }
    return v;
}

TEST_F(FilteringTest, AgainstNaiveConvolutionWithHeadAndPitch) {
    for (uint32_t size : {1u, 9u, 100u, 777u}) {
        for (uint32_t taps : {1u, 2u, 5u, 64u, 129u}) {
            const std::vector<double> x = RandomSignal(size, size + 31 * taps);
            const std::vector<double> h = RandomSignal(taps, taps + 17 * size);
            std::vector<long double> y, bound;
            anlztest::NaiveConvolution(x, h, y, bound);
            WADigFilter filter;
            ASSERT_EQ(filter.SetPat(h.data(), taps), 0);
            WAData source;
            ASSERT_EQ(source.SetData(x.data(), size, 9000), 0);
            for (uint32_t pitch : {1u, 2u, 3u}) {
                ASSERT_EQ(filter.SetSampPitch(pitch), 0);
                for (int keepHead : {1, 0}) {
                    std::vector<long double> expected;
                    std::vector<std::size_t> position;  // source index of each output, or none
                    if (keepHead) {
                        for (std::size_t n = 0; n < size; n += pitch) position.push_back(n);
                    } else {
                        for (std::size_t n = 0; n < std::min(size, taps); ++n) position.push_back(SIZE_MAX);
                        for (std::size_t n = taps; n < size; ++n)
                            if (n % pitch == 0) position.push_back(n);
                    }
                    WAData result;
                    ASSERT_EQ(result.SetDataFromFiltering(source, filter, keepHead), 0);
                    EXPECT_EQ(result.GetSampFreq(), 9000u / pitch);
                    const std::vector<double> out = Contents(result);
                    ASSERT_EQ(out.size(), position.size())
                        << "size " << size << " taps " << taps << " pitch " << pitch << " keep " << keepHead;
                    for (std::size_t q = 0; q < out.size(); ++q) {
                        if (position[q] == SIZE_MAX) {
                            EXPECT_EQ(out[q], 0.0);
                        } else {
                            const std::size_t n = position[q];
                            EXPECT_NEAR(out[q], static_cast<double>(y[n]),
                                        static_cast<double>(1e-15L * taps * bound[n]) + 1e-300)
                                << "size " << size << " taps " << taps << " n " << n;
                        }
                    }
                }
            }
        }
    }
}

TEST_F(FilteringTest, PassThroughReproducesTheSource) {
    const std::vector<double> x = RandomSignal(333, 41);
    WAData source, kept, blanked;
    ASSERT_EQ(source.SetData(x.data(), 333, 44100), 0);
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), 0);
    ASSERT_EQ(kept.SetDataFromFiltering(source, none, 1), 0);
    EXPECT_EQ(Contents(kept), x);
    ASSERT_EQ(blanked.SetDataFromFiltering(source, none, 0), 0);
    std::vector<double> expected = x;
    expected[0] = 0.0;  // the head of a one-tap filter is one sample
    EXPECT_EQ(Contents(blanked), expected);
}

TEST_F(FilteringTest, PatternLongerThanTheSignalBlanksEverything) {
    const std::vector<double> x = RandomSignal(100, 42), h = RandomSignal(256, 43);
    WADigFilter filter;
    ASSERT_EQ(filter.SetPat(h.data(), 256), 0);
    WAData source, result;
    ASSERT_EQ(source.SetData(x.data(), 100, 1000), 0);
    ASSERT_EQ(result.SetDataFromFiltering(source, filter, 0), 0);
    EXPECT_EQ(Contents(result), std::vector<double>(100, 0.0));
}

TEST_F(FilteringTest, ObjectMayBeItsOwnSource) {
    const std::vector<double> x = RandomSignal(50, 44);
    const double h[2] = {1.0, -1.0};
    WADigFilter filter;
    ASSERT_EQ(filter.SetPat(h, 2), 0);
    WAData data;
    ASSERT_EQ(data.SetData(x.data(), 50, 1000), 0);
    ASSERT_EQ(data.SetDataFromFiltering(data, filter, 1), 0);
    const std::vector<double> y = Contents(data);
    ASSERT_EQ(y.size(), 50u);
    EXPECT_EQ(y[0], x[0]);
    for (int n = 1; n < 50; ++n) EXPECT_EQ(y[n], x[n] - x[n - 1]) << n;
}

TEST_F(FilteringTest, Refusals) {
    const std::vector<double> x = RandomSignal(10, 45);
    WAData source, empty, result;
    ASSERT_EQ(source.SetData(x.data(), 10, 5), 0);
    WADigFilter undesigned, filter;
    const double h[1] = {2.0};
    ASSERT_EQ(filter.SetPat(h, 1), 0);
    EXPECT_EQ(result.SetDataFromFiltering(empty, filter, 1), -200);
    EXPECT_EQ(result.SetDataFromFiltering(source, undesigned, 1), -202);
    // A pitch above the sampling frequency leaves no frequency: refused.
    ASSERT_EQ(filter.SetSampPitch(6), 0);
    EXPECT_EQ(result.SetDataFromFiltering(source, filter, 1), -1);
    EXPECT_EQ(result.GetSize(), 0u);
}

}  // namespace
