#include <cstring>

#include "Fft.h"
#include "FilterTable.h"
#include "Memory.h"
#include "WAFilter.h"
#include "Window.h"

using namespace lmcmanlz;

namespace {

bool IsPowerOfTwo(uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

// Whether bin i (centre f, half-bin edges lo and hi) lies in the band
// [low, high]: the band covers the centre and at least one half-bin edge, or
// lies wholly inside the bin.
bool BinInBand(double f, double lo, double hi, double low, double high) {
    return (low <= lo && high >= hi) || (low <= f && high >= hi) || (low <= lo && high >= f) ||
           (low > lo && high < hi);
}

// Desired response of bin i.
double DesiredResponse(int type, uint32_t i, double df, double first, double second) {
    const double f = i * df;
    const double lo = (i - 0.5) * df;
    const double hi = (i + 0.5) * df;
    switch (type) {
    case WAFreqFilter::TypeLowPass: return f <= first ? 1.0 : 0.0;
    case WAFreqFilter::TypeHighPass: return i == 0 ? 0.0 : (f >= first ? 1.0 : 0.0);
    case WAFreqFilter::TypeBandPass: return BinInBand(f, lo, hi, first, second) ? 1.0 : 0.0;
    default: return BinInBand(f, lo, hi, first, second) ? 0.0 : 1.0;
    }
}

}  // namespace

WAFreqFilter::WAFreqFilter() : m_type(TypeNotDesigned), m_sampFreq(0), m_cutoff(0), m_lowEdge(0), m_highEdge(0) {}

int WAFreqFilter::GetType() const {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    return m_type;
}

uint32_t WAFreqFilter::GetSampFreq() const {
    if (!FilterSystemStarted()) return WA_NOT_STARTED_UNSIGNED;
    return m_sampFreq;
}

int WAFreqFilter::GetCutoff(uint32_t& cutoff) const {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    if (m_id < 0) return WA_ERR_NO_COEFFICIENTS;
    if (m_type != TypeLowPass && m_type != TypeHighPass) return WA_ERR_WRONG_TYPE;
    cutoff = m_cutoff;
    return WA_OK;
}

int WAFreqFilter::GetBand(uint32_t& low, uint32_t& high) const {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    if (m_id < 0) return WA_ERR_NO_COEFFICIENTS;
    if (m_type != TypeBandPass && m_type != TypeBandElimination) return WA_ERR_WRONG_TYPE;
    low = m_lowEdge;
    high = m_highEdge;
    return WA_OK;
}

void WAFreqFilter::ResetDesign() {
    ReleasePattern();
    m_type = TypeNotDesigned;
    m_sampFreq = 0;
    m_cutoff = 0;
    m_lowEdge = 0;
    m_highEdge = 0;
}

int WAFreqFilter::SetNone() {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    ResetDesign();
    const double unit = 1.0;
    const int status = RegisterPattern(&unit, 1);
    if (status != WA_OK) return status;
    m_type = TypeNone;
    m_sampFreq = 0;
    return WA_OK;
}

int WAFreqFilter::SetLPF(uint32_t sampFreq, uint32_t taps, uint32_t cutoff) {
    return Design(TypeLowPass, sampFreq, taps, cutoff, 0);
}

int WAFreqFilter::SetHPF(uint32_t sampFreq, uint32_t taps, uint32_t cutoff) {
    return Design(TypeHighPass, sampFreq, taps, cutoff, 0);
}

int WAFreqFilter::SetBPF(uint32_t sampFreq, uint32_t taps, uint32_t low, uint32_t high) {
    return Design(TypeBandPass, sampFreq, taps, low, high);
}

int WAFreqFilter::SetBEF(uint32_t sampFreq, uint32_t taps, uint32_t low, uint32_t high) {
    return Design(TypeBandElimination, sampFreq, taps, low, high);
}

int WAFreqFilter::Design(int type, uint32_t sampFreq, uint32_t taps, uint32_t first, uint32_t second) {
    const bool band = type == TypeBandPass || type == TypeBandElimination;
    if (sampFreq == 0 || taps == 0 || first == 0) return WA_ERR_ARGUMENT;
    if (band) {
        if (second == 0 || first >= second || second >= sampFreq / 2) return WA_ERR_ARGUMENT;
    } else if (first >= sampFreq / 2) {
        return WA_ERR_ARGUMENT;
    }
    if (!IsPowerOfTwo(taps)) return WA_ERR_ARGUMENT;
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    ResetDesign();

    const uint32_t n = taps;
    ScopedDoubles response(n), re(n), im(n);
    if (!response || !re || !im) return WA_ERR_MEMORY;
    double* h = response.get();
    const double df = static_cast<double>(sampFreq) / static_cast<double>(n);
    for (uint32_t i = 0; i < n / 2; ++i) {
        h[i] = DesiredResponse(type, i, df, first, second);
        if (i >= 1) h[n - i] = h[i];
    }
    if (n >= 2) {
        // The Nyquist bin; with one tap the only bin is DC, which keeps its own rule.
        h[n / 2] = (type == TypeLowPass || type == TypeBandPass) ? 0.0 : 1.0;
    } else {
        h[0] = DesiredResponse(type, 0, df, first, second);
    }

    const int status = Fft(h, nullptr, re.get(), im.get(), n, kFftInverse);
    if (status != WA_OK) return status;
    // Half-period rotation centres the symmetric impulse response at n/2.
    double* coefficients = h;
    const uint32_t half = n / 2;
    for (uint32_t k = 0; k < n; ++k) coefficients[k] = k < half ? re.get()[k + half] : re.get()[k - half];
    ApplyWindow(coefficients, n, kWindowBlackman);

    const int registered = RegisterPattern(coefficients, n);
    if (registered != WA_OK) return registered;
    m_type = type;
    m_sampFreq = sampFreq;
    if (band) {
        m_lowEdge = first;
        m_highEdge = second;
    } else {
        m_cutoff = first;
    }
    return WA_OK;
}
