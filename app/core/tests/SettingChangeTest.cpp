// The setting-change procedures driven through a scripted UI port.
#include <gtest/gtest.h>

#include "AnalysisState.h"
#include "LmWaIon.h"
#include "FakeUiPort.h"
#include "TestFiles.h"

namespace kr70 {
namespace {

using test::FakeUiPort;

class SettingChangeTest : public ::testing::Test {
protected:
    SettingChangeTest() {
        state.InitializeParameters("");
        test::WavBuilder wav;
        wav.sampleRate = 22050;
        wav.Samples16(test::SineSamples(4000, 440.0, 22050, 1.0));
        wav.Write(dir.File("tone.wav"));
        EXPECT_EQ(state.LoadWaveform(dir.File("tone.wav")), 1);
        port.messages.clear();
    }

    void YuragiParameters(int& type, uint32_t& b, uint32_t& c, uint32_t& v) {
        ASSERT_EQ(state.YuragiFilter().GetParamEx(type, b, c, v), 0);
    }

    test::ScratchDirectory dir;
    FakeUiPort port;
    AnalysisState state{port};
};

TEST_F(SettingChangeTest, PitchDialogAppliesANewPitch) {
    port.Accept<SamplingPitchValues>([](SamplingPitchValues& v) {
        EXPECT_EQ(v.samplingPitch, 1u);
        EXPECT_EQ(v.samplingFrequency, 22050u);
        EXPECT_EQ(v.dataPoints, 4000u);
        v.samplingPitch = 3;
    });
    EXPECT_TRUE(state.ChangeSamplingPitch());
    EXPECT_EQ(state.Settings().samplingPitch, 3u);
    EXPECT_EQ(state.Settings().effectiveSamplingFrequency, 7350u);
    EXPECT_EQ(state.AnalysisWaveform().GetSize(), 1334u);  // ⌈4000 / 3⌉
    EXPECT_EQ(state.AnalysisWaveform().GetSampFreq(), 7350u);
    EXPECT_EQ(state.Settings().fftStart, 0u);
    EXPECT_EQ(state.Settings().fftLength, 1334u);
    EXPECT_EQ(port.dialogs.size(), 1u);
    EXPECT_EQ(port.dialogs[0].dialogId, 130);

    port.Cancel();
    EXPECT_FALSE(state.ChangeSamplingPitch());
    EXPECT_EQ(state.Settings().samplingPitch, 3u);
    EXPECT_EQ(state.SetSamplingPitch(3), 1);  // unchanged
    EXPECT_EQ(state.SetSamplingPitch(0), -1);
    EXPECT_EQ(state.SetSamplingPitch(65536), -1);
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(SettingChangeTest, AtPitchOneWithoutAFilterTheRawWaveformIsHeldOnce) {
    double* raw = nullptr;
    double* analysis = nullptr;
    ASSERT_EQ(state.RawWaveform().GetDataPointer(&raw), 0);
    ASSERT_EQ(state.AnalysisWaveform().GetDataPointer(&analysis), 0);
    EXPECT_EQ(analysis, raw);
    ASSERT_EQ(state.SetSamplingPitch(2), 0);
    ASSERT_EQ(state.AnalysisWaveform().GetDataPointer(&analysis), 0);
    ASSERT_EQ(state.AnalysisWaveform().GetSize(), 2000u);
    EXPECT_NE(analysis, raw);
    EXPECT_EQ(analysis[1999], raw[3998]);
    ASSERT_EQ(state.SetSamplingPitch(1), 0);
    ASSERT_EQ(state.AnalysisWaveform().GetDataPointer(&analysis), 0);
    EXPECT_EQ(analysis, raw);
    EXPECT_EQ(state.AnalysisWaveform().GetSampFreq(), 22050u);
}

TEST_F(SettingChangeTest, APitchTheFilterCannotBeBuiltForKeepsTheOldPitchAndFilter) {
    AnalysisSettings& s = state.Settings();
    s.filterType = 1;
    s.filterTaps = 128;
    s.lowerFrequency = 5000;
    ASSERT_EQ(state.ApplyFreqFilterSettings(1, 22050, 128, 5000, 0), 0);
    // Pitch 3: 7350 Hz, and an LPF at 5000 Hz needs the cut-off below 3675 Hz.
    EXPECT_NE(state.SetSamplingPitch(3), 0);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2006});
    EXPECT_EQ(s.samplingPitch, 1u);
    EXPECT_EQ(s.effectiveSamplingFrequency, 22050u);
    EXPECT_EQ(state.FreqFilter().GetType(), 1);
    EXPECT_EQ(state.FreqFilter().GetSampFreq(), 22050u);
    uint32_t cutoff = 0;
    ASSERT_EQ(state.FreqFilter().GetCutoff(cutoff), 0);
    EXPECT_EQ(cutoff, 5000u);
}

TEST_F(SettingChangeTest, YuragiDialogStoresAcceptedParameters) {
    port.Accept<YuragiFilterValues>([](YuragiFilterValues& v) {
        EXPECT_EQ(v.parameter1, 4);
        v.parameter1 = 2;
        v.parameter2 = 8;
        v.parameter3 = 3;
        v.parameter4 = 2;
    });
    EXPECT_TRUE(state.ChangeYuragiFilter());
    int type;
    uint32_t b, c, v;
    YuragiParameters(type, b, c, v);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(b, 8u);
    EXPECT_EQ(c, 3u);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(state.Settings().yuragiParameter[1], 8);
    EXPECT_EQ(state.YuragiFilter().GetTap(), 16u - 2u + 3u - 1u);
    // The chain ran with the new filter: the head of 16 taps is blanked.
    double first = 1.0;
    state.YuragiWaveform().GetDataPoint(15, first);
    EXPECT_EQ(first, 0.0);
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(SettingChangeTest, YuragiDialogGivesUpAfterFiveRejectionsAndRestoresTheFilter) {
    for (int i = 0; i < 5; ++i) {
        port.Accept<YuragiFilterValues>([i](YuragiFilterValues& v) {
            // Each retry opens with the stored values, not the rejected ones.
            EXPECT_EQ(v.parameter2, 1) << i;
            v.parameter2 = 4;
            v.parameter4 = 4;  // overlap not below B: rejected
        });
    }
    EXPECT_FALSE(state.ChangeYuragiFilter());
    EXPECT_EQ(port.dialogs.size(), 5u);
    EXPECT_EQ(port.MessageIds(), (std::vector<int32_t>{2006, 2006, 2006, 2006, 2006, 2008}));
    int type;
    uint32_t b, c, v;
    YuragiParameters(type, b, c, v);
    EXPECT_EQ(type, 4);
    EXPECT_EQ(b, 1u);
    EXPECT_EQ(v, 0u);
}

TEST_F(SettingChangeTest, YuragiDialogAcceptsAfterARejectionAndCancelRestores) {
    port.Accept<YuragiFilterValues>([](YuragiFilterValues& v) { v.parameter1 = 6; });
    port.Accept<YuragiFilterValues>([](YuragiFilterValues& v) { v.parameter1 = 1; });
    EXPECT_TRUE(state.ChangeYuragiFilter());
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2006});
    EXPECT_EQ(state.Settings().yuragiParameter[0], 1);

    port.messages.clear();
    port.Accept<YuragiFilterValues>([](YuragiFilterValues& v) { v.parameter3 = 0; });
    port.Cancel();
    EXPECT_FALSE(state.ChangeYuragiFilter());
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2006});
    int type;
    uint32_t b, c, v;
    YuragiParameters(type, b, c, v);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(c, 1u);
}

TEST_F(SettingChangeTest, FrequencyFilterDialogStoresAndRejects) {
    port.Accept<FreqFilterValues>([](FreqFilterValues& v) {
        EXPECT_EQ(v.filterType, 0);
        EXPECT_EQ(v.kindSelection, 1);
        EXPECT_EQ(v.samplingFrequency, 22050u);
        v.filterType = v.kindSelection = 3;
        v.taps = 512;
        v.lowerFrequency = 1000;  // BPF with equal edges: rejected
        v.upperFrequency = 1000;
    });
    port.Accept<FreqFilterValues>([](FreqFilterValues& v) {
        EXPECT_EQ(v.filterType, 0);  // the stored values again
        v.filterType = v.kindSelection = 3;
        v.taps = 512;
        v.lowerFrequency = 300;
        v.upperFrequency = 600;
    });
    EXPECT_TRUE(state.ChangeFreqFilter());
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2006});
    const AnalysisSettings& s = state.Settings();
    EXPECT_EQ(s.filterType, 3);
    EXPECT_EQ(s.filterTaps, 512u);
    uint32_t low = 0, high = 0;
    ASSERT_EQ(state.FreqFilter().GetBand(low, high), 0);
    EXPECT_EQ(low, 300u);
    EXPECT_EQ(high, 600u);

    // Switching the filter off keeps the chosen kind for the next time.
    port.Accept<FreqFilterValues>([](FreqFilterValues& v) {
        v.filterType = 0;
        v.kindSelection = 3;
    });
    EXPECT_TRUE(state.ChangeFreqFilter());
    EXPECT_EQ(s.filterType, 0);
    EXPECT_EQ(s.filterKindSelection, 3);
    EXPECT_EQ(state.FreqFilter().GetType(), 0);
}

TEST_F(SettingChangeTest, FrequencyFilterDialogRestoresTheStoredFilterAfterFiveRejections) {
    ASSERT_EQ(state.ApplyFreqFilterSettings(0, 22050, 128, 1, 11024), 0);
    for (int i = 0; i < 5; ++i) {
        port.Accept<FreqFilterValues>([](FreqFilterValues& v) {
            v.filterType = v.kindSelection = 1;
            v.taps = 100;  // not a power of two
        });
    }
    EXPECT_FALSE(state.ChangeFreqFilter());
    EXPECT_EQ(port.MessageIds().back(), 2008);
    EXPECT_EQ(port.MessageIds().size(), 6u);
    EXPECT_EQ(state.Settings().filterType, 0);
    EXPECT_EQ(state.FreqFilter().GetType(), 0);  // designed again from the stored values
}

TEST_F(SettingChangeTest, DisablingSpectraClearsThemAndEnablingComputesThem) {
    EXPECT_TRUE(state.SetSpectraEnabled(true));
    EXPECT_EQ(state.YuragiSpectrum().GetSize(), 2048u);
    EXPECT_TRUE(state.Peaks().Filled(0));
    EXPECT_TRUE(port.enabledControls[1001]);
    EXPECT_TRUE(port.enabledMenuItems[32776]);
    EXPECT_FALSE(state.SetSpectraEnabled(true));

    port.checkedControls[1001] = true;  // the spectrum page is shown
    EXPECT_TRUE(state.SetSpectraEnabled(false));
    EXPECT_EQ(state.YuragiSpectrum().GetSize(), 0u);
    EXPECT_EQ(state.AnalysisSpectrum().GetSize(), 0u);
    EXPECT_FALSE(state.Peaks().Filled(0));
    EXPECT_FALSE(port.enabledControls[1001]);
    EXPECT_FALSE(port.checkedControls[1001]);
    EXPECT_TRUE(port.checkedControls[1000]);
}

TEST_F(SettingChangeTest, AbnormalDialogStoresTheSettingsAndRunsTheMeasureAgain) {
    port.Accept<AbnormalSettingsValues>([](AbnormalSettingsValues& v) {
        EXPECT_EQ(v.inputDataCount, 4000u);
        EXPECT_EQ(v.smoothingLength, 1);
        EXPECT_EQ(v.peakWidth, 2);
        EXPECT_EQ(v.displaySetting, 1);
        v.smoothingLength = 4;
        v.peakThreshold = 0.25;
        v.peakWidth = 6;
        v.judgementThreshold = -2.5;
        v.displaySetting = 0;
    });
    port.notifications.clear();
    EXPECT_TRUE(state.ChangeAbnormalSettings());
    const AnalysisSettings& s = state.Settings();
    EXPECT_EQ(s.smoothingLength, 4);
    EXPECT_DOUBLE_EQ(s.peakThreshold, 0.25);
    EXPECT_EQ(s.peakWidth, 6);
    EXPECT_DOUBLE_EQ(s.judgementThreshold, -2.5);
    EXPECT_EQ(s.displaySetting, 0);
    // The measure ran with the new smoothing on the unchanged yuragi waveform.
    WAData expected;
    ASSERT_EQ(DoSquare(state.YuragiWaveform(), 1, 4, expected), 0);
    double* want = nullptr;
    double* got = nullptr;
    ASSERT_EQ(expected.GetDataPointer(&want), 0);
    ASSERT_EQ(state.SquareMeanWaveform().GetDataPointer(&got), 0);
    ASSERT_EQ(state.SquareMeanWaveform().GetSize(), 4000u);
    EXPECT_EQ(got[2000], want[2000]);

    ASSERT_EQ(port.notifications.size(), 3u);
    EXPECT_EQ(port.notifications[0].first, PageId::ResultIndicator);
    EXPECT_EQ(port.notifications[0].second.notice, PageNotice::Apply);
    EXPECT_EQ(port.notifications[0].second.values[0], 0);
    EXPECT_EQ(port.notifications[1].second.notice, PageNotice::Judgement);
    EXPECT_EQ(port.notifications[2].first, PageId::Abnormal);
    EXPECT_EQ(port.notifications[2].second.values[0], 4000);
    EXPECT_EQ(port.notifications[2].second.values[2], static_cast<int64_t>(s.fftLength));

    port.Cancel();
    EXPECT_FALSE(state.ChangeAbnormalSettings());
    EXPECT_EQ(state.Settings().smoothingLength, 4);
    EXPECT_EQ(port.notifications.size(), 3u);
}

TEST_F(SettingChangeTest, AbnormalJudgementAtTheEdgesFollowsTheInvertedFlag) {
    const auto judge = [this](double level, double pass, int inverted) {
        port.Accept<AbnormalSettingsValues>([=](AbnormalSettingsValues& v) {
            v.peakThreshold = level;
            v.passThreshold = pass;
            v.invertedJudgement = inverted;
        });
        EXPECT_TRUE(state.ChangeAbnormalSettings());
        return state.Measure().judgement;
    };
    // A level above every sample: no exceeding area.
    EXPECT_EQ(judge(1e9, 1.0, 1), 2);
    EXPECT_EQ(state.Measure().exceedingArea, 0.0);
    EXPECT_EQ(judge(1e9, 1.0, 0), 1);
    // Exceeding area equal to the pass threshold.
    judge(0.0, 0.0, 0);
    const double area = state.Measure().exceedingArea;
    ASSERT_GT(area, 0.0);
    EXPECT_EQ(judge(0.0, area, 1), 1);
    EXPECT_EQ(judge(0.0, area, 0), 2);
}

}  // namespace
}  // namespace kr70
