// The parameter record bound to the analysis state, both ways.
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

#include <gtest/gtest.h>

#include "AnalysisState.h"
#include "FakeUiPort.h"
#include "NumberText.h"
#include "TestFiles.h"

namespace kr70 {
namespace {

using test::FakeUiPort;

class ParameterBindingTest : public ::testing::Test {
protected:
    ParameterBindingTest() { LmIniInit(&record); }

    // Writes record as a parameter file and returns its path.
    std::string WriteRecord(const std::string& name) {
        const std::string path = dir.File(name);
        EXPECT_EQ(LmIniWrite(path.c_str(), &record), 0);
        return path;
    }

    test::ScratchDirectory dir;
    FakeUiPort port;
    LmIniRecord record{};
};

TEST_F(ParameterBindingTest, HighPassSetsTheUpperFrequencyFromTheEffectiveRate) {
    AnalysisState state(port);
    std::snprintf(record.cFltCase, sizeof record.cFltCase, "HPF");
    record.lFltGO = 1;
    record.lSyaDanFreq = 300;
    record.lTukaTaiMax = 777;  // ignored for a high-pass
    record.lSmpPitch = 2;
    state.ApplyParameterRecord(record);
    const AnalysisSettings& s = state.Settings();
    EXPECT_EQ(s.filterType, 2);
    EXPECT_EQ(s.filterKindSelection, 2);
    EXPECT_EQ(s.lowerFrequency, 300u);
    EXPECT_EQ(s.effectiveSamplingFrequency, 11025u);
    EXPECT_EQ(s.upperFrequency, 11025u / 2 - 1);
    EXPECT_EQ(state.FreqFilter().GetType(), 2);
    EXPECT_EQ(state.FreqFilter().GetSampFreq(), 11025u);
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(ParameterBindingTest, BandFiltersTakeTheirOwnEdgesAndOffKeepsTheKind) {
    AnalysisState state(port);
    std::snprintf(record.cFltCase, sizeof record.cFltCase, "BEF");
    record.lFltGO = 0;
    record.lBosiTaiMin = 900;
    record.lBosiTaiMax = 1100;
    record.lFltLng = 512;
    state.ApplyParameterRecord(record);
    EXPECT_EQ(state.Settings().filterType, 0);
    EXPECT_EQ(state.Settings().filterKindSelection, 4);
    EXPECT_EQ(state.Settings().lowerFrequency, 900u);
    EXPECT_EQ(state.Settings().upperFrequency, 1100u);
    EXPECT_EQ(state.Settings().filterTaps, 512u);
    EXPECT_EQ(state.FreqFilter().GetType(), 0);

    // Saved with the filter off: the kind and a 0 in lFltGO.
    LmIniRecord saved;
    state.FillParameterRecord(saved);
    EXPECT_STREQ(saved.cFltCase, "BEF");
    EXPECT_EQ(saved.lFltGO, 0);
    EXPECT_EQ(saved.lBosiTaiMin, 900);
    EXPECT_EQ(saved.lTukaTaiMax, 1100);
    // Any other text is a low-pass.
    std::snprintf(record.cFltCase, sizeof record.cFltCase, "lpf");
    record.lFltGO = 1;
    state.ApplyParameterRecord(record);
    EXPECT_EQ(state.Settings().filterType, 1);
}

TEST_F(ParameterBindingTest, RecordBufferTimeAndChannel) {
    AnalysisState state(port);
    state.Settings().recordBufferTimeMs = 0;
    state.ApplyParameterRecord(record);
    EXPECT_EQ(state.Settings().recordBufferTimeMs, 200);  // 2205 / 22050 × 2000
    state.Settings().dataPoints = 1000;
    state.Settings().samplingFrequency = 3000;
    state.Settings().channel = 3;
    state.SetBoardKind(1);
    state.ApplyParameterRecord(record);
    EXPECT_EQ(state.Settings().recordBufferTimeMs, 666);  // truncated
    EXPECT_EQ(state.Settings().channel, 1);
}

TEST_F(ParameterBindingTest, DoublesAreRoundedToSixDecimals) {
    AnalysisState state(port);
    record.fPSikiiMen = 0.12345678;
    record.fSikiiOverMen = 2.0000004;
    record.fMenSikii = -1.5;
    state.ApplyParameterRecord(record);
    EXPECT_EQ(state.Settings().peakThreshold, 0.123457);
    EXPECT_EQ(state.Settings().passThreshold, 2.0);
    EXPECT_EQ(state.Settings().judgementThreshold, -1.5);
}

TEST_F(ParameterBindingTest, APitchOutsideTheDialogsRangeIsNotApplied) {
    AnalysisState state(port);
    ASSERT_EQ(state.SetSamplingPitch(2), 0);
    for (int32_t pitch : {0, -3, 65536, 2000000000}) {
        record.lSmpPitch = pitch;
        state.ApplyParameterRecord(record);
        EXPECT_EQ(state.Settings().samplingPitch, 2u) << pitch;
        EXPECT_EQ(state.Settings().effectiveSamplingFrequency, 11025u) << pitch;
    }
    record.lSmpPitch = 65535;
    state.ApplyParameterRecord(record);
    EXPECT_EQ(state.Settings().samplingPitch, 65535u);
}

TEST_F(ParameterBindingTest, SettingsThatCannotBeDesignedLeaveTheFilterPassingThrough) {
    AnalysisState state(port);
    record.lFltGO = 1;
    record.lSyaDanFreq = 20000;  // above half of 22050
    state.ApplyParameterRecord(record);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2006});
    EXPECT_EQ(state.Settings().filterType, 1);
    EXPECT_EQ(state.Settings().lowerFrequency, 20000u);
    EXPECT_EQ(state.FreqFilter().GetType(), 0);
}

TEST_F(ParameterBindingTest, YuragiParametersTheLibraryRejectsKeepThePreviousFilter) {
    AnalysisState state(port);
    record.lFltPara1 = 2;
    record.lFltPara2 = 3;
    record.lFltPara4 = 3;  // overlap not below B
    state.ApplyParameterRecord(record);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2006});
    EXPECT_EQ(state.Settings().yuragiParameter[0], 4);
    EXPECT_EQ(state.Settings().yuragiParameter[1], 1);
    EXPECT_EQ(state.YuragiFilter().GetTap(), 2u);
}

TEST_F(ParameterBindingTest, ConstructionOverridesYuragiTypeAndLevelButOpeningDoesNot) {
    record.lFltPara1 = 2;
    record.lFltPara2 = 5;
    record.fPSikiiMen = 0.75;
    const std::string path = WriteRecord("p.ini");
    {
        AnalysisState state(port);
        state.InitializeParameters(path);
        EXPECT_EQ(state.Settings().parameterFile, path);
        EXPECT_EQ(state.Settings().yuragiParameter[0], 4);
        EXPECT_EQ(state.Settings().yuragiParameter[1], 5);
        EXPECT_EQ(state.Settings().peakThreshold, 0.0);
        int type;
        uint32_t b, c, v;
        ASSERT_EQ(state.YuragiFilter().GetParamEx(type, b, c, v), 0);
        EXPECT_EQ(type, 4);
        EXPECT_EQ(b, 5u);
    }
    AnalysisState state(port);
    state.InitializeParameters("");
    int32_t status = -1;
    EXPECT_EQ(state.OpenParameterFile(path, &status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(state.Settings().yuragiParameter[0], 2);
    EXPECT_EQ(state.Settings().peakThreshold, 0.75);
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(ParameterBindingTest, AnUnreadableParameterFileIsForgotten) {
    test::WriteText(dir.File("index.ini"), "cFileID = LmParaIndxFile\nlSmpPitch = 4\n");
    AnalysisState state(port);
    state.InitializeParameters(dir.File("missing.ini"));
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2007});
    EXPECT_TRUE(state.Settings().parameterFile.empty());
    EXPECT_EQ(state.Settings().yuragiParameter[0], 4);  // defaults in force

    port.messages.clear();
    int32_t status = 0;
    EXPECT_EQ(state.OpenParameterFile(dir.File("index.ini"), &status), 0);
    EXPECT_EQ(status, 9);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2007});
    EXPECT_EQ(state.Settings().samplingPitch, 1u);
    EXPECT_TRUE(state.Settings().parameterFile.empty());
}

TEST_F(ParameterBindingTest, FillWritesTheStatesFieldsOverTheFileInUse) {
    record.lLimitMin = 1234;  // not the state's: kept from the file
    const std::string path = WriteRecord("use.ini");
    AnalysisState state(port);
    state.InitializeParameters(path);
    AnalysisSettings& s = state.Settings();
    s.fileStem = "Bench";
    s.fileNumber = 7;
    s.peakThreshold = 0.25;
    s.passThreshold = 3.5;
    s.invertedJudgement = 1;
    s.peakAnalysisFlag = 5;
    s.acquisitionTimeMs = 250.5;
    s.normalizeFlag = 1;
    s.channel = 3;
    state.SetBoardKind(2);
    state.SetPageRecordHook([](LmIniRecord& r) { r.fGetWaveDspMax = 4.5; });
    LmIniRecord filled;
    state.FillParameterRecord(filled);
    EXPECT_EQ(filled.lLimitMin, 1234);
    EXPECT_EQ(filled.lSmpFreq, 22050);
    EXPECT_EQ(filled.lFltPara1, 4);
    EXPECT_STREQ(filled.cSaveFile, "Bench-007");
    EXPECT_EQ(filled.fPeekSikii, 0.25);
    EXPECT_EQ(filled.fPSikiiLow, 0.25);
    EXPECT_EQ(filled.fPSikiiMen, 0.25);
    EXPECT_EQ(filled.fPSikiiUpp, 9999999999.0);
    EXPECT_EQ(filled.fSikiiOverMen, 3.5);
    EXPECT_EQ(filled.lOMOUflg, 1);
    EXPECT_EQ(filled.lPeekAnaGo, 1);
    EXPECT_EQ(filled.fDataGetTime, 250.5);
    EXPECT_EQ(filled.lExtIntUse, 0);
    EXPECT_EQ(filled.lSOUflg, 0);
    EXPECT_EQ(filled.lSeikiGo, 1);
    EXPECT_EQ(filled.fGetWaveDspMax, 4.5);
    EXPECT_EQ(filled.lAdSbFlg, 1);
    EXPECT_EQ(filled.lAdChNo, 3);
    // Without a board the kind is written as 0 with channel 1.
    state.SetBoardKind(0);
    state.FillParameterRecord(filled);
    EXPECT_EQ(filled.lAdSbFlg, 0);
    EXPECT_EQ(filled.lAdChNo, 1);
}

TEST_F(ParameterBindingTest, FillAfterTheFileVanishedStillWritesTheCurrentSettings) {
    const std::string path = WriteRecord("gone.ini");
    AnalysisState state(port);
    state.InitializeParameters(path);
    std::filesystem::remove(path);
    state.Settings().samplingPitch = 3;
    LmIniRecord filled;
    state.FillParameterRecord(filled);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2007});
    EXPECT_TRUE(state.Settings().parameterFile.empty());
    EXPECT_EQ(filled.lSmpPitch, 3);
    EXPECT_EQ(filled.lLimitMax, 2000);  // the library default
}

TEST_F(ParameterBindingTest, RecordsRoundTripThroughAFile) {
    AnalysisState first(port);
    first.InitializeParameters("");
    AnalysisSettings& s = first.Settings();
    ASSERT_EQ(first.SetSamplingPitch(2), 0);
    s.filterType = s.filterKindSelection = 3;
    s.lowerFrequency = 200;
    s.upperFrequency = 800;
    s.filterTaps = 256;
    s.squareMeanPitch = 2;
    s.smoothingLength = 4;
    s.passThreshold = 12.5;
    LmIniRecord filled;
    first.FillParameterRecord(filled);
    const std::string path = dir.File("round.ini");
    ASSERT_EQ(LmIniWrite(path.c_str(), &filled), 0);

    AnalysisState second(port);
    second.InitializeParameters("");
    ASSERT_EQ(second.OpenParameterFile(path), 1);
    const AnalysisSettings& t = second.Settings();
    EXPECT_EQ(t.samplingPitch, 2u);
    EXPECT_EQ(t.filterType, 3);
    EXPECT_EQ(t.lowerFrequency, 200u);
    EXPECT_EQ(t.upperFrequency, 800u);
    EXPECT_EQ(t.filterTaps, 256u);
    EXPECT_EQ(t.squareMeanPitch, 2);
    EXPECT_EQ(t.smoothingLength, 4);
    EXPECT_EQ(t.passThreshold, 12.5);
    EXPECT_EQ(second.FreqFilter().GetType(), 3);
    EXPECT_TRUE(port.messages.empty());
}

TEST(NumberText, UsesThePointWhateverTheLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        // Not installed: compile it beside the test when the sources exist.
        const std::string locales = std::filesystem::absolute("test-locales").string();
        const std::string command = "localedef -i de_DE -f UTF-8 " + locales + "/de_DE.UTF-8 >/dev/null 2>&1";
        std::filesystem::create_directories(locales);
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", locales.c_str(), 1);
        }
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
            GTEST_SKIP() << "de_DE.UTF-8 is not available";
        }
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5");  // the process locale really uses a comma
    EXPECT_EQ(FormatC("%lf", 0.5), "0.500000");
    EXPECT_EQ(ParseDoubleC("2.25"), 2.25);
    EXPECT_EQ(RoundThroughText("%f", 1.0000004), 1.0);
    EXPECT_EQ(RoundTripText(0.1), "0.1");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(NumberText, RoundTripTextAndRounding) {
    EXPECT_EQ(RoundTripText(1e300), "1e+300");
    EXPECT_EQ(RoundTripText(-2.5), "-2.5");
    EXPECT_EQ(RoundTripText(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(RoundThroughText("%lf", 0.1234567), 0.123457);
    EXPECT_EQ(ParseDoubleC("x", 7.0), 7.0);
    EXPECT_EQ(FormatC("%s-%03d", std::string(300, 'a').c_str(), 4).size(), 304u);
}

}  // namespace
}  // namespace kr70
