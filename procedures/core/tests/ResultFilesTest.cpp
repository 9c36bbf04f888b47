#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LmWACore.h"
#include "TestFiles.h"

namespace {

// Starts the filter system for one test and stops it afterwards.
class ResultFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartFilterSystem();
        std::vector<double> values;
        for (int i = 0; i < 20; ++i) {
            values.push_back(i * 0.5 - 2.0);  // -2.0, -1.5, … 7.5
        }
        ASSERT_EQ(waveform.SetData(values.data(), 20, 1000), WA_OK);
    }
    void TearDown() override { StopFilterSystem(); }

    std::string Save(WAFreqFilter& filter, uint32_t start, uint32_t len)
    {
        const std::string path = dir.Path("a.adt");
        EXPECT_EQ(SaveAnlzData(path.c_str(), waveform, "/data/x.rdt", 2, start, len, filter), WA_OK);
        return ReadWholeFile(path);
    }

    ScratchDir dir;
    WAData waveform;
};

const char* const kWindowLines = "-1.0000000000\n-0.5000000000\n0.0000000000\n";

}  // namespace

TEST_F(ResultFiles, AnalysedWaveformWithPassThroughFilter)
{
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), WA_OK);
    EXPECT_EQ(Save(none, 2, 3),
              std::string("RawData=/data/x.rdt\n"
                          "SampPitch=2\n"
                          "Start=2\n"
                          "Len=3\n"
                          "FreqFilterType=NONE\n"
                          "FreqFilterTap=\n"
                          "FreqFilterFreq=\n"
                          "SampFreq=1000\n"
                          "Size=3\n") +
                  kWindowLines);
}

TEST_F(ResultFiles, AnalysedWaveformWithBandPassFilter)
{
    WAFreqFilter bandPass;
    ASSERT_EQ(bandPass.SetBPF(10000, 1024, 200, 800), WA_OK);
    const std::string text = Save(bandPass, 2, 3);
    EXPECT_EQ(text, std::string("RawData=/data/x.rdt\nSampPitch=2\nStart=2\nLen=3\n"
                                "FreqFilterType=BPF\nFreqFilterTap=1024\nFreqFilterFreq=200,800\n"
                                "SampFreq=1000\nSize=3\n") +
                        kWindowLines);
}

TEST_F(ResultFiles, FilterHeadersOfEveryType)
{
    struct Case {
        int (*design)(WAFreqFilter&);
        const char* header;
    };
    const Case cases[] = {
        {[](WAFreqFilter& f) { return f.SetLPF(8000, 64, 1000); },
         "FreqFilterType=LPF\nFreqFilterTap=64\nFreqFilterFreq=1000\n"},
        {[](WAFreqFilter& f) { return f.SetHPF(8000, 128, 300); },
         "FreqFilterType=HPF\nFreqFilterTap=128\nFreqFilterFreq=300\n"},
        {[](WAFreqFilter& f) { return f.SetBEF(8000, 256, 50, 60); },
         "FreqFilterType=BEF\nFreqFilterTap=256\nFreqFilterFreq=50,60\n"},
    };
    for (const Case& c : cases) {
        WAFreqFilter filter;
        ASSERT_EQ(c.design(filter), WA_OK);
        EXPECT_NE(Save(filter, 0, 1).find(c.header), std::string::npos) << c.header;
    }
}

TEST_F(ResultFiles, YuragiWaveformFileHasTheSameLayout)
{
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), WA_OK);
    const std::string adt = dir.Path("a.adt");
    const std::string ydt = dir.Path("a.ydt");
    ASSERT_EQ(SaveAnlzData(adt.c_str(), waveform, "r", 1, 5, 10, none), WA_OK);
    ASSERT_EQ(SaveYuragiFilterData(ydt.c_str(), waveform, "r", 1, 5, 10, none), WA_OK);
    EXPECT_EQ(ReadWholeFile(adt), ReadWholeFile(ydt));
}

TEST_F(ResultFiles, WindowAndFilterChecks)
{
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), WA_OK);
    WAFreqFilter undesigned;
    WAData empty;
    const std::string path = dir.Path("w.adt");
    const char* file = path.c_str();
    EXPECT_EQ(SaveAnlzData(file, waveform, "r", 1, 10, 0, none), WA_ERR_ARGUMENT);
    EXPECT_EQ(SaveAnlzData(file, waveform, "r", 1, 10, 11, none), WA_ERR_ARGUMENT);
    EXPECT_EQ(SaveAnlzData(file, waveform, "r", 1, 0xFFFFFFFFu, 2, none), WA_ERR_ARGUMENT);
    EXPECT_EQ(SaveAnlzData(file, waveform, "r", 1, 10, 10, none), WA_OK);  // ends at the last point
    EXPECT_EQ(SaveAnlzData(file, empty, "r", 1, 0, 1, undesigned), WA_ERR_NO_DATA);
    EXPECT_EQ(SaveAnlzData(file, waveform, "r", 1, 10, 0, undesigned), WA_ERR_ARGUMENT);
    EXPECT_EQ(SaveAnlzData(file, waveform, "r", 1, 0, 1, undesigned), WA_ERR_NO_COEFFICIENTS);
    EXPECT_EQ(SaveYuragiFilterData(file, waveform, "r", 1, 0, 1, undesigned), WA_ERR_NO_COEFFICIENTS);
    EXPECT_EQ(SaveSquareData(file, waveform, "r", 1, 0, 1, 1, 0.5, 1, 1, 1, 1, 0.5, 1, undesigned),
              WA_ERR_NO_COEFFICIENTS);
    EXPECT_EQ(SaveSquareData(file, waveform, "r", 1, 19, 1, 1, 0.5, 1, 1, 1, 1, 0.5, 2, none),
              WA_ERR_ARGUMENT);
}

TEST_F(ResultFiles, StoppedFilterSystemMakesTheFilterUnusable)
{
    WAFreqFilter lowPass;
    ASSERT_EQ(lowPass.SetLPF(8000, 64, 1000), WA_OK);
    StopFilterSystem();
    EXPECT_EQ(SaveAnlzData(dir.Path("s.adt").c_str(), waveform, "r", 1, 0, 1, lowPass),
              WA_ERR_NO_COEFFICIENTS);
    StartFilterSystem();  // balanced by TearDown
}

TEST_F(ResultFiles, NullRawDataNameIsWrittenEmpty)
{
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), WA_OK);
    const std::string path = dir.Path("n.adt");
    ASSERT_EQ(SaveAnlzData(path.c_str(), waveform, nullptr, 1, 0, 1, none), WA_OK);
    EXPECT_EQ(ReadWholeFile(path).substr(0, 9), "RawData=\n");
}

TEST_F(ResultFiles, SquareMeanFileWithItsParameters)
{
    WAFreqFilter lowPass;
    ASSERT_EQ(lowPass.SetLPF(8000, 64, 1000), WA_OK);
    const std::string path = dir.Path("s.sdt");
    ASSERT_EQ(SaveSquareData(path.c_str(), waveform, "w.wav", 4, 2, 3, 100, 0.125, 2, 5, 6, 7,
                             -1.5, 3, lowPass),
              WA_OK);
    EXPECT_EQ(ReadWholeFile(path), std::string("RawData=w.wav\n"
                                               "SampPitch=4\n"
                                               "Start=2\n"
                                               "Len=3\n"
                                               "FreqFilterType=LPF\n"
                                               "FreqFilterTap=64\n"
                                               "FreqFilterFreq=1000\n"
                                               "SampFreq=1000\n"
                                               "SampPitchIonSquare=3\n"
                                               "Smooth=100\n"
                                               "ThreshPeak=0.1250000000\n"
                                               "PeakAnlz=FALSE\n"
                                               "SampPitchIonPeak=5\n"
                                               "WidthPeak=6\n"
                                               "WidthDiag=7\n"
                                               "ThreshDiag=-1.5000000000\n"
                                               "Size=3\n") +
                                       kWindowLines);
}

TEST_F(ResultFiles, OnlyFlagOneWritesPeakAnlzTrue)
{
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), WA_OK);
    const std::string path = dir.Path("p.sdt");
    for (int flag : {0, 1, 2, -1}) {
        ASSERT_EQ(SaveSquareData(path.c_str(), waveform, "r", 1, 0, 1, 1, 0.0, flag, 1, 1, 1, 0.0, 1, none),
                  WA_OK);
        const bool isTrue = ReadWholeFile(path).find("\nPeakAnlz=TRUE\n") != std::string::npos;
        const bool isFalse = ReadWholeFile(path).find("\nPeakAnlz=FALSE\n") != std::string::npos;
        EXPECT_EQ(isTrue, flag == 1) << flag;
        EXPECT_EQ(isFalse, flag != 1) << flag;
    }
}

TEST_F(ResultFiles, SpectrumFileHoldsFourColumns)
{
    // Four bins: the normalising sums run over no bin (1 ≤ i < 4/2 − 1), so
    // power = re² + im² and amplitude = √power are stored unscaled.
    const double re[] = {3.0, 0.0, -0.5, 0.0};
    const double im[] = {0.0, 4.0, 0.0, 0.0};
    WAPowerSpectrum spectrum;
    ASSERT_EQ(spectrum.SetSpectrum(re, im, 4, 500), WA_OK);
    const std::string path = dir.Path("s.spd");
    ASSERT_EQ(SaveSpectrumData(path.c_str(), spectrum, "r.rdt", 1, 0, 4), WA_OK);
    EXPECT_EQ(ReadWholeFile(path), "RawData=r.rdt\nSampPitch=1\nStart=0\nLen=4\nSampFreq=500\nSize=4\n"
                                   "3.0000000000,0.0000000000,9.0000000000,3.0000000000\n"
                                   "0.0000000000,4.0000000000,16.0000000000,4.0000000000\n"
                                   "-0.5000000000,0.0000000000,0.2500000000,0.5000000000\n"
                                   "0.0000000000,0.0000000000,0.0000000000,0.0000000000\n");
    const std::string ysp = dir.Path("s.ysp");
    ASSERT_EQ(SaveYuragiSpectrumData(ysp.c_str(), spectrum, "r.rdt", 1, 0, 4), WA_OK);
    EXPECT_EQ(ReadWholeFile(ysp), ReadWholeFile(path));
}

TEST_F(ResultFiles, WholeSpectrumIsWrittenWhateverStartAndLenSay)
{
    std::vector<double> re(1024, 0.0);
    std::vector<double> im(1024, 0.0);
    re[3] = 1.0;
    WAPowerSpectrum spectrum;
    ASSERT_EQ(spectrum.SetSpectrum(re.data(), im.data(), 1024, 2048), WA_OK);
    const std::string path = dir.Path("big.spd");
    ASSERT_EQ(SaveSpectrumData(path.c_str(), spectrum, "r", 1, 700, 5), WA_OK);
    const std::string text = ReadWholeFile(path);
    EXPECT_NE(text.find("\nStart=700\nLen=5\nSampFreq=2048\nSize=1024\n"), std::string::npos);
    std::size_t lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 6u + 1024u);
    // Bin 3 is the only in-band bin with power, so it normalises to 1.
    EXPECT_NE(text.find("\n1.0000000000,0.0000000000,1.0000000000,1.0000000000\n"), std::string::npos);
}

TEST_F(ResultFiles, DifferenceSpectrumFile)
{
    const double zero[] = {0.0, 0.0, 0.0, 0.0};
    const double re[] = {1.0, 2.0, 0.0, 0.0};
    WAPowerSpectrum first;
    WAPowerSpectrum second;
    ASSERT_EQ(first.SetSpectrum(zero, zero, 4, 100), WA_OK);
    ASSERT_EQ(second.SetSpectrum(re, zero, 4, 100), WA_OK);
    WADifSpectrum dif;
    ASSERT_EQ(dif.SetDifSpectrum(first, second), WA_OK);
    WAYuragiFilter yuragi;
    ASSERT_EQ(yuragi.SetParamEx(4, 8, 3, 2), WA_OK);
    const std::string path = dir.Path("d.dsd");
    ASSERT_EQ(SaveDifSpectrumData(path.c_str(), dif, "r", 3, 1, 2, yuragi), WA_OK);
    EXPECT_EQ(ReadWholeFile(path), "RawData=r\nSampPitch=3\nStart=1\nLen=2\nYuragiFilter=4,8,3,2\n"
                                   "SampFreq=100\nSize=4\n"
                                   "1.0000000000,1.0000000000\n"
                                   "4.0000000000,2.0000000000\n"
                                   "0.0000000000,0.0000000000\n"
                                   "0.0000000000,0.0000000000\n");
    WAYuragiFilter undesigned;
    EXPECT_EQ(SaveDifSpectrumData(path.c_str(), dif, "r", 3, 1, 2, undesigned), WA_ERR_NO_COEFFICIENTS);
    WADifSpectrum empty;
    EXPECT_EQ(SaveDifSpectrumData(path.c_str(), empty, "r", 3, 1, 2, yuragi), WA_ERR_NO_DATA);
}

TEST_F(ResultFiles, EveryWriterReportsAFullDiskAndAnUnopenablePath)
{
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), WA_OK);
    WAYuragiFilter yuragi;
    ASSERT_EQ(yuragi.SetParam(4, 1, 1), WA_OK);
    const double bins[] = {1.0, 0.0, 0.0, 0.0};
    WAPowerSpectrum spectrum;
    ASSERT_EQ(spectrum.SetSpectrum(bins, bins, 4, 100), WA_OK);
    WADifSpectrum dif;
    ASSERT_EQ(dif.SetDifSpectrum(spectrum, spectrum), WA_OK);
    const std::string missingDir = dir.Path("no/such/file");
    const struct {
        const char* file;
        int expected;
    } targets[] = {{"/dev/full", WA_ERR_FILE_WRITE}, {missingDir.c_str(), WA_ERR_FILE_OPEN}};
    for (const auto& [file, expected] : targets) {
        EXPECT_EQ(SaveAnlzData(file, waveform, "r", 1, 0, 20, none), expected) << file;
        EXPECT_EQ(SaveYuragiFilterData(file, waveform, "r", 1, 0, 20, none), expected) << file;
        EXPECT_EQ(SaveSpectrumData(file, spectrum, "r", 1, 0, 4), expected) << file;
        EXPECT_EQ(SaveYuragiSpectrumData(file, spectrum, "r", 1, 0, 4), expected) << file;
        EXPECT_EQ(SaveDifSpectrumData(file, dif, "r", 1, 0, 4, yuragi), expected) << file;
        EXPECT_EQ(SaveSquareData(file, waveform, "r", 1, 0, 1, 1, 0.0, 1, 1, 1, 1, 0.0, 20, none), expected)
            << file;
    }
}

TEST_F(ResultFiles, AnalysedDataLoadersReadNothing)
{
    const std::string path = dir.Path("a.adt");
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), WA_OK);
    ASSERT_EQ(SaveAnlzData(path.c_str(), waveform, "r", 1, 0, 20, none), WA_OK);
    WAAnlzInfo info;
    info.sampPitch = 9;
    info.size = 123;
    WAData data;
    WAPowerSpectrum spectrum;
    WADifSpectrum dif;
    EXPECT_EQ(LoadAnlzData(path.c_str(), data, info), WA_OK);
    EXPECT_EQ(LoadSpectrumData(path.c_str(), spectrum, info), WA_OK);
    EXPECT_EQ(LoadDifSpectrumData(path.c_str(), dif, info), WA_OK);
    EXPECT_EQ(data.GetSize(), 0u);
    EXPECT_EQ(spectrum.GetSize(), 0u);
    EXPECT_EQ(dif.GetSize(), 0u);
    EXPECT_EQ(info.sampPitch, 9u);
    EXPECT_EQ(info.size, 123u);
}

TEST_F(ResultFiles, HeaderNumbersIgnoreTheProcessLocale)
{
    CommaLocale comma;
    if (!comma.active()) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    WAFreqFilter none;
    ASSERT_EQ(none.SetNone(), WA_OK);
    const std::string path = dir.Path("l.sdt");
    ASSERT_EQ(SaveSquareData(path.c_str(), waveform, "r", 1, 0, 1, 1, 0.75, 1, 1, 1, 1, 2.5, 1, none), WA_OK);
    const std::string text = ReadWholeFile(path);
    EXPECT_NE(text.find("\nThreshPeak=0.7500000000\n"), std::string::npos);
    EXPECT_NE(text.find("\nThreshDiag=2.5000000000\nSize=1\n-2.0000000000\n"), std::string::npos);
}
