#include <gtest/gtest.h>

#include <vector>

#include "LmCmAnlz.h"
#include "TestSupport.h"

using anlztest::RandomSignal;

namespace {

std::vector<double> Contents(const WAData& data) {
    std::vector<double> v(data.GetSize());
    if (!v.empty()) {
        EXPECT_EQ(data.GetData(v.data()), 0);
    }
    return v;
}

TEST(WAData, NewObjectIsEmpty) {
    WAData data;
    double value = 0;
    double* pointer = nullptr;
    std::vector<double> out(4);
    EXPECT_EQ(data.GetSize(), 0u);
    EXPECT_EQ(data.GetSampFreq(), 0u);
    EXPECT_EQ(data.GetData(out.data()), -200);
    EXPECT_EQ(data.GetDataPointer(&pointer), -200);
    EXPECT_EQ(data.GetDataPoint(0, value), -200);
    EXPECT_EQ(data.GetDataNPoint(0, 0, out.data()), -200);
}

TEST(WAData, SetDataCopiesAndGettersCopyOut) {
    std::vector<double> values{1.5, -2.0, 3.25};
    WAData data;
    ASSERT_EQ(data.SetData(values.data(), 3, 8000), 0);
    values[0] = 99.0;  // the object holds its own copy
    EXPECT_EQ(data.GetSize(), 3u);
    EXPECT_EQ(data.GetSampFreq(), 8000u);
    EXPECT_EQ(Contents(data), (std::vector<double>{1.5, -2.0, 3.25}));
    double value = 0;
    EXPECT_EQ(data.GetDataPoint(2, value), 0);
    EXPECT_EQ(value, 3.25);
    double* pointer = nullptr;
    EXPECT_EQ(data.GetDataPointer(&pointer), 0);
    ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(pointer[1], -2.0);
    EXPECT_EQ(data.GetData(nullptr), -1);
}

TEST(WAData, RefusedSetDataLeavesHeldDataUnchanged) {
    const std::vector<double> values{1.0, 2.0};
    WAData data;
    ASSERT_EQ(data.SetData(values.data(), 2, 100), 0);
    EXPECT_EQ(data.SetData(values.data(), 0, 100), -1);
    EXPECT_EQ(data.SetData(nullptr, 2, 100), -1);
    EXPECT_EQ(data.SetData(values.data(), 2, 0), -1);
    EXPECT_EQ(data.GetSize(), 2u);
    EXPECT_EQ(data.GetSampFreq(), 100u);
    EXPECT_EQ(Contents(data), values);
}

TEST(WAData, GetDataNPointBoundIsTheSize) {
    const std::vector<double> values = RandomSignal(10, 1);
    WAData data;
    ASSERT_EQ(data.SetData(values.data(), 10, 100), 0);
    std::vector<double> out(10);
    EXPECT_EQ(data.GetDataNPoint(6, 4, out.data()), 0);  // start + count = size
    EXPECT_EQ(out[0], values[6]);
    EXPECT_EQ(out[3], values[9]);
    EXPECT_EQ(data.GetDataNPoint(6, 5, out.data()), -200);
    EXPECT_EQ(data.GetDataNPoint(0xFFFFFFFFu, 2, out.data()), -200);  // no wrap-around of start + count
    EXPECT_EQ(data.GetDataNPoint(0, 1, nullptr), -1);
}

TEST(WAData, ClearDataEmpties) {
    const std::vector<double> values{1.0};
    WAData data;
    ASSERT_EQ(data.SetData(values.data(), 1, 1), 0);
    EXPECT_EQ(data.ClearData(), 0);
    EXPECT_EQ(data.GetSize(), 0u);
    EXPECT_EQ(data.GetSampFreq(), 0u);
    EXPECT_EQ(data.GetData(std::vector<double>(1).data()), -200);
}

TEST(WAData, FailedAllocationLeavesTheObjectEmpty) {
    SKIP_UNDER_ADDRESS_SANITIZER();
    // 256 MiB of address space to spare cannot hold 100 million doubles.
    const bool ok = anlztest::RunWithMemoryLimit(256u << 20, [] {
        const std::vector<double> small{1.0, 2.0};
        WAData data;
        if (data.SetData(small.data(), 2, 10) != 0) return false;
        if (data.SetData(small.data(), 100000000u, 10) != -2) return false;
        double out[2];
        return data.GetSize() == 0 && data.GetSampFreq() == 0 && data.GetData(out) == -200;
    });
    EXPECT_TRUE(ok);
}

TEST(WADataSampling, PitchOneIsAnIdenticalCopy) {
    const std::vector<double> values = RandomSignal(37, 2);
    WAData source, copy;
    ASSERT_EQ(source.SetData(values.data(), 37, 44100), 0);
    ASSERT_EQ(copy.SetDataFromSampling(source, 1), 0);
    EXPECT_EQ(copy.GetSampFreq(), 44100u);
    EXPECT_EQ(Contents(copy), values);
}

TEST(WADataSampling, TenPointsByThreeKeepEveryThirdSample) {
    std::vector<double> values(10);
    for (int i = 0; i < 10; ++i) values[i] = 10.0 * i;
    WAData source, result;
    ASSERT_EQ(source.SetData(values.data(), 10, 1000), 0);
    ASSERT_EQ(result.SetDataFromSampling(source, 3), 0);
    EXPECT_EQ(result.GetSampFreq(), 333u);  // 1000 / 3 truncated
    EXPECT_EQ(Contents(result), (std::vector<double>{0.0, 30.0, 60.0, 90.0}));
}

TEST(WADataSampling, RandomDataAgainstPlainIndexing) {
    for (uint32_t size : {1u, 2u, 7u, 64u, 1001u}) {
        const std::vector<double> values = RandomSignal(size, size);
        for (uint32_t pitch : {1u, 2u, 3u, 5u, 8u, 2000u}) {
            WAData source, result;
            ASSERT_EQ(source.SetData(values.data(), size, 48000), 0);
            ASSERT_EQ(result.SetDataFromSampling(source, pitch), 0);
            std::vector<double> expected;
            for (uint32_t i = 0; i < size; i += pitch) expected.push_back(values[i]);
            EXPECT_EQ(Contents(result), expected) << "size " << size << " pitch " << pitch;
            EXPECT_EQ(result.GetSampFreq(), 48000u / pitch);
        }
    }
}

TEST(WADataSampling, ObjectMayBeItsOwnSource) {
    const std::vector<double> values = RandomSignal(9, 3);
    WAData data;
    ASSERT_EQ(data.SetData(values.data(), 9, 900), 0);
    ASSERT_EQ(data.SetDataFromSampling(data, 2), 0);
    EXPECT_EQ(Contents(data), (std::vector<double>{values[0], values[2], values[4], values[6], values[8]}));
    EXPECT_EQ(data.GetSampFreq(), 450u);
}

TEST(WADataSampling, Refusals) {
    const std::vector<double> values{1.0, 2.0, 3.0};
    WAData source, empty, result;
    ASSERT_EQ(source.SetData(values.data(), 3, 10), 0);
    EXPECT_EQ(result.SetDataFromSampling(source, 0), -1);
    EXPECT_EQ(result.SetDataFromSampling(empty, 2), -200);
    // A pitch above the sampling frequency would leave frequency 0: refused,
    // the object keeps what it held.
    ASSERT_EQ(result.SetData(values.data(), 2, 5), 0);
    EXPECT_EQ(result.SetDataFromSampling(source, 11), -1);
    EXPECT_EQ(result.GetSize(), 2u);
}

TEST(WADataDifference, SecondMinusFirstOnRandomData) {
    const std::vector<double> a = RandomSignal(500, 4), b = RandomSignal(500, 5);
    WAData first, second, difference;
    ASSERT_EQ(first.SetData(a.data(), 500, 2000), 0);
    ASSERT_EQ(second.SetData(b.data(), 500, 2000), 0);
    ASSERT_EQ(difference.SetDifData(first, second), 0);
    EXPECT_EQ(difference.GetSampFreq(), 2000u);
    const std::vector<double> d = Contents(difference);
    ASSERT_EQ(d.size(), 500u);
    for (std::size_t i = 0; i < 500; ++i) EXPECT_EQ(d[i], b[i] - a[i]) << i;
}

TEST(WADataDifference, EqualOperandsGiveZeros) {
    const std::vector<double> a = RandomSignal(64, 6);
    WAData data;
    ASSERT_EQ(data.SetData(a.data(), 64, 100), 0);
    ASSERT_EQ(data.SetDifData(data, data), 0);
    EXPECT_EQ(Contents(data), std::vector<double>(64, 0.0));
}

TEST(WADataDifference, OperandsMustMatch) {
    const std::vector<double> a = RandomSignal(1001, 7);
    WAData p1000, p1001, otherRate, empty, result;
    ASSERT_EQ(p1000.SetData(a.data(), 1000, 100), 0);
    ASSERT_EQ(p1001.SetData(a.data(), 1001, 100), 0);
    ASSERT_EQ(otherRate.SetData(a.data(), 1000, 200), 0);
    EXPECT_EQ(result.SetDifData(p1000, p1001), -204);
    EXPECT_EQ(result.SetDifData(p1000, otherRate), -204);
    EXPECT_EQ(result.SetDifData(p1000, empty), -200);
    EXPECT_EQ(result.SetDifData(empty, p1000), -200);
    EXPECT_EQ(result.GetSize(), 0u);
}

}  // namespace
