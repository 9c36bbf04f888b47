// Spectra. Size is the full transform length N (both halves); bin i stands
// for the frequency i × GetSampFreq() / GetSize(). Power and amplitude are
// relative: each is divided by its sum over bins 1 ≤ i < N/2 − 1 (when that
// sum is at least 1e-6), so spectra of different level compare by shape.
#ifndef LMCMANLZ_WASPECTRUM_H
#define LMCMANLZ_WASPECTRUM_H

#include <cstdint>

#include "WAStatus.h"

class WAData;

class LMCMANLZ_API WASpectrum {
public:
    WASpectrum();
    ~WASpectrum();
    WASpectrum(const WASpectrum&) = delete;
    WASpectrum& operator=(const WASpectrum&) = delete;

    uint32_t GetSize() const;
    uint32_t GetSampFreq() const;

protected:
    uint32_t m_size;
    uint32_t m_sampFreq;
};

// Complex, normalised power and normalised amplitude spectrum of a waveform.
class LMCMANLZ_API WAPowerSpectrum : public WASpectrum {
public:
    WAPowerSpectrum();
    ~WAPowerSpectrum();

    // Each copies GetSize() doubles to out: -200 when empty, -1 when out is null.
    int GetRePart(double* out) const;
    int GetImPart(double* out) const;
    int GetPowerSpectrum(double* out) const;
    int GetAmpSpectrum(double* out) const;
    // Lend the object's own array: -200 when empty, -1 when out is null.
    // After a long transform the first of these calls writes the bins above
    // N/2 into the arrays, so it must not meet another thread reading them.
    int GetPowerSpectrumDataPtr(double** out) const;
    int GetAmpSpectrumDataPtr(double** out) const;
    // Lend the array for reading bins 0 … N/2 only. A long transform keeps
    // just those bins until a whole array is asked for (the bins above mirror
    // them), and these leave it so.
    int GetPowerSpectrumLowerPtr(double** out) const;
    int GetAmpSpectrumLowerPtr(double** out) const;

    // Stores re/im unscaled and derives power = re² + im², amplitude = √power,
    // each normalised as described above. -1 for null arrays, count 0 or
    // sampFreq 0; -2 when allocation fails (the object is then empty).
    int SetSpectrum(const double* re, const double* im, uint32_t count, uint32_t sampFreq);

    // Radix-2 FFT (rectangular window) of N points of data[start … start+count),
    // N the largest power of two ≤ count; count 0 means up to the end.
    // mode 0: first N points, 1: last N, 2: centred N, -1: average of the
    // normalised spectra of the first and the last N points (real and
    // imaginary parts then all zero). When count is a power of two the mode
    // is not looked at. -200 empty data, -1 when start + count exceeds the
    // size, the window is empty or the mode is unknown, -2 out of memory.
    int SetSpectrumFromFFT(const WAData& data, uint32_t start, uint32_t count, int mode);

    // Mixed-radix DFT of exactly count points (count 0: up to the end). The
    // real and imaginary parts are divided by the power-of-two factor of
    // count. Same status codes as SetSpectrumFromFFT.
    int SetSpectrumFromDFT(const WAData& data, uint32_t start, uint32_t count);

    // Releases the four arrays and zeroes size and frequency. Returns 0.
    int ClearData();

private:
    // Takes ownership of four arrays from the library's allocator (internal).
    void Adopt(double* re, double* im, double* power, double* amp, uint32_t count, uint32_t sampFreq);
    // Writes the bins above N/2 that are still only implied by those below.
    // Not safe against another thread reading the object at the same time.
    void FormUpperBins() const;
    int CopyOutBins(const double* array, double sign, bool mirrored, double* out) const;

    double* m_re;
    double* m_im;
    double* m_power;
    double* m_amp;
    // Whether the bins above N/2 of re/im (power/amp) are not stored yet:
    // bin N − k is then the conjugate (the copy) of bin k.
    mutable bool m_complexMirrored = false;
    mutable bool m_magnitudeMirrored = false;
};

// Difference of two normalised power spectra (second minus first).
class LMCMANLZ_API WADifSpectrum : public WASpectrum {
public:
    WADifSpectrum();
    ~WADifSpectrum();

    // Copy GetSize() doubles: -200 when empty, -1 when out is null.
    int GetDifPowSpectrum(double* out) const;
    int GetDifAmpSpectrum(double* out) const;

    // difference power[i] = second power[i] − first power[i], likewise for the
    // amplitude, over all bins, at the first spectrum's frequency. -200 when
    // either is empty, -204 when sizes or frequencies differ, -2 out of
    // memory (the object is then empty).
    int SetDifSpectrum(const WAPowerSpectrum& first, const WAPowerSpectrum& second);

    // Releases both arrays and zeroes size and frequency. Returns 0.
    int ClearData();

private:
    double* m_difPower;
    double* m_difAmp;
};

#endif
