#include "AnalysisState.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include <gtest/gtest.h>

#include "FakeUiPort.h"
#include "LmWACore.h"
#include "NumberText.h"
#include "WaveFile.h"
#include "TestFiles.h"

namespace kr70 {
namespace {

using test::FakeUiPort;
using test::ScratchDirectory;
using test::WavBuilder;

// A raw-data file holding values at rate Hz.
std::string RawFile(const ScratchDirectory& dir, const std::string& name, const std::vector<double>& values,
                    uint32_t rate) {
    std::string text = "SampFreq=" + std::to_string(rate) + "\nSize=" + std::to_string(values.size()) + "\n";
    for (double v : values) text += FormatC("%.10f\n", v);
    test::WriteText(dir.File(name), text);
    return dir.File(name);
}

std::string ToneWav(const ScratchDirectory& dir, const std::string& name, uint32_t count, double frequency,
                    uint32_t rate) {
    WavBuilder wav;
    wav.sampleRate = rate;
    wav.Samples16(test::SineSamples(count, frequency, rate, 1.0));
    wav.Write(dir.File(name));
    return dir.File(name);
}

class AnalysisStateTest : public ::testing::Test {
protected:
    AnalysisStateTest() { state.InitializeParameters(""); }
    ScratchDirectory dir;
    FakeUiPort port;
    AnalysisState state{port};
};

TEST_F(AnalysisStateTest, StartsWithTheInitialValuesAndTheDefaultRecord) {
    const AnalysisSettings& s = state.Settings();
    EXPECT_EQ(s.samplingPitch, 1u);
    EXPECT_EQ(s.yuragiParameter[0], 4);  // the record's 1 is overridden at start
    EXPECT_EQ(s.yuragiParameter[1], 1);
    EXPECT_EQ(s.yuragiParameter[2], 1);
    EXPECT_EQ(s.yuragiParameter[3], 0);
    EXPECT_EQ(s.peakThreshold, 0.0);  // the record's 1.0 is overridden at start
    EXPECT_EQ(s.passThreshold, 1.0);
    EXPECT_EQ(s.filterType, 0);
    EXPECT_EQ(s.filterKindSelection, 1);
    EXPECT_EQ(s.filterTaps, 128u);
    EXPECT_EQ(s.lowerFrequency, 1u);
    EXPECT_EQ(s.upperFrequency, 11024u);
    EXPECT_EQ(s.effectiveSamplingFrequency, 22050u);
    EXPECT_EQ(s.recordBufferTimeMs, 200);
    EXPECT_EQ(s.fileStem, "LmWAData");
    int type = 0;
    uint32_t b = 0, c = 0, v = 9;
    ASSERT_EQ(state.YuragiFilter().GetParamEx(type, b, c, v), 0);
    EXPECT_EQ(type, 4);
    EXPECT_EQ(b, 1u);
    EXPECT_EQ(c, 1u);
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(state.FreqFilter().GetType(), 0);
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(AnalysisStateTest, WithoutAWaveformTheChainStopsSilently) {
    EXPECT_EQ(state.RunPreprocessing(), -200);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_TRUE(port.Judgements().empty());
    EXPECT_EQ(port.waitDepth, 0);
}

TEST_F(AnalysisStateTest, AreasAndJudgementFollowTheLevelThePassThresholdAndTheInvertedFlag) {
    // Yuragi 4,1,1,0 is a first difference with the first two points blanked,
    // so the step 0 → 1 gives one square of 1 at index 3.
    const std::string file = RawFile(dir, "step.rdt", {0, 0, 0, 1, 1, 1}, 1000);
    AnalysisSettings& s = state.Settings();
    s.peakThreshold = 0.5;
    s.passThreshold = 0.5;
    ASSERT_EQ(state.LoadWaveform(file), 1);
    EXPECT_EQ(state.Measure().status, 0);
    EXPECT_TRUE(state.Measure().valid);
    EXPECT_EQ(state.Measure().totalArea, 1.0);
    EXPECT_EQ(state.Measure().exceedingArea, 0.5);
    EXPECT_EQ(state.Measure().totalAreaText, "1.000000");
    EXPECT_EQ(state.Measure().exceedingAreaText, "0.500000");
    EXPECT_EQ(state.Measure().judgement, 2);  // area at the threshold fails
    s.invertedJudgement = 1;
    EXPECT_EQ(state.RunAbnormalMeasure(), 0);
    EXPECT_EQ(state.Measure().judgement, 1);
    s.invertedJudgement = 0;
    s.passThreshold = 0.6;
    state.RunAbnormalMeasure();
    EXPECT_EQ(state.Measure().judgement, 1);
    // Both sides are compared after "%lf": 0.5000004 reads as 0.500000.
    s.passThreshold = 0.5000004;
    state.RunAbnormalMeasure();
    EXPECT_EQ(state.Measure().judgement, 2);
    // A level above every value leaves no exceeding area.
    s.peakThreshold = 2.0;
    s.passThreshold = 0.1;
    state.RunAbnormalMeasure();
    EXPECT_EQ(state.Measure().exceedingArea, 0.0);
    EXPECT_EQ(state.Measure().judgement, 1);
    // Loading clears the lamp first, then each measure sends its judgement.
    EXPECT_EQ(port.Judgements(), (std::vector<int64_t>{0, 2, 1, 1, 2, 1}));
}

TEST(PassRuleTest, AreasNearTheThresholdAreComparedAsSixDecimalTexts) {
    EXPECT_EQ(PassRule(1.0, 0).Judge(0.9999996), 2);  // reads as 1.000000: at the threshold
    EXPECT_EQ(PassRule(1.0, 0).Judge(0.9999994), 1);  // reads as 0.999999
    EXPECT_EQ(PassRule(1.0, 1).Judge(0.9999996), 1);
    EXPECT_EQ(PassRule(1.0, 0).Judge(0.99), 1);
    EXPECT_EQ(PassRule(1.0, 0).Judge(1e12), 2);
}

TEST_F(AnalysisStateTest, FftLengthZeroCoversTheRestAndIsThenSet) {
    const std::string file = ToneWav(dir, "tone.wav", 1000, 1000.0, 8000);
    state.Settings().spectraEnabled = 1;
    ASSERT_EQ(state.LoadWaveform(file), 1);
    EXPECT_EQ(state.Settings().fftStart, 0u);
    EXPECT_EQ(state.Settings().fftLength, 1000u);
    EXPECT_EQ(state.YuragiSpectrum().GetSize(), 512u);  // largest power of two ≤ 1000
    state.Settings().fftStart = 100;
    state.Settings().fftLength = 0;
    EXPECT_EQ(state.RunPreprocessing(), 0);
    EXPECT_EQ(state.Settings().fftLength, 900u);
    EXPECT_EQ(state.AnalysisSpectrum().GetSize(), 512u);
}

TEST_F(AnalysisStateTest, SpectraGiveThePeakListAndWithoutThemItIsEmpty) {
    // 1000 Hz at 8192 Hz over 8192 points: exactly on bin 1000 of N = 8192.
    const std::string file = ToneWav(dir, "tone.wav", 8192, 1000.0, 8192);
    ASSERT_EQ(state.LoadWaveform(file), 1);
    EXPECT_FALSE(state.Peaks().Filled(0));
    EXPECT_EQ(state.YuragiSpectrum().GetSize(), 0u);
    EXPECT_TRUE(state.Measure().valid);  // the measure runs without spectra too

    state.Settings().spectraEnabled = 1;
    ASSERT_EQ(state.RunPreprocessing(), 0);
    ASSERT_TRUE(state.Peaks().Filled(0));
    EXPECT_EQ(state.Peaks().Bin(0), 1000u);
    EXPECT_DOUBLE_EQ(state.Peaks().FrequencyHz(0), 1000.0);
    EXPECT_EQ(state.Peaks().Line(0), "    1000.0Hz");
}

TEST_F(AnalysisStateTest, AFailingChainShowsTheMessageClearsResultsAndTheMeasureFailsToo) {
    const std::string file = ToneWav(dir, "tone.wav", 2048, 500.0, 8000);
    state.Settings().spectraEnabled = 1;
    ASSERT_EQ(state.LoadWaveform(file), 1);
    ASSERT_GT(state.SquareMeanWaveform().GetSize(), 0u);
    port.messages.clear();

    state.Settings().fftStart = 5000;  // beyond the waveform: the spectra fail
    state.Settings().fftLength = 0;
    EXPECT_EQ(state.RunPreprocessing(), -200);  // DoSquare on the cleared waveform
    EXPECT_EQ(state.LastChainStatus(), -314);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2009});
    EXPECT_EQ(state.AnalysisWaveform().GetSize(), 0u);
    EXPECT_EQ(state.YuragiWaveform().GetSize(), 0u);
    EXPECT_EQ(state.YuragiSpectrum().GetSize(), 0u);
    EXPECT_EQ(state.SquareMeanWaveform().GetSize(), 0u);
    EXPECT_FALSE(state.Measure().valid);
    EXPECT_EQ(state.Settings().fftLength, 0u);  // not replaced after a failure
    EXPECT_EQ(state.RawWaveform().GetSize(), 2048u);
}

TEST_F(AnalysisStateTest, LoadingSetsTheFileTheRateAndTheRecentList) {
    const std::string file = ToneWav(dir, "a.wav", 4410, 441.0, 44100);
    EXPECT_EQ(state.LoadWaveform("  " + file + " "), 1);
    const AnalysisSettings& s = state.Settings();
    EXPECT_EQ(s.currentFile, file);
    EXPECT_GT(s.currentFileTime, 0);
    EXPECT_EQ(s.fileLoaded, 1);
    EXPECT_EQ(s.acquisitionChanged, 1);
    EXPECT_EQ(s.samplingFrequency, 44100u);
    EXPECT_EQ(s.effectiveSamplingFrequency, 44100u);
    EXPECT_EQ(state.AnalysisWaveform().GetSize(), 4410u);
    EXPECT_EQ(state.RawSampleCount(), 4410u);
    EXPECT_NE(state.RawSamples(), nullptr);
    EXPECT_EQ(port.comboEntries[1094], std::vector<std::string>{file});
    EXPECT_EQ(port.comboSelected[1094], file);
    EXPECT_EQ(port.waitDepth, 0);
    EXPECT_GT(port.repaints, 0);
    // The pages learn the frame: the waveform page (FFT length, start, length).
    bool waveformTold = false;
    for (const auto& [page, notice] : port.notifications) {
        if (page == PageId::Waveform) {
            waveformTold = notice.values[0] == 4410 && notice.values[1] == 0 && notice.values[2] == 4410;
        }
    }
    EXPECT_TRUE(waveformTold);
}

TEST_F(AnalysisStateTest, BadFilesAreRejectedAndThePreviousFileStays) {
    const std::string good = ToneWav(dir, "good.wav", 3000, 300.0, 22050);
    ASSERT_EQ(state.LoadWaveform(good), 1);
    const double total = state.Measure().totalArea;
    port.messages.clear();

    WavBuilder truncated;
    truncated.Samples16({1, 2, 3});
    truncated.dataSizeOverride = 1000;
    truncated.Write(dir.File("truncated.wav"));
    std::vector<uint8_t> hugeHeader = WavBuilder{}.Bytes();
    hugeHeader[16] = hugeHeader[17] = hugeHeader[18] = hugeHeader[19] = 0xFF;
    test::WriteBytes(dir.File("huge.wav"), hugeHeader);
    WavBuilder zeroRate;
    zeroRate.sampleRate = 0;
    zeroRate.Samples16({1, 2, 3});
    zeroRate.Write(dir.File("zero.wav"));
    test::WriteText(dir.File("garbage.wav"), std::string(5000, '\x7f'));
    test::WriteText(dir.File("bad.rdt"), "SampFreq=0\nSize=2\n1\n2\n");

    const char* names[] = {"truncated.wav", "huge.wav", "zero.wav", "garbage.wav", "bad.rdt", "missing.wav"};
    for (const char* name : names) {
        EXPECT_EQ(state.LoadWaveform(dir.File(name)), 0) << name;
    }
    EXPECT_EQ(state.LoadWaveform("   "), 0);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>(6, 2023));
    EXPECT_EQ(state.Settings().currentFile, good);
    EXPECT_EQ(state.RawWaveform().GetSize(), 3000u);
    EXPECT_EQ(state.Measure().totalArea, total);
    EXPECT_EQ(state.RecentFiles().FilledPaths().size(), 1u);
    EXPECT_EQ(port.waitDepth, 0);
}

TEST_F(AnalysisStateTest, AFilterThatDoesNotSuitTheFilesRateIsNotUsedForThatFile) {
    AnalysisSettings& s = state.Settings();
    s.filterType = 1;
    s.filterKindSelection = 1;
    s.filterTaps = 256;
    s.lowerFrequency = 5000;  // an LPF at 5000 Hz needs more than 10000 Hz
    ASSERT_EQ(state.LoadWaveform(ToneWav(dir, "slow.wav", 2000, 100.0, 8000)), 1);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2006});
    EXPECT_EQ(state.FreqFilter().GetType(), 0);  // results say what was done
    EXPECT_EQ(s.filterType, 1);                  // the settings stay
    EXPECT_EQ(s.lowerFrequency, 5000u);
    EXPECT_EQ(state.LastChainStatus(), 0);
    EXPECT_EQ(state.AnalysisWaveform().GetSize(), 2000u);

    port.messages.clear();
    ASSERT_EQ(state.LoadWaveform(ToneWav(dir, "fast.wav", 2000, 100.0, 22050)), 1);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(state.FreqFilter().GetType(), 1);
    EXPECT_EQ(state.FreqFilter().GetSampFreq(), 22050u);
}

TEST_F(AnalysisStateTest, TheFrequencyFilterDelaysTheAnalysisWaveform) {
    // A 64-tap filter at a tone well inside its pass band: the output follows
    // the input delayed by 32 samples (the design is centred at taps/2).
    AnalysisSettings& s = state.Settings();
    s.filterType = 1;
    s.filterTaps = 64;
    s.lowerFrequency = 4000;
    ASSERT_EQ(state.LoadWaveform(ToneWav(dir, "t.wav", 1000, 200.0, 22050)), 1);
    ASSERT_EQ(state.AnalysisWaveform().GetSize(), 1000u);
    double in = 0, out = 0;
    state.RawWaveform().GetDataPoint(500, in);
    state.AnalysisWaveform().GetDataPoint(532, out);
    EXPECT_NEAR(out, in, 0.01);
}

// The yuragi waveform as the chain defines it: decimate, yuragi filter with
// the head blanked, then the frequency filter.
std::vector<double> LiteralYuragi(const AnalysisState& state) {
    WAData decimated, yuragiOnly, yuragi;
    EXPECT_EQ(decimated.SetDataFromSampling(state.RawWaveform(), state.Settings().samplingPitch), 0);
    EXPECT_EQ(yuragiOnly.SetDataFromFiltering(decimated, state.YuragiFilter(), 0), 0);
    EXPECT_EQ(yuragi.SetDataFromFiltering(yuragiOnly, state.FreqFilter(), 1), 0);
    std::vector<double> values(yuragi.GetSize());
    EXPECT_EQ(yuragi.GetData(values.data()), 0);
    return values;
}

TEST_F(AnalysisStateTest, TheYuragiWaveformEqualsTheFiltersAppliedInTheirOrder) {
    struct Case {
        uint32_t samples, pitch;
        int32_t yuragi[4];
        int32_t type;
        uint32_t taps, low, high;
    };
    const Case cases[] = {
        {3000, 1, {4, 1, 1, 0}, 1, 256, 3000, 0},   {3000, 2, {3, 5, 4, 2}, 3, 512, 500, 3000},
        {100, 1, {2, 3, 2, 0}, 2, 256, 1000, 0},    {5, 1, {1, 4, 1, 0}, 4, 64, 1000, 4000},
        {2000, 1, {5, 200, 255, 10}, 1, 128, 2000, 0},  // yuragi longer than the filter
    };
    for (const Case& c : cases) {
        AnalysisSettings& s = state.Settings();
        std::copy(c.yuragi, c.yuragi + 4, s.yuragiParameter);
        ASSERT_EQ(const_cast<WAYuragiFilter&>(state.YuragiFilter())
                      .SetParamEx(c.yuragi[0], c.yuragi[1], c.yuragi[2], c.yuragi[3]),
                  0);
        s.filterType = c.type;
        s.filterTaps = c.taps;
        s.lowerFrequency = c.low;
        s.upperFrequency = c.high;
        s.samplingPitch = c.pitch;
        test::WavBuilder wav;
        wav.Samples16(test::SineSamples(c.samples, 700.0, 22050, 2.0));
        for (size_t i = 0; i < wav.data.size(); i += 14) wav.data[i] ^= 0x55;  // some roughness
        wav.Write(dir.File("c.wav"));
        ASSERT_EQ(state.LoadWaveform(dir.File("c.wav")), 1);
        ASSERT_EQ(state.LastChainStatus(), 0);
        const std::vector<double> expected = LiteralYuragi(state);
        ASSERT_EQ(state.YuragiWaveform().GetSize(), expected.size());
        for (uint32_t i = 0; i < expected.size(); ++i) {
            double value = 0;
            state.YuragiWaveform().GetDataPoint(i, value);
            EXPECT_NEAR(value, expected[i], 1e-12) << c.samples << " " << i;
        }
    }
}

// Records shorter than the yuragi filter: every sample lies in the blanked
// head, so the literal order gives exactly 0.0 everywhere; the fast path must
// give the same bits (no residue, no -0.0), hence the same peaks and areas 0.
TEST_F(AnalysisStateTest, RecordsShorterThanTheFiltersGiveExactZeros) {
    AnalysisSettings& s = state.Settings();
    s.spectraEnabled = 1;
    s.filterType = kFilterLpf;
    s.lowerFrequency = 1000;
    const int32_t yuragi[4] = {4, 10, 4, 0};  // 23 taps: longer than every record, shorter than the LPF
    std::copy(yuragi, yuragi + 4, s.yuragiParameter);
    ASSERT_EQ(const_cast<WAYuragiFilter&>(state.YuragiFilter()).SetParamEx(4, 10, 4, 0), 0);
    for (uint32_t samples : {10u, 20u, 33u}) {
        for (uint32_t pitch : {2u, 3u}) {
            for (uint32_t taps : {64u, 512u}) {
                s.samplingPitch = pitch;
                s.filterTaps = taps;
                test::WavBuilder wav;
                wav.Samples16(test::SineSamples(samples, 700.0, 22050, 2.0));
                wav.Write(dir.File("short.wav"));
                ASSERT_EQ(state.LoadWaveform(dir.File("short.wav")), 1);
                ASSERT_EQ(state.LastChainStatus(), 0);
                const std::vector<double> expected = LiteralYuragi(state);
                ASSERT_LE(expected.size(), state.YuragiFilter().GetTap());
                ASSERT_EQ(state.YuragiWaveform().GetSize(), expected.size());
                for (uint32_t i = 0; i < expected.size(); ++i) {
                    double value = 1.0;
                    state.YuragiWaveform().GetDataPoint(i, value);
                    EXPECT_EQ(std::bit_cast<uint64_t>(value), std::bit_cast<uint64_t>(expected[i]))
                        << samples << " samples, pitch " << pitch << ", " << taps << " taps, sample " << i;
                }
                EXPECT_EQ(state.Measure().totalArea, 0.0);
                EXPECT_EQ(state.Measure().exceedingArea, 0.0);
            }
        }
    }
}

TEST_F(AnalysisStateTest, DifferenceDataAreFormedOnlyWhileWanted) {
    state.Settings().spectraEnabled = 1;
    const std::string path = ToneWav(dir, "dif.wav", 3000, 440.0, 8000);
    ASSERT_EQ(state.LoadWaveform(path), 1);
    EXPECT_EQ(state.DifWaveform().GetSize(), 3000u);  // yuragi minus analysis
    EXPECT_NE(state.DifSpectrum().GetSize(), 0u);
    state.SetDifferenceDataEnabled(false);
    ASSERT_EQ(state.LoadWaveform(path), 1);
    EXPECT_EQ(state.DifWaveform().GetSize(), 0u);
    EXPECT_EQ(state.DifSpectrum().GetSize(), 0u);
    EXPECT_EQ(state.LastChainStatus(), 0);
}

TEST_F(AnalysisStateTest, ConvertingAWavFileLeavesTheLoadedWaveformAlone) {
    ASSERT_EQ(state.LoadWaveform(ToneWav(dir, "loaded.wav", 500, 100.0, 8000)), 1);
    ToneWav(dir, "other.wav", 300, 100.0, 8000);
    EXPECT_EQ(ConvertWavToRawData(dir.File("other.wav"), port), 0);
    EXPECT_EQ(state.RawWaveform().GetSize(), 500u);
    WAData converted;
    EXPECT_EQ(LoadRawData(dir.File("other.rdt").c_str(), converted), 0);
    EXPECT_EQ(converted.GetSize(), 300u);
}

TEST_F(AnalysisStateTest, ApplyFreqFilterSettingsPassesTheSettersResult) {
    EXPECT_EQ(state.ApplyFreqFilterSettings(1, 10000, 1024, 1000, 0), 0);
    EXPECT_EQ(state.FreqFilter().GetType(), 1);
    EXPECT_EQ(state.ApplyFreqFilterSettings(1, 10000, 1000, 500, 0), -1);  // not a power of two
    EXPECT_EQ(state.ApplyFreqFilterSettings(3, 10000, 256, 1000, 1000), -1);
    EXPECT_EQ(state.ApplyFreqFilterSettings(5, 10000, 256, 1, 2), -1);
    EXPECT_EQ(state.ApplyFreqFilterSettings(4, 10000, 256, 1000, 2000), 0);
    EXPECT_EQ(state.FreqFilter().GetType(), 4);
    EXPECT_EQ(state.ApplyFreqFilterSettings(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(state.FreqFilter().GetType(), 0);
}

}  // namespace
}  // namespace kr70
