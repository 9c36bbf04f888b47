#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "LmWACore.h"

namespace {

std::vector<double> Samples(const WAData& data)
{
    std::vector<double> values(data.GetSize());
    if (!values.empty()) {
        EXPECT_EQ(data.GetData(values.data()), WA_OK);
    }
    return values;
}

std::vector<double> Power(const WAPowerSpectrum& spectrum)
{
    std::vector<double> values(spectrum.GetSize());
    if (!values.empty()) {
        EXPECT_EQ(spectrum.GetPowerSpectrum(values.data()), WA_OK);
    }
    return values;
}

class Analysis : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartFilterSystem();
        for (int i = 0; i < 64; ++i) {
            sourceValues.push_back(std::sin(i * 0.7) + 0.01 * i * i);
        }
        ASSERT_EQ(source.SetData(sourceValues.data(), 64, 1000), WA_OK);
        ASSERT_EQ(firstDifference.SetParam(4, 1, 1), WA_OK);  // [1, −1]
        ASSERT_EQ(none.SetNone(), WA_OK);
    }
    void TearDown() override { StopFilterSystem(); }

    int Run(uint32_t pitch, uint32_t fftStart, uint32_t fftCount, const WAYuragiFilter& yuragiFilter,
            const WAFreqFilter& freqFilter, int mode = 0)
    {
        return DoAnalysis(source, pitch, fftStart, fftCount, yuragiFilter, freqFilter, mode, filtered,
                          yuragi, dif, spectrum, yuragiSpectrum, difSpectrum);
    }

    // Puts data into all six outputs so that clearing can be seen.
    void FillOutputs()
    {
        ASSERT_EQ(Run(1, 0, 0, firstDifference, none), WA_OK);
        ASSERT_TRUE(AllOutputsHold());
    }

    bool AllOutputsHold() const
    {
        return filtered.GetSize() && yuragi.GetSize() && dif.GetSize() && spectrum.GetSize() &&
               yuragiSpectrum.GetSize() && difSpectrum.GetSize();
    }

    bool AllOutputsEmpty() const
    {
        return !filtered.GetSize() && !filtered.GetSampFreq() && !yuragi.GetSize() && !dif.GetSize() &&
               !spectrum.GetSize() && !spectrum.GetSampFreq() && !yuragiSpectrum.GetSize() &&
               !difSpectrum.GetSize();
    }

    std::vector<double> sourceValues;
    WAData source;
    WAYuragiFilter firstDifference;
    WAFreqFilter none;
    WAData filtered, yuragi, dif;
    WAPowerSpectrum spectrum, yuragiSpectrum;
    WADifSpectrum difSpectrum;
};

}  // namespace

TEST_F(Analysis, PassThroughFilterCopiesTheDecimatedWaveforms)
{
    ASSERT_EQ(Run(2, 0, 0, firstDifference, none), WA_OK);
    std::vector<double> decimated;
    for (std::size_t i = 0; i < sourceValues.size(); i += 2) {
        decimated.push_back(sourceValues[i]);
    }
    EXPECT_EQ(Samples(filtered), decimated);
    EXPECT_EQ(filtered.GetSampFreq(), 500u);
    // The first difference with its two-point head blanked.
    std::vector<double> expectedYuragi(decimated.size(), 0.0);
    for (std::size_t n = 2; n < decimated.size(); ++n) {
        expectedYuragi[n] = decimated[n] - decimated[n - 1];
    }
    const std::vector<double> fluctuation = Samples(yuragi);
    ASSERT_EQ(fluctuation.size(), decimated.size());
    for (std::size_t n = 0; n < decimated.size(); ++n) {
        EXPECT_NEAR(fluctuation[n], expectedYuragi[n], 1e-12) << n;
    }
    const std::vector<double> difference = Samples(dif);
    ASSERT_EQ(difference.size(), decimated.size());
    for (std::size_t n = 0; n < decimated.size(); ++n) {
        EXPECT_DOUBLE_EQ(difference[n], fluctuation[n] - decimated[n]) << n;
    }
    // 32 decimated points: the whole window is one 32-point transform.
    EXPECT_EQ(spectrum.GetSize(), 32u);
    EXPECT_EQ(spectrum.GetSampFreq(), 500u);
    EXPECT_EQ(difSpectrum.GetSize(), 32u);
}

TEST_F(Analysis, SpectraComeFromTheWaveformsBeforeFrequencyFiltering)
{
    WAFreqFilter lowPass;
    ASSERT_EQ(lowPass.SetLPF(1000, 16, 100), WA_OK);
    ASSERT_EQ(Run(1, 8, 32, firstDifference, lowPass, 1), WA_OK);

    WAData fluctuation;
    ASSERT_EQ(fluctuation.SetDataFromFiltering(source, firstDifference, 0), WA_OK);
    WAData expectedFiltered;
    WAData expectedYuragi;
    ASSERT_EQ(expectedFiltered.SetDataFromFiltering(source, lowPass, 1), WA_OK);
    ASSERT_EQ(expectedYuragi.SetDataFromFiltering(fluctuation, lowPass, 1), WA_OK);
    EXPECT_EQ(Samples(filtered), Samples(expectedFiltered));
    EXPECT_EQ(Samples(yuragi), Samples(expectedYuragi));
    ASSERT_NE(Samples(filtered), sourceValues);

    WAPowerSpectrum expectedSpectrum;
    WAPowerSpectrum expectedYuragiSpectrum;
    ASSERT_EQ(expectedSpectrum.SetSpectrumFromFFT(source, 8, 32, 1), WA_OK);
    ASSERT_EQ(expectedYuragiSpectrum.SetSpectrumFromFFT(fluctuation, 8, 32, 1), WA_OK);
    EXPECT_EQ(Power(spectrum), Power(expectedSpectrum));
    EXPECT_EQ(Power(yuragiSpectrum), Power(expectedYuragiSpectrum));

    // Difference spectrum: fluctuation spectrum minus spectrum.
    std::vector<double> difPower(difSpectrum.GetSize());
    ASSERT_EQ(difSpectrum.GetDifPowSpectrum(difPower.data()), WA_OK);
    const std::vector<double> p = Power(spectrum);
    const std::vector<double> q = Power(yuragiSpectrum);
    for (std::size_t i = 0; i < difPower.size(); ++i) {
        EXPECT_EQ(difPower[i], q[i] - p[i]) << i;
    }
}

TEST_F(Analysis, SourceWithoutDataChangesNothing)
{
    FillOutputs();
    WAData empty;
    EXPECT_EQ(DoAnalysis(empty, 1, 0, 0, firstDifference, none, 0, filtered, yuragi, dif, spectrum,
                         yuragiSpectrum, difSpectrum),
              WA_ERR_NO_DATA);
    EXPECT_TRUE(AllOutputsHold());
}

TEST_F(Analysis, DecimationFailureClearsEverything)
{
    FillOutputs();
    EXPECT_EQ(Run(0, 0, 0, firstDifference, none), WA_ERR_ANLZ_SAMPLING);
    EXPECT_TRUE(AllOutputsEmpty());
}

TEST_F(Analysis, FluctuationFilterStatusIsPassedThrough)
{
    FillOutputs();
    WAYuragiFilter undesigned;
    EXPECT_EQ(Run(1, 0, 0, undesigned, none), WA_ERR_NO_COEFFICIENTS);
    EXPECT_TRUE(AllOutputsEmpty());

    FillOutputs();
    StopFilterSystem();
    EXPECT_EQ(Run(1, 0, 0, firstDifference, none), WA_ERR_NOT_STARTED);
    EXPECT_TRUE(AllOutputsEmpty());
    StartFilterSystem();  // balanced by TearDown
}

TEST_F(Analysis, UndesignedFrequencyFilterFailsWithMinus312)
{
    FillOutputs();
    WAFreqFilter undesigned;
    EXPECT_EQ(Run(1, 0, 0, firstDifference, undesigned), WA_ERR_ANLZ_FREQ_FILTER);
    EXPECT_TRUE(AllOutputsEmpty());
}

TEST_F(Analysis, MismatchedWaveformsFailWithMinus313)
{
    // A fluctuation filter thinning by 2 gives a waveform of another size and
    // rate than the decimated one, so the difference waveform cannot be made.
    WAYuragiFilter thinning;
    ASSERT_EQ(thinning.SetParam(4, 1, 1), WA_OK);
    ASSERT_EQ(thinning.SetSampPitch(2), WA_OK);
    FillOutputs();
    EXPECT_EQ(Run(1, 0, 0, thinning, none), WA_ERR_ANLZ_DIF_DATA);
    EXPECT_TRUE(AllOutputsEmpty());
}

TEST_F(Analysis, SpectrumWindowBeyondTheDataFailsWithMinus314)
{
    FillOutputs();
    EXPECT_EQ(Run(2, 20, 16, firstDifference, none), WA_ERR_ANLZ_SPECTRUM);  // 36 > 32 points
    EXPECT_TRUE(AllOutputsEmpty());

    FillOutputs();
    EXPECT_EQ(Run(1, 0, 48, firstDifference, none, 3), WA_ERR_ANLZ_SPECTRUM);  // unknown mode
    EXPECT_TRUE(AllOutputsEmpty());

    EXPECT_EQ(Run(1, 0, 32, firstDifference, none, 3), WA_OK);  // mode unused for 32 points
}
