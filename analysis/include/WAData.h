// WAData — a sampled waveform: an owned array of doubles, its number of points
// and its sampling frequency in Hz. It holds data when both numbers are
// non-zero; otherwise all three are empty/zero.
#ifndef LMCMANLZ_WADATA_H
#define LMCMANLZ_WADATA_H

#include <cstdint>

#include "WAStatus.h"

class WAFilter;

class LMCMANLZ_API WAData {
public:
    WAData();
    ~WAData();
    WAData(const WAData&) = delete;
    WAData& operator=(const WAData&) = delete;

    // Copies count values. -1 when values is null, count or sampFreq is 0 (the
    // object is then unchanged). Otherwise the old samples are released first;
    // -2 when the new array cannot be allocated (the object is then empty).
    // values must not point into this object's own array.
    int SetData(const double* values, uint32_t count, uint32_t sampFreq);

    // Fills the object in place, so that a reader holds one copy of the
    // samples: an array of count values is allocated, fill(array, count,
    // context) writes it and returns 0, and the array then replaces the old
    // samples. -1 when fill is null or count or sampFreq is 0, -2 when the
    // array cannot be allocated; a non-zero result of fill is returned as is.
    // On every failure the object is unchanged.
    int FillData(uint32_t count, uint32_t sampFreq, int (*fill)(double* out, uint32_t count, void* context),
                 void* context);

    // Copies GetSize() samples to out. -200 without data, -1 when out is null.
    int GetData(double* out) const;
    // Lends the object's own array. -200 without data, -1 when out is null.
    int GetDataPointer(double** out) const;
    // One sample; the caller guarantees index < GetSize(). -200 without data.
    int GetDataPoint(uint32_t index, double& out) const;
    // count samples from start. -200 when start + count exceeds the size or
    // the object is empty, -1 when out is null.
    int GetDataNPoint(uint32_t start, uint32_t count, double* out) const;

    uint32_t GetSize() const;
    uint32_t GetSampFreq() const;

    // Decimation: keeps source samples 0, pitch, 2·pitch, … (no averaging),
    // (size + pitch − 1) / pitch points at sampFreq / pitch (truncated).
    // -1 for pitch 0 and for a pitch above the sampling frequency (no
    // frequency would be left; the object is then unchanged), -200 when the
    // source is empty, -2 out of memory (the object is then empty).
    // source may be *this.
    int SetDataFromSampling(const WAData& source, uint32_t pitch);

    // FIR filtering with the filter's coefficients h (T of them) and sampling
    // pitch p: y[n] = sum over k = 0 … min(T−1, n) of h[k]·x[n−k].
    // keepHead != 0: y[n] for every n with n mod p = 0 (⌈S/p⌉ points).
    // keepHead == 0: min(S, T) zeros, then y[n] for n = T … S−1, n mod p = 0.
    // Result frequency = source frequency / p. -201 filter system not
    // started, -200 empty source, -202 filter without coefficients or pitch 0,
    // -1 for a pitch above the sampling frequency (object unchanged), -2 out
    // of memory (object empty). source may be *this.
    int SetDataFromFiltering(const WAData& source, const WAFilter& filter, int keepHead);

    // result[i] = second[i] − first[i], at the first operand's frequency.
    // -200 when either is empty, -204 when sizes or frequencies differ.
    // Either operand may be *this.
    int SetDifData(const WAData& first, const WAData& second);

    // Releases the samples and zeroes size and frequency. Returns 0.
    int ClearData();

private:
    // Takes ownership of an array from the library's allocator (internal).
    void Adopt(double* samples, uint32_t count, uint32_t sampFreq);

    double* m_samples;
    uint32_t m_size;
    uint32_t m_sampFreq;
};

#endif
