// Decisions of the acquisition settings dialog.
#include "AcquisitionDialog.h"

#include <gtest/gtest.h>

namespace kr70::acquisitiondialog {
namespace {

TEST(AcquisitionDialogTest, StoredFrequencySelectsItsRadio) {
    // Sound card by ranges: the upper bound of each range stays on it.
    EXPECT_EQ(FrequencyRadio(1, 22049, false), 0);
    EXPECT_EQ(FrequencyRadio(1, 22050, false), 1);
    EXPECT_EQ(FrequencyRadio(1, 47999, false), 3);
    EXPECT_EQ(FrequencyRadio(1, 96000, false), 4);
    // A/D board by ranges: each bound belongs to the higher radio.
    EXPECT_EQ(FrequencyRadio(2, 19999, false), 0);
    EXPECT_EQ(FrequencyRadio(2, 40000, false), 3);
    EXPECT_EQ(FrequencyRadio(2, 50000, false), 4);
    // A board chosen before: exact frequencies only.
    EXPECT_EQ(FrequencyRadio(2, 25000, true), 2);
    EXPECT_EQ(FrequencyRadio(2, 30000, true), 4);
    EXPECT_EQ(FrequencyRadio(1, 30000, true), 1);
}

TEST(AcquisitionDialogTest, FreeFrequencySnapsToTheNearestStandard) {
    EXPECT_EQ(SnapFreeFrequency(16537), 11025u);
    EXPECT_EQ(SnapFreeFrequency(16538), 22050u);
    EXPECT_EQ(SnapFreeFrequency(27025), 32000u);  // the midpoint goes up
    EXPECT_EQ(SnapFreeFrequency(46049), 44100u);
    EXPECT_EQ(SnapFreeFrequency(46050), 48000u);
}

TEST(AcquisitionDialogTest, TimeFrequencyAndTriggerWaitChecks) {
    uint32_t count = 7;
    EXPECT_EQ(CheckTime(0.0, 11025, &count), 2083);
    EXPECT_EQ(CheckTime(0.01, 11025, &count), 2085);  // 0.11 samples
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(CheckTime(100.0, SamplingFrequency(1, 0, 0), &count), 0);
    EXPECT_EQ(count, 1102u);  // trunc(1102.5)
    EXPECT_EQ(SamplingFrequency(2, 3, 0), 40000u);
    EXPECT_EQ(SamplingFrequency(2, 9, 0), 40000u);
    EXPECT_EQ(SamplingFrequency(1, 5, 27000), 27000u);
    EXPECT_EQ(SamplingFrequency(1, 9, 0), 44100u);
    EXPECT_EQ(CheckTriggerWait(1000), 0);
    EXPECT_EQ(CheckTriggerWait(1001), 2088);
    EXPECT_EQ(GainListIndex(50), 5);
    EXPECT_EQ(GainListIndex(3), 0);
    EXPECT_TRUE(AdBoardControlsEnabled(false, true, true, 2));
    EXPECT_FALSE(AdBoardControlsEnabled(true, true, true, 2));
    EXPECT_FALSE(AdBoardControlsEnabled(false, true, true, 0));
}

TEST(AcquisitionDialogTest, ChosenFileIsReducedToItsBaseName) {
    EXPECT_EQ(BaseNameFromPath("/data/run-007#03.wav"), "/data/run");
    EXPECT_EQ(BaseNameFromPath("/data/run-007.wav"), "/data/run");
    EXPECT_EQ(BaseNameFromPath("/data/run-x.wav"), "/data/run-x");
    EXPECT_EQ(BaseNameFromPath("/data/run#03.wav"), "/data/run#03");
    EXPECT_EQ(BaseNameFromPath("/data.d/run"), "/data.d/run");
}

}  // namespace
}  // namespace kr70::acquisitiondialog
