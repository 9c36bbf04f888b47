// Analysis result files: filtered waveforms, spectra, difference spectra and
// square-mean waveforms, each a key=value header followed by one line per point.
#include <array>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "LmWACore.h"
#include "TextFileWriter.h"

namespace {

using lmwacore::TextFileWriter;

// The three frequency-filter header values as they are written.
struct FreqFilterHeader {
    const char* type = "NONE";
    std::string tap;
    std::string freq;
};

int DescribeFreqFilter(const WAFreqFilter& filter, FreqFilterHeader& header)
{
    static const char* const kTypeNames[] = {"NONE", "LPF", "HPF", "BPF", "BEF"};
    const int type = filter.GetType();
    if (type < WAFreqFilter::TypeNone || type > WAFreqFilter::TypeBandElimination) {
        return WA_ERR_NO_COEFFICIENTS;  // undesigned, or the filter system is stopped
    }
    header.type = kTypeNames[type];
    if (type == WAFreqFilter::TypeLowPass || type == WAFreqFilter::TypeHighPass) {
        uint32_t cutoff = 0;
        int status = filter.GetCutoff(cutoff);
        if (status != WA_OK) {
            return status;
        }
        header.freq = std::to_string(cutoff);
    } else if (type == WAFreqFilter::TypeBandPass || type == WAFreqFilter::TypeBandElimination) {
        uint32_t low = 0;
        uint32_t high = 0;
        int status = filter.GetBand(low, high);
        if (status != WA_OK) {
            return status;
        }
        header.freq = std::to_string(low) + "," + std::to_string(high);
    }
    const uint32_t taps = filter.GetTap();
    if (type != WAFreqFilter::TypeNone) {
        if (taps == 0 || taps == WA_NOT_STARTED_UNSIGNED) {
            return WA_ERR_NO_COEFFICIENTS;
        }
        header.tap = std::to_string(taps);
    }
    return WA_OK;
}

// Lends the samples start … start+len−1 of data: -200 without data, -1 for an
// empty window or one beyond the data.
int WindowOf(const WAData& data, uint32_t start, uint32_t len, const double*& window)
{
    double* samples = nullptr;
    if (data.GetSize() == 0 || data.GetSampFreq() == 0 || data.GetDataPointer(&samples) != WA_OK) {
        return WA_ERR_NO_DATA;
    }
    if (len == 0 || uint64_t{start} + len > data.GetSize()) {
        return WA_ERR_ARGUMENT;
    }
    window = samples + start;
    return WA_OK;
}

void WriteSourceHeader(TextFileWriter& writer, const char* rawDataName, uint32_t sampPitch,
                       uint32_t start, uint32_t len)
{
    writer.KeyText("RawData=", rawDataName != nullptr ? rawDataName : "");
    writer.KeyUnsigned("SampPitch=", sampPitch);
    writer.KeyUnsigned("Start=", start);
    writer.KeyUnsigned("Len=", len);
}

void WriteSamples(TextFileWriter& writer, const double* samples, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        writer.Fixed10(samples[i]);
        writer.EndLine();
    }
}

// Writes a waveform file: checks the window and the filter, then the header up
// to "SampFreq=", the lines extraHeader adds, "Size=" and the window's samples.
template <typename ExtraHeader>
int SaveWaveformFile(const char* file, const WAData& data, const char* rawDataName,
                     uint32_t sampPitch, uint32_t start, uint32_t len, const WAFreqFilter& filter,
                     ExtraHeader extraHeader)
{
    const double* window = nullptr;
    int status = WindowOf(data, start, len, window);
    if (status != WA_OK) {
        return status;
    }
    FreqFilterHeader filterHeader;
    status = DescribeFreqFilter(filter, filterHeader);
    if (status != WA_OK) {
        return status;
    }
    TextFileWriter writer;
    status = writer.Open(file);
    if (status != WA_OK) {
        return status;
    }
    WriteSourceHeader(writer, rawDataName, sampPitch, start, len);
    writer.KeyText("FreqFilterType=", filterHeader.type);
    writer.KeyText("FreqFilterTap=", filterHeader.tap);
    writer.KeyText("FreqFilterFreq=", filterHeader.freq);
    writer.KeyUnsigned("SampFreq=", data.GetSampFreq());
    extraHeader(writer);
    writer.KeyUnsigned("Size=", len);
    WriteSamples(writer, window, len);
    return writer.Close();
}

void NoExtraHeader(TextFileWriter&) {}

// Copies arrays of a spectrum into temporaries of its size: bins[c] gets
// what getters[c] hands out.
template <typename Spectrum, typename Getter, std::size_t N>
int CopyBins(const Spectrum& spectrum, const std::array<Getter, N>& getters,
             std::unique_ptr<double[]> (&bins)[N])
{
    for (std::size_t c = 0; c < N; ++c) {
        bins[c].reset(new (std::nothrow) double[spectrum.GetSize()]);
        if (!bins[c]) {
            return WA_ERR_MEMORY;
        }
        const Getter getter = getters[c];
        int status = (spectrum.*getter)(bins[c].get());
        if (status != WA_OK) {
            return status;
        }
    }
    return WA_OK;
}

// Writes a spectrum file: the source header, an optional extra header line,
// "SampFreq=", "Size=", then one line per bin with the columns comma-separated.
template <std::size_t N>
int WriteSpectrumFile(const char* file, const char* rawDataName, uint32_t sampPitch,
                      uint32_t start, uint32_t len, std::string_view extraHeaderLine,
                      uint32_t sampFreq, uint32_t size, const std::unique_ptr<double[]> (&columns)[N])
{
    TextFileWriter writer;
    int status = writer.Open(file);
    if (status != WA_OK) {
        return status;
    }
    WriteSourceHeader(writer, rawDataName, sampPitch, start, len);
    if (!extraHeaderLine.empty()) {
        writer.Text(extraHeaderLine);
        writer.EndLine();
    }
    writer.KeyUnsigned("SampFreq=", sampFreq);
    writer.KeyUnsigned("Size=", size);
    for (uint32_t i = 0; i < size; ++i) {
        for (std::size_t c = 0; c < N; ++c) {
            if (c != 0) {
                writer.Comma();
            }
            writer.Fixed10(columns[c][i]);
        }
        writer.EndLine();
    }
    return writer.Close();
}

int SavePowerSpectrum(const char* file, const WAPowerSpectrum& spectrum, const char* rawDataName,
                      uint32_t sampPitch, uint32_t start, uint32_t len)
{
    if (spectrum.GetSize() == 0 || spectrum.GetSampFreq() == 0) {
        return WA_ERR_NO_DATA;
    }
    const std::array kGetters{&WAPowerSpectrum::GetRePart, &WAPowerSpectrum::GetImPart,
                              &WAPowerSpectrum::GetPowerSpectrum, &WAPowerSpectrum::GetAmpSpectrum};
    std::unique_ptr<double[]> columns[4];
    int status = CopyBins(spectrum, kGetters, columns);
    if (status != WA_OK) {
        return status;
    }
    return WriteSpectrumFile(file, rawDataName, sampPitch, start, len, {}, spectrum.GetSampFreq(),
                             spectrum.GetSize(), columns);
}

}  // namespace

int SaveAnlzData(const char* file, const WAData& data, const char* rawDataName,
                 uint32_t sampPitch, uint32_t start, uint32_t len, const WAFreqFilter& filter)
{
    return SaveWaveformFile(file, data, rawDataName, sampPitch, start, len, filter, NoExtraHeader);
}

int SaveYuragiFilterData(const char* file, const WAData& data, const char* rawDataName,
                         uint32_t sampPitch, uint32_t start, uint32_t len,
                         const WAFreqFilter& filter)
{
    return SaveWaveformFile(file, data, rawDataName, sampPitch, start, len, filter, NoExtraHeader);
}

int SaveSpectrumData(const char* file, const WAPowerSpectrum& spectrum, const char* rawDataName,
                     uint32_t sampPitch, uint32_t start, uint32_t len)
{
    return SavePowerSpectrum(file, spectrum, rawDataName, sampPitch, start, len);
}

int SaveYuragiSpectrumData(const char* file, const WAPowerSpectrum& spectrum,
                           const char* rawDataName, uint32_t sampPitch, uint32_t start,
                           uint32_t len)
{
    return SavePowerSpectrum(file, spectrum, rawDataName, sampPitch, start, len);
}

int SaveDifSpectrumData(const char* file, const WADifSpectrum& spectrum, const char* rawDataName,
                        uint32_t sampPitch, uint32_t start, uint32_t len,
                        const WAYuragiFilter& filter)
{
    const uint32_t size = spectrum.GetSize();
    if (size == 0 || spectrum.GetSampFreq() == 0) {
        return WA_ERR_NO_DATA;
    }
    int type = 0;
    uint32_t halfLength = 0;
    uint32_t smoothing = 0;
    uint32_t overlap = 0;
    int status = filter.GetParamEx(type, halfLength, smoothing, overlap);
    if (status != WA_OK) {
        return status;
    }
    const std::array kGetters{&WADifSpectrum::GetDifPowSpectrum, &WADifSpectrum::GetDifAmpSpectrum};
    std::unique_ptr<double[]> columns[2];
    status = CopyBins(spectrum, kGetters, columns);
    if (status != WA_OK) {
        return status;
    }
    const std::string yuragiLine = "YuragiFilter=" + std::to_string(type) + "," +
                                   std::to_string(halfLength) + "," + std::to_string(smoothing) +
                                   "," + std::to_string(overlap);
    return WriteSpectrumFile(file, rawDataName, sampPitch, start, len, yuragiLine,
                             spectrum.GetSampFreq(), size, columns);
}

int SaveSquareData(const char* file, const WAData& data, const char* rawDataName,
                   uint32_t sampPitch, uint32_t start, uint32_t squarePitch, uint32_t smooth,
                   double threshPeak, int peakAnlz, uint32_t peakPitch, uint32_t widthPeak,
                   uint32_t widthDiag, double threshDiag, uint32_t len,
                   const WAFreqFilter& filter)
{
    return SaveWaveformFile(file, data, rawDataName, sampPitch, start, len, filter,
                            [&](TextFileWriter& writer) {
                                writer.KeyUnsigned("SampPitchIonSquare=", squarePitch);
                                writer.KeyUnsigned("Smooth=", smooth);
                                writer.KeyFixed10("ThreshPeak=", threshPeak);
                                writer.KeyText("PeakAnlz=", peakAnlz == 1 ? "TRUE" : "FALSE");
                                writer.KeyUnsigned("SampPitchIonPeak=", peakPitch);
                                writer.KeyUnsigned("WidthPeak=", widthPeak);
                                writer.KeyUnsigned("WidthDiag=", widthDiag);
                                writer.KeyFixed10("ThreshDiag=", threshDiag);
                            });
}

int LoadAnlzData(const char* /*file*/, WAData& /*data*/, WAAnlzInfo& /*info*/)
{
    return WA_OK;
}

int LoadSpectrumData(const char* /*file*/, WAPowerSpectrum& /*spectrum*/, WAAnlzInfo& /*info*/)
{
    return WA_OK;
}

int LoadDifSpectrumData(const char* /*file*/, WADifSpectrum& /*spectrum*/, WAAnlzInfo& /*info*/)
{
    return WA_OK;
}
