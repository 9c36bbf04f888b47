#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "LmCmAnlz.h"
#include "TestSupport.h"

namespace {

using anlztest::FilterSystemTest;

TEST(FilterSystem, QueriesAndDesignsNeedAStartedSystem) {
    ASSERT_EQ(StopFilterSystem(), 0);  // a stop without a start does nothing
    WADigFilter dig;
    WAFreqFilter freq;
    WAYuragiFilter yuragi;
    WALumetoFilter lumeto;
    const double pattern[2] = {1.0, 2.0};
    double out[2];
    int type = 0;
    uint32_t a = 0, b = 0, c = 0;
    EXPECT_EQ(dig.GetTap(), 4294967095u);
    EXPECT_EQ(dig.SetPat(pattern, 2), -201);
    EXPECT_EQ(dig.GetPat(out), -201);
    EXPECT_EQ(freq.GetType(), -201);
    EXPECT_EQ(freq.GetSampFreq(), 4294967095u);
    EXPECT_EQ(freq.GetCutoff(a), -201);
    EXPECT_EQ(freq.GetBand(a, b), -201);
    EXPECT_EQ(freq.SetNone(), -201);
    EXPECT_EQ(freq.SetLPF(1000, 16, 100), -201);
    EXPECT_EQ(yuragi.SetParam(1, 2, 1), -201);
    EXPECT_EQ(yuragi.GetParam(type, a, b), -201);
    EXPECT_EQ(lumeto.SetParam(4, 3), -201);
    EXPECT_EQ(lumeto.GetParam(type, c), -201);
    WAData source, result;
    ASSERT_EQ(source.SetData(pattern, 2, 10), 0);
    EXPECT_EQ(result.SetDataFromFiltering(source, dig, 1), -201);
    // Argument errors are still found first where the checks come first.
    EXPECT_EQ(dig.SetPat(nullptr, 2), -1);
    EXPECT_EQ(freq.SetLPF(1000, 12, 100), -1);
}

TEST(FilterSystem, NestedStartsAreCounted) {
    ASSERT_EQ(StartFilterSystem(), 0);
    ASSERT_EQ(StartFilterSystem(), 0);
    WADigFilter dig;
    const double pattern[3] = {1.0, 2.0, 3.0};
    ASSERT_EQ(dig.SetPat(pattern, 3), 0);
    ASSERT_EQ(StopFilterSystem(), 0);
    EXPECT_EQ(dig.GetTap(), 3u);  // still started once
    ASSERT_EQ(StopFilterSystem(), 0);
    EXPECT_EQ(dig.GetTap(), 4294967095u);
    // dig is destroyed after the last stop: its release is ignored.
}

TEST(FilterSystem, AStaleSlotNumberCannotTouchTheNewOwner) {
    ASSERT_EQ(StartFilterSystem(), 0);
    auto old = std::make_unique<WADigFilter>();
    const double first[2] = {1.0, 1.0};
    ASSERT_EQ(old->SetPat(first, 2), 0);
    const int oldSlot = old->GetID();
    ASSERT_EQ(StopFilterSystem(), 0);
    ASSERT_EQ(StartFilterSystem(), 0);
    WADigFilter current;
    const double second[3] = {4.0, 5.0, 6.0};
    ASSERT_EQ(current.SetPat(second, 3), 0);
    ASSERT_EQ(current.GetID(), oldSlot);  // the lowest free slot again
    EXPECT_EQ(old->GetTap(), 0u);         // the old filter no longer owns it
    double out[3];
    EXPECT_EQ(old->GetPat(out), -202);
    old.reset();  // must not free the current filter's pattern
    ASSERT_EQ(current.GetPat(out), 0);
    EXPECT_EQ(out[2], 6.0);
    EXPECT_EQ(current.GetTap(), 3u);
    ASSERT_EQ(StopFilterSystem(), 0);
}

TEST_F(FilterSystemTest, DigFilterPatternRoundTrip) {
    WADigFilter dig;
    EXPECT_EQ(dig.GetID(), -1);
    EXPECT_EQ(dig.GetTap(), 0u);
    EXPECT_EQ(dig.GetSampPitch(), 1u);
    double out[4];
    EXPECT_EQ(dig.GetPat(out), -202);
    const double pattern[4] = {0.25, -0.5, 0.75, 1.0};
    EXPECT_EQ(dig.SetPat(pattern, 0), -1);
    ASSERT_EQ(dig.SetPat(pattern, 4), 0);
    EXPECT_GE(dig.GetID(), 0);
    EXPECT_EQ(dig.GetTap(), 4u);
    ASSERT_EQ(dig.GetPat(out), 0);
    EXPECT_EQ(std::vector<double>(out, out + 4), std::vector<double>(pattern, pattern + 4));
    EXPECT_EQ(dig.SetSampPitch(0), -1);
    EXPECT_EQ(dig.GetSampPitch(), 1u);
    EXPECT_EQ(dig.SetSampPitch(3), 0);
    EXPECT_EQ(dig.GetSampPitch(), 3u);
}

TEST_F(FilterSystemTest, RedesignGivesTheOldSlotBack) {
    WADigFilter a, b;
    const double pattern[1] = {1.0};
    ASSERT_EQ(a.SetPat(pattern, 1), 0);
    ASSERT_EQ(b.SetPat(pattern, 1), 0);
    const int slotA = a.GetID();
    ASSERT_EQ(a.SetPat(pattern, 1), 0);
    EXPECT_EQ(a.GetID(), slotA);  // freed first, then the lowest free slot taken
    EXPECT_NE(b.GetID(), slotA);
}

TEST_F(FilterSystemTest, HundredAndFirstPatternFailsUntilASlotIsFreed) {
    std::vector<std::unique_ptr<WADigFilter>> filters;
    const double pattern[2] = {1.0, -1.0};
    for (int i = 0; i < 100; ++i) {
        filters.push_back(std::make_unique<WADigFilter>());
        ASSERT_EQ(filters.back()->SetPat(pattern, 2), 0) << i;
        EXPECT_EQ(filters.back()->GetID(), i);
    }
    WAFreqFilter extra;
    EXPECT_EQ(extra.SetLPF(1000, 16, 100), -203);
    EXPECT_EQ(extra.GetID(), -1);
    EXPECT_EQ(extra.GetType(), -1);
    WAYuragiFilter yuragi;
    EXPECT_EQ(yuragi.SetParam(1, 2, 1), -203);
    WADigFilter dig;
    EXPECT_EQ(dig.SetPat(pattern, 2), -203);
    filters[37].reset();
    ASSERT_EQ(extra.SetLPF(1000, 16, 100), 0);
    EXPECT_EQ(extra.GetID(), 37);
    EXPECT_EQ(yuragi.SetParam(1, 2, 1), -203);
}

}  // namespace
