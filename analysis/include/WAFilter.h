// The FIR filter family and the process-wide coefficient table.
//
// Every filter's coefficients (its pattern) live in one table of 100 slots
// owned by this library; a filter refers to its pattern by slot number (ID,
// -1 when it holds none) and gives the slot back on redesign and destruction.
// Coefficient 0 weighs the newest sample. The table is usable only between
// StartFilterSystem and the matching StopFilterSystem (nested pairs count).
#ifndef LMCMANLZ_WAFILTER_H
#define LMCMANLZ_WAFILTER_H

#include <cstdint>

#include "WAStatus.h"

extern "C" {
// Increments the start counter; when it was 0, marks all slots free first.
// Returns 0.
LMCMANLZ_API int StartFilterSystem();
// Decrements the start counter (nothing when it is 0); when it reaches 0,
// releases every pattern. Returns 0.
LMCMANLZ_API int StopFilterSystem();
}

class LMCMANLZ_API WAFilter {
public:
    // ID -1, sampling pitch 1.
    WAFilter();
    // Frees the filter's slot (ignored when the system is stopped).
    ~WAFilter();
    WAFilter(const WAFilter&) = delete;
    WAFilter& operator=(const WAFilter&) = delete;

    // The slot number or -1.
    int GetID() const;
    // Number of coefficients: WA_NOT_STARTED_UNSIGNED when the system is not
    // started, 0 without a pattern.
    uint32_t GetTap() const;
    // The decimation applied to the filter output (1 after construction).
    uint32_t GetSampPitch() const;
    // -1 when pitch is 0; otherwise stores it, 0.
    int SetSampPitch(uint32_t pitch);

protected:
    // Gives the slot back (when held) and sets the ID to -1.
    void ReleasePattern();
    // Registers n coefficients in the lowest free slot and takes it as the
    // filter's pattern. Returns 0, or -201 / -203 / -2 (ID stays -1).
    int RegisterPattern(const double* pattern, uint32_t n);

    int32_t m_id;
    uint32_t m_sampPitch;
};

// A filter with an explicit coefficient pattern.
class LMCMANLZ_API WADigFilter : public WAFilter {
public:
    WADigFilter();

    // -1 for a null pattern or n 0, -201 when not started; the old slot is
    // freed, then the pattern registered (-203 table full, -2 out of memory;
    // the filter then holds no pattern). 0 on success.
    int SetPat(const double* pattern, uint32_t n);
    // Copies GetTap() coefficients to out. -201 when not started, -202 without
    // a pattern, -1 when out is null.
    int GetPat(double* out) const;
};

// Frequency-response filter: a linear-phase FIR design (desired response,
// inverse FFT, centring, Blackman window) with a delay of taps/2 samples.
class LMCMANLZ_API WAFreqFilter : public WAFilter {
public:
    // Type numbers as GetType returns them.
    static constexpr int TypeNotDesigned = -1;
    static constexpr int TypeNone = 0;
    static constexpr int TypeLowPass = 1;
    static constexpr int TypeHighPass = 2;
    static constexpr int TypeBandPass = 3;
    static constexpr int TypeBandElimination = 4;

    WAFreqFilter();

    // -201 when not started, otherwise the type (-1 … 4).
    int GetType() const;
    // Design frequency in Hz (0 for type 0 and when not designed);
    // WA_NOT_STARTED_UNSIGNED when the system is not started.
    uint32_t GetSampFreq() const;
    // -201 not started, -202 not designed, -205 unless low- or high-pass.
    int GetCutoff(uint32_t& cutoff) const;
    // -201 not started, -202 not designed, -205 unless band-pass or
    // band-elimination.
    int GetBand(uint32_t& low, uint32_t& high) const;

    // Pass-through: the one coefficient [1.0]. -201 when not started.
    int SetNone();
    // Designs with taps coefficients at sampFreq Hz. Argument errors (-1):
    // any zero, taps not a power of two, cutoff ≥ sampFreq/2, low ≥ high,
    // high ≥ sampFreq/2. -201 when not started. A failed design leaves the
    // filter undesigned (type -1).
    int SetLPF(uint32_t sampFreq, uint32_t taps, uint32_t cutoff);
    int SetHPF(uint32_t sampFreq, uint32_t taps, uint32_t cutoff);
    int SetBPF(uint32_t sampFreq, uint32_t taps, uint32_t low, uint32_t high);
    int SetBEF(uint32_t sampFreq, uint32_t taps, uint32_t low, uint32_t high);

private:
    void ResetDesign();
    int Design(int type, uint32_t sampFreq, uint32_t taps, uint32_t first, uint32_t second);

    int32_t m_type;
    uint32_t m_sampFreq;
    uint32_t m_cutoff;
    uint32_t m_lowEdge;
    uint32_t m_highEdge;
};

#endif
