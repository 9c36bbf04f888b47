// Fluctuation ("yuragi") filters: difference kernels whose output is a
// weighted recent mean minus a weighted earlier mean. Applied, like every
// filter, with WAData::SetDataFromFiltering; they need the filter system.
#ifndef LMCMANLZ_WAYURAGIFILTER_H
#define LMCMANLZ_WAYURAGIFILTER_H

#include <cstdint>

#include "WAFilter.h"

// Kernel of two halves of B samples (type 1 … 5 picks the shape of each
// half), each half normalised to sum ±1, convolved with C falling triangular
// smoothing weights; SetParamEx moves the negative half V samples onto the
// positive half. Taps: 2B + C − 1 (SetParam), 2B − V + C − 1 (SetParamEx).
class LMCMANLZ_API WAYuragiFilter : public WAFilter {
public:
    WAYuragiFilter();

    // -1 for B 0, C 0 or a type outside 1 … 5 (the old design then survives);
    // -201 when not started; -2 / -203 leave the filter undesigned.
    int SetParam(int type, uint32_t halfLength, uint32_t smoothing);
    // As SetParam, and -1 when overlap ≥ halfLength.
    int SetParamEx(int type, uint32_t halfLength, uint32_t smoothing, uint32_t overlap);
    // -201 not started, -202 without coefficients; otherwise the stored values.
    int GetParam(int& type, uint32_t& halfLength, uint32_t& smoothing) const;
    int GetParamEx(int& type, uint32_t& halfLength, uint32_t& smoothing, uint32_t& overlap) const;

private:
    void ResetParams();
    int Design(int type, uint32_t halfLength, uint32_t smoothing, uint32_t overlap);

    int32_t m_kernelType;
    uint32_t m_halfLength;
    uint32_t m_smoothing;
    uint32_t m_overlap;
};

// A single weighting kernel of L coefficients: type 1 falling difference,
// 2 flat difference, 3 falling triangle, 4 moving average; normalised so
// the summed part adds up to 1.
class LMCMANLZ_API WALumetoFilter : public WAFilter {
public:
    WALumetoFilter();

    // -1 for L 0, an unknown type or a kernel whose sum is below 1e-6;
    // -201 when not started; -2 / -203 leave the filter undesigned.
    int SetParam(int type, uint32_t length);
    // -201 not started, -202 without coefficients; otherwise type and L.
    int GetParam(int& type, uint32_t& length) const;

private:
    int32_t m_kernelType;
    uint32_t m_length;
};

#endif
