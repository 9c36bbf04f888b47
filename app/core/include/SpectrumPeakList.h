// SpectrumPeakList — the five highest local maxima of an amplitude spectrum,
// shown by the spectrum page's five-line list ("ｽﾍﾟｸﾄﾙﾋﾟｰｸ").
#ifndef KR70_APP_CORE_SPECTRUMPEAKLIST_H
#define KR70_APP_CORE_SPECTRUMPEAKLIST_H

#include <array>
#include <cstdint>
#include <string>

class WAPowerSpectrum;

namespace kr70 {

class SpectrumPeakList {
public:
    static constexpr int32_t kLines = 5;
    // Text of an empty line.
    static constexpr const char* kEmptyLine = "------------";

    // Rebuilds the list from the amplitude spectrum of spectrum (bins 1 …
    // N/2 − 1 are searched; a local maximum is a value not below any other in
    // the 32-bin window k − 16 … k + 15). Leaves the list empty when the
    // spectrum has no size, no frequency or no amplitude data.
    void Build(const WAPowerSpectrum& spectrum);

    // Same search on an amplitude array of size N (the full transform length)
    // at sampling frequency fs; both must be non-zero.
    void Build(const double* amplitude, uint32_t size, uint32_t samplingFrequency);

    void Clear();

    // Slot i (0 … 4, largest first): whether it holds a peak, the peak's bin
    // (k + 1 for search position k), its amplitude and its frequency
    // bin × fs / N in Hz.
    bool Filled(int32_t i) const { return positions_[i] >= 0; }
    uint32_t Bin(int32_t i) const { return static_cast<uint32_t>(positions_[i] + 1); }
    double Value(int32_t i) const { return values_[i]; }
    double FrequencyHz(int32_t i) const;

    // Line i as the list shows it: "%10.1fHz", or "------------".
    std::string Line(int32_t i) const;

private:
    void Offer(int32_t position, double value);

    std::array<int32_t, kLines> positions_{-1, -1, -1, -1, -1};
    std::array<double, kLines> values_{};
    uint32_t size_ = 0;
    uint32_t samplingFrequency_ = 0;
};

}  // namespace kr70

#endif
