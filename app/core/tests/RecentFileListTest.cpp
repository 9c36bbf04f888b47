#include "RecentFileList.h"

#include <gtest/gtest.h>

namespace kr70 {
namespace {

std::string Name(int i) { return "/data/file" + std::to_string(i) + ".wav"; }

TEST(RecentFileList, FillsSlotsInOrderWithTheNewestAtAgeZero) {
    RecentFileList list;
    list.Add(Name(0));
    list.Add(Name(1));
    list.Add(Name(2));
    EXPECT_EQ(list.Age(0), 2);
    EXPECT_EQ(list.Age(1), 1);
    EXPECT_EQ(list.Age(2), 0);
    EXPECT_EQ(list.Age(3), -1);
    EXPECT_EQ(list.FilledPaths(), (std::vector<std::string>{Name(0), Name(1), Name(2)}));
}

TEST(RecentFileList, TouchMakesAnEntryNewestWithoutMovingIt) {
    RecentFileList list;
    for (int i = 0; i < 4; ++i) list.Add(Name(i));
    EXPECT_TRUE(list.Touch("/DATA/FILE1.WAV"));  // case-blind
    EXPECT_EQ(list.Age(1), 0);
    EXPECT_EQ(list.Age(3), 1);
    EXPECT_EQ(list.Age(2), 2);
    EXPECT_EQ(list.Age(0), 3);  // older than the touched entry: unchanged
    EXPECT_FALSE(list.Touch("/data/other.wav"));
    list.Add(Name(2));  // re-adding a listed file only touches it
    EXPECT_EQ(list.FilledPaths().size(), 4u);
    EXPECT_EQ(list.Age(2), 0);
    std::string path;
    EXPECT_EQ(list.Get(2, path), 1);
    EXPECT_EQ(path, Name(2));
}

TEST(RecentFileList, The33rdFileReplacesTheLeastRecentlyUsed) {
    RecentFileList list;
    for (int i = 0; i < 32; ++i) list.Add(Name(i));
    list.Touch(Name(0));  // now slot 1 is the oldest
    list.Add(Name(32));
    std::string path;
    ASSERT_EQ(list.Get(1, path), 1);
    EXPECT_EQ(path, Name(32));
    EXPECT_EQ(list.Age(1), 0);
    EXPECT_EQ(list.Age(0), 1);
    EXPECT_EQ(list.Age(2), 31);
    std::vector<int32_t> ages;
    for (int i = 0; i < 32; ++i) ages.push_back(list.Age(i));
    std::sort(ages.begin(), ages.end());
    for (int i = 0; i < 32; ++i) EXPECT_EQ(ages[i], i);  // every age exactly once
}

TEST(RecentFileList, GetReportsBadIndexAndEmptySlots) {
    RecentFileList list;
    list.Add(Name(0));
    std::string path = "untouched";
    EXPECT_EQ(list.Get(-1, path), -1);
    EXPECT_EQ(list.Get(32, path), -1);
    EXPECT_EQ(list.Get(5, path), 0);
    EXPECT_EQ(path, "untouched");
    list.Add("");
    list.Add(std::string(260, 'x'));  // longer than a slot holds
    EXPECT_EQ(list.FilledPaths().size(), 1u);
}

}  // namespace
}  // namespace kr70
