#include "WASpectrum.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "Fft.h"
#include "Memory.h"
#include "SimdDispatch.h"
#include "WAData.h"

using namespace lmcmanlz;

namespace {

// Angle constant of the mixed-radix transform (deliberately not full-precision 2π).
constexpr double kDftTwoPi = 6.28318530718;
// A normalising sum below this leaves its array unscaled.
constexpr double kMinimumSum = 1e-6;

int CopyOut(const double* array, uint32_t size, uint32_t sampFreq, double* out) {
    if (size == 0 || sampFreq == 0) return WA_ERR_NO_DATA;
    if (!out || !array) return WA_ERR_ARGUMENT;
    std::memcpy(out, array, sizeof(double) * size);
    return WA_OK;
}

// power[i] = re[i]² + im[i]², amplitude[i] = √power[i].
KR_SIMD_CLONES void PowerAndAmplitude(const double* __restrict re, const double* __restrict im, double* __restrict power,
                                      double* __restrict amp, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        const double p = re[i] * re[i] + im[i] * im[i];
        power[i] = p;
        amp[i] = std::sqrt(p);
    }
}

// The same in place, for an array pair no longer needed: re[i] becomes the
// power, im[i] the amplitude.
KR_SIMD_CLONES void PowerAndAmplitudeInPlace(double* __restrict re, double* __restrict im, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        const double p = re[i] * re[i] + im[i] * im[i];
        re[i] = p;
        im[i] = std::sqrt(p);
    }
}

// Sum over the in-band bins 1 ≤ i < n/2 − 1 (none for n < 4); the DC bin,
// bin n/2 − 1 and the upper half are left out.
template <class Value>
double InBandSumOf(uint32_t n, Value value) {
    const int64_t end = int64_t(n / 2) - 1;
    constexpr int kLanes = 8;
    double lane[kLanes] = {};
    int64_t i = 1;
    for (; i + kLanes <= end; i += kLanes)
        for (int l = 0; l < kLanes; ++l) lane[l] += value(i + l);
    double sum = 0.0;
    for (int l = 0; l < kLanes; ++l) sum += lane[l];
    for (; i < end; ++i) sum += value(i);
    return sum;
}

double InBandSum(const double* v, uint32_t n) {
    return InBandSumOf(n, [v](int64_t i) { return v[i]; });
}

KR_SIMD_CLONES void Scale(double* __restrict v, uint32_t n, double divisor) {
    for (uint32_t i = 0; i < n; ++i) v[i] /= divisor;
}

// Normalises the first `stored` of n bins (all of them unless the bins above
// n/2 are left to mirror the others).
void NormaliseInBand(double* v, uint32_t n, uint32_t stored) {
    const double sum = InBandSum(v, n);
    if (sum >= kMinimumSum) Scale(v, stored, sum);
}

void NormaliseInBand(double* v, uint32_t n) { NormaliseInBand(v, n, n); }

// Bins 0 … n/2 of an n-bin spectrum: the stored ones of a mirrored array.
uint32_t LowerBins(uint32_t n) { return n / 2 + 1; }

// Gives back the bins above n/2 of an array that is to mirror its lower half:
// scratch or an earlier result may have left them resident.
void ReleaseUpperBins(double* v, uint32_t n) { ZeroDoubles(v + LowerBins(n), n - LowerBins(n)); }

// v[n − k] = sign · v[k] for 0 < k < n/2.
KR_SIMD_CLONES void MirrorUpper(double* v, uint32_t n, double sign) {
    for (uint32_t i = LowerBins(n); i < n; ++i) v[i] = sign * v[n - i];
}

// Largest power of two ≤ n (n ≥ 1).
uint32_t FloorPowerOfTwo(uint32_t n) {
    uint32_t p = 1;
    while (p <= n / 2) p *= 2;
    return p;
}

// Resolves the window of SetSpectrumFromFFT / SetSpectrumFromDFT.
int ResolveWindow(const WAData& data, uint32_t start, uint32_t& count, const double*& samples) {
    if (data.GetSize() == 0 || data.GetSampFreq() == 0) return WA_ERR_NO_DATA;
    if (uint64_t(data.GetSize()) < uint64_t(start) + count) return WA_ERR_ARGUMENT;
    if (count == 0) count = data.GetSize() - start;
    // A window of no points (start at the end, count 0) is refused.
    if (count == 0) return WA_ERR_ARGUMENT;
    double* pointer = nullptr;
    const int status = data.GetDataPointer(&pointer);
    if (status != WA_OK) return status;
    samples = pointer;
    return WA_OK;
}

}  // namespace

// ---------------------------------------------------------------- WASpectrum

WASpectrum::WASpectrum() : m_size(0), m_sampFreq(0) {}

WASpectrum::~WASpectrum() {}

uint32_t WASpectrum::GetSize() const { return m_size; }

uint32_t WASpectrum::GetSampFreq() const { return m_sampFreq; }

// ----------------------------------------------------------- WAPowerSpectrum

WAPowerSpectrum::WAPowerSpectrum() : m_re(nullptr), m_im(nullptr), m_power(nullptr), m_amp(nullptr) {}

WAPowerSpectrum::~WAPowerSpectrum() { ClearData(); }

int WAPowerSpectrum::CopyOutBins(const double* array, double sign, bool mirrored, double* out) const {
    if (!mirrored) return CopyOut(array, m_size, m_sampFreq, out);
    const int status = CopyOut(array, LowerBins(m_size), m_sampFreq, out);
    if (status == WA_OK) MirrorUpper(out, m_size, sign);
    return status;
}

int WAPowerSpectrum::GetRePart(double* out) const { return CopyOutBins(m_re, 1.0, m_complexMirrored, out); }
int WAPowerSpectrum::GetImPart(double* out) const { return CopyOutBins(m_im, -1.0, m_complexMirrored, out); }
int WAPowerSpectrum::GetPowerSpectrum(double* out) const {
    return CopyOutBins(m_power, 1.0, m_magnitudeMirrored, out);
}
int WAPowerSpectrum::GetAmpSpectrum(double* out) const { return CopyOutBins(m_amp, 1.0, m_magnitudeMirrored, out); }

void WAPowerSpectrum::FormUpperBins() const {
    if (m_complexMirrored) {
        MirrorUpper(m_re, m_size, 1.0);
        MirrorUpper(m_im, m_size, -1.0);
        m_complexMirrored = false;
    }
    if (m_magnitudeMirrored) {
        MirrorUpper(m_power, m_size, 1.0);
        MirrorUpper(m_amp, m_size, 1.0);
        m_magnitudeMirrored = false;
    }
}

int WAPowerSpectrum::GetPowerSpectrumDataPtr(double** out) const {
    if (m_size == 0 || m_sampFreq == 0) return WA_ERR_NO_DATA;
    if (!out) return WA_ERR_ARGUMENT;
    FormUpperBins();
    *out = m_power;
    return WA_OK;
}

int WAPowerSpectrum::GetAmpSpectrumDataPtr(double** out) const {
    if (m_size == 0 || m_sampFreq == 0) return WA_ERR_NO_DATA;
    if (!out) return WA_ERR_ARGUMENT;
    FormUpperBins();
    *out = m_amp;
    return WA_OK;
}

int WAPowerSpectrum::GetPowerSpectrumLowerPtr(double** out) const {
    if (m_size == 0 || m_sampFreq == 0) return WA_ERR_NO_DATA;
    if (!out) return WA_ERR_ARGUMENT;
    *out = m_power;
    return WA_OK;
}

int WAPowerSpectrum::GetAmpSpectrumLowerPtr(double** out) const {
    if (m_size == 0 || m_sampFreq == 0) return WA_ERR_NO_DATA;
    if (!out) return WA_ERR_ARGUMENT;
    *out = m_amp;
    return WA_OK;
}

int WAPowerSpectrum::ClearData() {
    FreeDoubles(m_re);
    FreeDoubles(m_im);
    FreeDoubles(m_power);
    FreeDoubles(m_amp);
    m_re = m_im = m_power = m_amp = nullptr;
    m_complexMirrored = m_magnitudeMirrored = false;
    m_size = 0;
    m_sampFreq = 0;
    return WA_OK;
}

void WAPowerSpectrum::Adopt(double* re, double* im, double* power, double* amp, uint32_t count, uint32_t sampFreq) {
    ClearData();
    m_re = re;
    m_im = im;
    m_power = power;
    m_amp = amp;
    m_size = count;
    m_sampFreq = sampFreq;
}

namespace {

// Holds the four arrays of a spectrum under construction; releases whatever
// was obtained unless handed over.
struct SpectrumArrays {
    explicit SpectrumArrays(uint32_t n) : re(n), im(n), power(n), amp(n), ok(re && im && power && amp) {}
    ScopedDoubles re, im, power, amp;
    bool ok;
};

// Power and amplitude of the first `stored` of n bins of the complex arrays
// (all of them unless the bins above n/2 are left to mirror the others), each
// normalised in band.
void DeriveNormalised(const double* re, const double* im, double* power, double* amp, uint32_t n,
                      uint32_t stored) {
    PowerAndAmplitude(re, im, power, amp, stored);
    NormaliseInBand(power, n, stored);
    NormaliseInBand(amp, n, stored);
}

void DeriveNormalised(SpectrumArrays& a, uint32_t n) {
    DeriveNormalised(a.re.get(), a.im.get(), a.power.get(), a.amp.get(), n, n);
}

// From this length on a real window is transformed as n/2 complex points:
// z[m] = x[2m] + i·x[2m+1] gives Z = FFT(z), and the split step
//   X[k] = E[k] + W^k·O[k],  E = (Z[k] + conj Z[n/2−k]) / 2,
//   O = (Z[k] − conj Z[n/2−k]) / 2i,  W = e^(−2πi/n),  X[n−k] = conj X[k]
// gives the spectrum to rounding with half the transform work and tables.
// Shorter windows keep the full complex transform.
constexpr uint32_t kRealTransformMinimum = 4096;

// W^k = cos(2πk/n) − i·sin(2πk/n) for k ≤ n/2: a block base from std::cos and
// std::sin times a fine step from a small table, so that no error builds up.
class SplitTwiddles {
public:
    explicit SplitTwiddles(uint32_t n) : m_n(n) {
        for (uint32_t j = 0; j < kBlock; ++j) {
            const double angle = kTwoPi * j / n;
            m_cos[j] = std::cos(angle);
            m_sin[j] = std::sin(angle);
        }
    }
    void Base(uint32_t k0) {
        const double angle = kTwoPi * k0 / m_n;
        m_baseCos = std::cos(angle);
        m_baseSin = std::sin(angle);
    }
    double Cos(uint32_t j) const { return m_baseCos * m_cos[j] - m_baseSin * m_sin[j]; }
    double Sin(uint32_t j) const { return m_baseSin * m_cos[j] + m_baseCos * m_sin[j]; }
    static constexpr uint32_t kBlock = 256;

private:
    static constexpr double kTwoPi = 6.283185307179586476925286766559;
    uint32_t m_n;
    double m_baseCos = 1.0, m_baseSin = 0.0;
    double m_cos[kBlock], m_sin[kBlock];
};

// Bins 0 … n/2 of n real samples x (n ≥ 8, a power of two), handed to
// emit(k, re, im). outRe and outIm (n/2 each) take the transform of z, read
// straight from x.
template <class Emit>
int RealTransform(const double* x, uint32_t n, double* outRe, double* outIm, FftTables* tables, Emit emit) {
    const uint32_t half = n / 2;
    const int status = FftInterleaved(x, outRe, outIm, half, tables);
    if (status != WA_OK) return status;
    SplitTwiddles w(n);
    for (uint32_t k0 = 0; k0 <= half; k0 += SplitTwiddles::kBlock) {
        w.Base(k0);
        const uint32_t end = half - k0 < SplitTwiddles::kBlock ? half - k0 + 1 : SplitTwiddles::kBlock;
        for (uint32_t j = 0; j < end; ++j) {
            const uint32_t k = k0 + j;
            const uint32_t a = k == half ? 0 : k;
            const uint32_t b = k == 0 ? 0 : half - k;
            const double ar = outRe[a], ai = outIm[a];
            const double br = outRe[b], bi = -outIm[b];
            const double er = (ar + br) / 2.0, ei = (ai + bi) / 2.0;
            const double oddRe = (ai - bi) / 2.0, oddIm = -(ar - br) / 2.0;
            const double c = k == 0 ? 1.0 : k == half ? -1.0 : w.Cos(j);
            const double s = k == 0 || k == half ? 0.0 : w.Sin(j);
            emit(k, er + c * oddRe + s * oddIm, ei + c * oddIm - s * oddRe);
        }
    }
    return WA_OK;
}

// One window's complex spectrum into re/im (n each), power serving as
// scratch. A long window's transform stores bins 0 … n/2 only (the rest
// mirror them).
int TransformWindow(const double* x, uint32_t n, double* re, double* im, double* power) {
    if (n < kRealTransformMinimum) return Fft(x, nullptr, re, im, n, kFftForward);
    const uint32_t half = n / 2;
    return RealTransform(x, n, power, power + half, nullptr,
                         [re, im](uint32_t k, double xr, double xi) {
                             re[k] = xr;
                             im[k] = xi;
                         });
}

// Two-window average as below, for long windows, over bins 0 … n/2 only (the
// rest mirror them): the first window's power and amplitude are written
// straight from the split step; the second window's power is kept in re (its
// amplitude is its square root again), normalised by its own in-band sums and
// averaged in. Both transforms are written to im.
int TwoWindowAverageReal(const double* window, uint32_t count, uint32_t n, double* re, double* im, double* power,
                         double* amp) {
    const uint32_t half = n / 2;
    FftTables tables;
    int status = RealTransform(window, n, im, im + half, &tables,
                               [power, amp](uint32_t k, double xr, double xi) {
                                   const double p = xr * xr + xi * xi;
                                   power[k] = p;
                                   amp[k] = std::sqrt(p);
                               });
    if (status != WA_OK) return status;
    NormaliseInBand(power, n, LowerBins(n));
    NormaliseInBand(amp, n, LowerBins(n));
    status = RealTransform(window + (count - n), n, im, im + half, &tables,
                           [re](uint32_t k, double xr, double xi) { re[k] = xr * xr + xi * xi; });
    if (status != WA_OK) return status;
    const double powerSum = InBandSum(re, n);
    const double ampSum = InBandSumOf(n, [re](int64_t i) { return std::sqrt(re[i]); });
    const bool scalePower = powerSum >= kMinimumSum;
    const bool scaleAmp = ampSum >= kMinimumSum;
    for (uint32_t i = 0; i <= half; ++i) {
        double power2 = re[i];
        double amp2 = std::sqrt(power2);
        if (scalePower) power2 /= powerSum;
        if (scaleAmp) amp2 /= ampSum;
        power[i] = (power[i] + power2) / 2.0;
        amp[i] = (amp[i] + amp2) / 2.0;
    }
    ZeroDoubles(re, n);
    ZeroDoubles(im, n);
    return WA_OK;
}

// Two-window average of the window's first and last n points (n < count)
// into the four arrays of a spectrum.
int TwoWindowAverage(const double* window, uint32_t count, uint32_t n, double* re, double* im, double* power,
                     double* amp) {
    // Each window is normalised by its own in-band sums, then the two are
    // averaged bin by bin. Once the first window's power and amplitude are
    // taken, its complex parts are free for the second window's transform,
    // whose power and amplitude then replace them in place: no array beyond
    // the spectrum's own four is needed.
    FftTables tables;  // both windows have the same size
    int status = Fft(window, nullptr, re, im, n, kFftForward, &tables);
    if (status != WA_OK) return status;
    DeriveNormalised(re, im, power, amp, n, n);
    status = Fft(window + (count - n), nullptr, re, im, n, kFftForward, &tables);
    if (status != WA_OK) return status;
    PowerAndAmplitudeInPlace(re, im, n);
    NormaliseInBand(re, n);
    NormaliseInBand(im, n);
    const double* power2 = re;
    const double* amp2 = im;
    for (uint32_t i = 0; i < n; ++i) {
        power[i] = (power[i] + power2[i]) / 2.0;
        amp[i] = (amp[i] + amp2[i]) / 2.0;
    }
    // The stored complex parts of an averaged spectrum are zero; on a long
    // recording their pages are given back rather than written.
    ZeroDoubles(re, n);
    ZeroDoubles(im, n);
    return WA_OK;
}

}  // namespace

int WAPowerSpectrum::SetSpectrum(const double* re, const double* im, uint32_t count, uint32_t sampFreq) {
    if (!re || !im || count == 0 || sampFreq == 0) return WA_ERR_ARGUMENT;
    SpectrumArrays arrays(count);
    if (!arrays.ok) {
        ClearData();
        return WA_ERR_MEMORY;
    }
    std::memcpy(arrays.re.get(), re, sizeof(double) * count);
    std::memcpy(arrays.im.get(), im, sizeof(double) * count);
    DeriveNormalised(arrays, count);
    Adopt(arrays.re.release(), arrays.im.release(), arrays.power.release(), arrays.amp.release(), count, sampFreq);
    return WA_OK;
}

int WAPowerSpectrum::SetSpectrumFromFFT(const WAData& data, uint32_t start, uint32_t count, int mode) {
    const double* samples = nullptr;
    int status = ResolveWindow(data, start, count, samples);
    if (status != WA_OK) return status;
    const uint32_t n = FloorPowerOfTwo(count);
    const bool oneWindow = count == n || mode == 0 || mode == 1 || mode == 2;
    if (!oneWindow && mode != -1) return WA_ERR_ARGUMENT;
    const double* window = samples + start;

    // The transforms write into the object's own arrays: the held ones at the
    // same length, which spares four large allocations when a chain is re-run,
    // else four new ones, the old released first so that they can serve. Any
    // failure from here on leaves the object empty, as always.
    if (m_size != n) {
        ClearData();
        SpectrumArrays arrays(n);
        if (!arrays.ok) return WA_ERR_MEMORY;
        Adopt(arrays.re.release(), arrays.im.release(), arrays.power.release(), arrays.amp.release(), n,
              data.GetSampFreq());
    }
    const bool lowerBinsOnly = n >= kRealTransformMinimum;
    if (oneWindow) {
        uint32_t offset = 0;
        if (count != n && mode == 1) offset = count - n;
        if (count != n && mode == 2) offset = (count - n) / 2;
        status = TransformWindow(window + offset, n, m_re, m_im, m_power);
        if (status == WA_OK) DeriveNormalised(m_re, m_im, m_power, m_amp, n, lowerBinsOnly ? LowerBins(n) : n);
    } else if (lowerBinsOnly) {
        status = TwoWindowAverageReal(window, count, n, m_re, m_im, m_power, m_amp);
    } else {
        status = TwoWindowAverage(window, count, n, m_re, m_im, m_power, m_amp);
    }
    if (status != WA_OK) {
        ClearData();
        return status;
    }
    // A long spectrum's bins above n/2 are formed when a whole array is asked
    // for; until then the spectrum holds half the memory. (The complex parts
    // of an average are zero throughout.)
    if (lowerBinsOnly) {
        for (double* v : {m_re, m_im, m_power, m_amp}) ReleaseUpperBins(v, n);
    }
    m_complexMirrored = lowerBinsOnly && oneWindow;
    m_magnitudeMirrored = lowerBinsOnly;
    m_sampFreq = data.GetSampFreq();
    return WA_OK;
}

namespace {

// Reverses the low `bits` bits of v.
uint32_t ReverseBits(uint32_t v, int bits) {
    uint32_t r = 0;
    for (int b = 0; b < bits; ++b) {
        r = (r << 1) | (v & 1u);
        v >>= 1;
    }
    return r;
}

// Mixed-radix transform of count points of x into outRe/outIm: radix-2
// decimation in frequency while the length is even, a direct DFT on the odd
// blocks that remain, then reordering and division by the power-of-two
// factor P of count.
int MixedRadixDft(const double* x, uint32_t count, double* outRe, double* outIm) {
    ScopedDoubles workRe(count), workIm(count);
    if (!workRe || !workIm) return WA_ERR_MEMORY;
    double* re = workRe.get();
    double* im = workIm.get();
    std::memcpy(re, x, sizeof(double) * count);
    std::memset(im, 0, sizeof(double) * count);

    uint32_t length = count;
    uint32_t factor = 1;
    int bits = 0;
    while (length % 2 == 0) {
        const uint32_t half = length / 2;
        for (uint32_t i = 0; i < half; ++i) {
            const double theta = static_cast<double>(i) * (-kDftTwoPi) / static_cast<double>(length);
            const double c = std::cos(theta);
            const double s = std::sin(theta);
            for (uint32_t block = 0; block < count; block += length) {
                const uint32_t a = block + i;
                const uint32_t b = a + half;
                const double dr = re[a] - re[b];
                const double di = im[a] - im[b];
                re[a] += re[b];
                im[a] += im[b];
                re[b] = dr * c - di * s;
                im[b] = dr * s + di * c;
            }
        }
        length = half;
        factor *= 2;
        ++bits;
    }

    // The odd blocks: out[i] = Σ in[j]·e^(jφ), φ = (i·j mod L)·(−2π')/L, with
    // the cosine and sine of the L distinct angles taken once.
    ScopedDoubles cosTable(length), sinTable(length), blockRe(length), blockIm(length);
    if (!cosTable || !sinTable || !blockRe || !blockIm) return WA_ERR_MEMORY;
    for (uint32_t t = 0; t < length; ++t) {
        const double phi = static_cast<double>(t) * (-kDftTwoPi) / static_cast<double>(length);
        cosTable.get()[t] = std::cos(phi);
        sinTable.get()[t] = std::sin(phi);
    }
    const double* ct = cosTable.get();
    const double* st = sinTable.get();
    const double scale = static_cast<double>(factor);
    for (uint32_t block = 0; block < count; block += length) {
        const double* inRe = re + block;
        const double* inIm = im + block;
        for (uint32_t i = 0; i < length; ++i) {
            double sumRe = 0.0, sumIm = 0.0;
            uint32_t t = 0;  // (i·j) mod L, advanced by i per step
            for (uint32_t j = 0; j < length; ++j) {
                sumRe += inRe[j] * ct[t] - inIm[j] * st[t];
                sumIm += inRe[j] * st[t] + inIm[j] * ct[t];
                t += i;
                if (t >= length) t -= length;
            }
            blockRe.get()[i] = sumRe;
            blockIm.get()[i] = sumIm;
        }
        const uint32_t base = ReverseBits(block / length, bits);
        for (uint32_t i = 0; i < length; ++i) {
            const uint64_t index = uint64_t(base) + uint64_t(factor) * i;
            outRe[index] = blockRe.get()[i] / scale;
            outIm[index] = blockIm.get()[i] / scale;
        }
    }
    return WA_OK;
}

}  // namespace

int WAPowerSpectrum::SetSpectrumFromDFT(const WAData& data, uint32_t start, uint32_t count) {
    const double* samples = nullptr;
    int status = ResolveWindow(data, start, count, samples);
    if (status != WA_OK) return status;
    SpectrumArrays arrays(count);
    if (!arrays.ok) {
        ClearData();
        return WA_ERR_MEMORY;
    }
    status = MixedRadixDft(samples + start, count, arrays.re.get(), arrays.im.get());
    if (status != WA_OK) {
        ClearData();
        return status;
    }
    DeriveNormalised(arrays, count);
    Adopt(arrays.re.release(), arrays.im.release(), arrays.power.release(), arrays.amp.release(), count,
          data.GetSampFreq());
    return WA_OK;
}

// ------------------------------------------------------------- WADifSpectrum

WADifSpectrum::WADifSpectrum() : m_difPower(nullptr), m_difAmp(nullptr) {}

WADifSpectrum::~WADifSpectrum() { ClearData(); }

int WADifSpectrum::GetDifPowSpectrum(double* out) const { return CopyOut(m_difPower, m_size, m_sampFreq, out); }
int WADifSpectrum::GetDifAmpSpectrum(double* out) const { return CopyOut(m_difAmp, m_size, m_sampFreq, out); }

int WADifSpectrum::SetDifSpectrum(const WAPowerSpectrum& first, const WAPowerSpectrum& second) {
    if (first.GetSize() == 0 || first.GetSampFreq() == 0 || second.GetSize() == 0 || second.GetSampFreq() == 0)
        return WA_ERR_NO_DATA;
    if (first.GetSize() != second.GetSize() || first.GetSampFreq() != second.GetSampFreq()) return WA_ERR_MISMATCH;
    const uint32_t n = first.GetSize();
    ScopedDoubles power(n), amp(n);
    if (!power || !amp) {
        ClearData();
        return WA_ERR_MEMORY;
    }
    double *p1 = nullptr, *p2 = nullptr, *a1 = nullptr, *a2 = nullptr;
    int status = first.GetPowerSpectrumDataPtr(&p1);
    if (status == WA_OK) status = second.GetPowerSpectrumDataPtr(&p2);
    if (status == WA_OK) status = first.GetAmpSpectrumDataPtr(&a1);
    if (status == WA_OK) status = second.GetAmpSpectrumDataPtr(&a2);
    if (status != WA_OK) {
        ClearData();
        return status;
    }
    for (uint32_t i = 0; i < n; ++i) {
        power.get()[i] = p2[i] - p1[i];
        amp.get()[i] = a2[i] - a1[i];
    }
    const uint32_t sampFreq = first.GetSampFreq();
    ClearData();
    m_difPower = power.release();
    m_difAmp = amp.release();
    m_size = n;
    m_sampFreq = sampFreq;
    return WA_OK;
}

int WADifSpectrum::ClearData() {
    FreeDoubles(m_difPower);
    FreeDoubles(m_difAmp);
    m_difPower = m_difAmp = nullptr;
    m_size = 0;
    m_sampFreq = 0;
    return WA_OK;
}
