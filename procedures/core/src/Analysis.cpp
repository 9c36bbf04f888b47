// The analysis chain of one waveform, all outputs or none.
#include "LmWACore.h"

namespace {

struct AnalysisOutputs {
    WAData& filtered;
    WAData& yuragi;
    WAData& dif;
    WAPowerSpectrum& spectrum;
    WAPowerSpectrum& yuragiSpectrum;
    WADifSpectrum& difSpectrum;

    int Fail(int status)
    {
        filtered.ClearData();
        yuragi.ClearData();
        dif.ClearData();
        spectrum.ClearData();
        yuragiSpectrum.ClearData();
        difSpectrum.ClearData();
        return status;
    }
};

}  // namespace

int DoAnalysis(const WAData& source, uint32_t pitch, uint32_t fftStart, uint32_t fftCount,
               const WAYuragiFilter& yuragiFilter, const WAFreqFilter& freqFilter, int fftMode,
               WAData& filtered, WAData& yuragi, WAData& dif, WAPowerSpectrum& spectrum,
               WAPowerSpectrum& yuragiSpectrum, WADifSpectrum& difSpectrum)
{
    if (source.GetSize() == 0 || source.GetSampFreq() == 0) {
        return WA_ERR_NO_DATA;
    }
    AnalysisOutputs out{filtered, yuragi, dif, spectrum, yuragiSpectrum, difSpectrum};

    WAData decimated;
    if (decimated.SetDataFromSampling(source, pitch) != WA_OK) {
        return out.Fail(WA_ERR_ANLZ_SAMPLING);
    }
    WAData fluctuation;
    int status = fluctuation.SetDataFromFiltering(decimated, yuragiFilter, 0);
    if (status != WA_OK) {
        return out.Fail(status);
    }

    // Type 0 is a pass-through: plain copies. Every other answer, also an
    // undesigned filter or a stopped system, goes through the filter and fails
    // there.
    const bool passThrough = freqFilter.GetType() == WAFreqFilter::TypeNone;
    if (passThrough) {
        status = filtered.SetDataFromSampling(decimated, 1);
        if (status == WA_OK) {
            status = yuragi.SetDataFromSampling(fluctuation, 1);
        }
    } else {
        status = filtered.SetDataFromFiltering(decimated, freqFilter, 1);
        if (status == WA_OK) {
            status = yuragi.SetDataFromFiltering(fluctuation, freqFilter, 1);
        }
    }
    if (status != WA_OK) {
        return out.Fail(WA_ERR_ANLZ_FREQ_FILTER);
    }

    if (dif.SetDifData(filtered, yuragi) != WA_OK) {
        return out.Fail(WA_ERR_ANLZ_DIF_DATA);
    }

    if (spectrum.SetSpectrumFromFFT(decimated, fftStart, fftCount, fftMode) != WA_OK ||
        yuragiSpectrum.SetSpectrumFromFFT(fluctuation, fftStart, fftCount, fftMode) != WA_OK) {
        return out.Fail(WA_ERR_ANLZ_SPECTRUM);
    }

    if (difSpectrum.SetDifSpectrum(spectrum, yuragiSpectrum) != WA_OK) {
        return out.Fail(WA_ERR_ANLZ_DIF_SPECTRUM);
    }
    return WA_OK;
}
