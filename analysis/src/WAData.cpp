#include "WAData.h"

#include <algorithm>
#include <cstring>

#include "FilterTable.h"
#include "FirKernel.h"
#include "Memory.h"
#include "WAFilter.h"

using namespace lmcmanlz;

WAData::WAData() : m_samples(nullptr), m_size(0), m_sampFreq(0) {}

WAData::~WAData() { FreeDoubles(m_samples); }

int WAData::SetData(const double* values, uint32_t count, uint32_t sampFreq) {
    if (!values || count == 0 || sampFreq == 0) return WA_ERR_ARGUMENT;
    ClearData();
    double* copy = AllocDoubles(count);
    if (!copy) return WA_ERR_MEMORY;
    std::memcpy(copy, values, sizeof(double) * count);
    Adopt(copy, count, sampFreq);
    return WA_OK;
}

int WAData::FillData(uint32_t count, uint32_t sampFreq, int (*fill)(double*, uint32_t, void*),
                     void* context) {
    if (!fill || count == 0 || sampFreq == 0) return WA_ERR_ARGUMENT;
    double* samples = AllocDoubles(count);
    if (!samples) return WA_ERR_MEMORY;
    const int status = fill(samples, count, context);
    if (status != WA_OK) {
        FreeDoubles(samples);
        return status;
    }
    Adopt(samples, count, sampFreq);
    return WA_OK;
}

void WAData::Adopt(double* samples, uint32_t count, uint32_t sampFreq) {
    FreeDoubles(m_samples);
    m_samples = samples;
    m_size = count;
    m_sampFreq = sampFreq;
}

int WAData::GetData(double* out) const {
    if (m_size == 0 || m_sampFreq == 0) return WA_ERR_NO_DATA;
    if (!m_samples || !out) return WA_ERR_ARGUMENT;
    std::memcpy(out, m_samples, sizeof(double) * m_size);
    return WA_OK;
}

int WAData::GetDataPointer(double** out) const {
    if (m_size == 0 || m_sampFreq == 0) return WA_ERR_NO_DATA;
    if (!out) return WA_ERR_ARGUMENT;
    *out = m_samples;
    return WA_OK;
}

int WAData::GetDataPoint(uint32_t index, double& out) const {
    if (m_size == 0 || m_sampFreq == 0) return WA_ERR_NO_DATA;
    if (!m_samples) return WA_ERR_ARGUMENT;
    out = m_samples[index];
    return WA_OK;
}

int WAData::GetDataNPoint(uint32_t start, uint32_t count, double* out) const {
    if (uint64_t(m_size) < uint64_t(start) + count || m_sampFreq == 0) return WA_ERR_NO_DATA;
    if (!m_samples || !out) return WA_ERR_ARGUMENT;
    if (count != 0) std::memcpy(out, m_samples + start, sizeof(double) * count);
    return WA_OK;
}

uint32_t WAData::GetSize() const { return m_size; }

uint32_t WAData::GetSampFreq() const { return m_sampFreq; }

int WAData::SetDataFromSampling(const WAData& source, uint32_t pitch) {
    if (pitch == 0) return WA_ERR_ARGUMENT;
    if (source.m_size == 0 || source.m_sampFreq == 0) return WA_ERR_NO_DATA;
    const uint32_t count = static_cast<uint32_t>((uint64_t(source.m_size) + pitch - 1) / pitch);
    const uint32_t sampFreq = source.m_sampFreq / pitch;
    // A pitch above the sampling frequency leaves no frequency to store; the
    // store refuses it and the object stays as it was.
    if (sampFreq == 0) return WA_ERR_ARGUMENT;
    double* result = AllocDoubles(count);
    if (!result) {
        ClearData();
        return WA_ERR_MEMORY;
    }
    const double* x = source.m_samples;
    for (uint32_t i = 0; i < count; ++i) result[i] = x[uint64_t(i) * pitch];
    Adopt(result, count, sampFreq);
    return WA_OK;
}

int WAData::SetDataFromFiltering(const WAData& source, const WAFilter& filter, int keepHead) {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    if (source.m_size == 0 || source.m_sampFreq == 0) return WA_ERR_NO_DATA;
    const int id = filter.GetID();
    if (id == -1) return WA_ERR_NO_COEFFICIENTS;
    const uint32_t pitch = filter.GetSampPitch();
    if (pitch == 0) return WA_ERR_NO_COEFFICIENTS;
    const uint32_t taps = PatternLength(id, &filter);
    const double* h = PatternData(id, &filter);
    if (taps == 0 || !h) return WA_ERR_NO_COEFFICIENTS;
    const uint32_t sampFreq = source.m_sampFreq / pitch;
    if (sampFreq == 0) return WA_ERR_ARGUMENT;

    const uint64_t size = source.m_size;
    uint64_t zeros = 0;
    uint64_t first = 0;
    uint64_t outputs = 0;
    if (keepHead != 0) {
        outputs = (size + pitch - 1) / pitch;
    } else {
        // The head, where the coefficients do not yet all lie on samples, is
        // blanked; from n = taps on every pitch-th output follows.
        zeros = std::min<uint64_t>(size, taps);
        first = (uint64_t(taps) + pitch - 1) / pitch * pitch;
        outputs = first < size ? (size - 1 - first) / pitch + 1 : 0;
    }
    const uint64_t count = zeros + outputs;
    double* result = AllocDoubles(count);
    if (!result) {
        ClearData();
        return WA_ERR_MEMORY;
    }
    std::fill(result, result + zeros, 0.0);
    const int status = FirFilter(source.m_samples, h, taps, first, pitch, outputs, result + zeros);
    if (status != WA_OK) {
        FreeDoubles(result);
        ClearData();
        return status;
    }
    Adopt(result, static_cast<uint32_t>(count), sampFreq);
    return WA_OK;
}

int WAData::SetDifData(const WAData& first, const WAData& second) {
    if (first.m_size == 0 || first.m_sampFreq == 0 || second.m_size == 0 || second.m_sampFreq == 0)
        return WA_ERR_NO_DATA;
    if (first.m_size != second.m_size || first.m_sampFreq != second.m_sampFreq) return WA_ERR_MISMATCH;
    const uint32_t count = first.m_size;
    double* result = AllocDoubles(count);
    if (!result) {
        ClearData();
        return WA_ERR_MEMORY;
    }
    for (uint32_t i = 0; i < count; ++i) result[i] = second.m_samples[i] - first.m_samples[i];
    Adopt(result, count, first.m_sampFreq);
    return WA_OK;
}

int WAData::ClearData() {
    FreeDoubles(m_samples);
    m_samples = nullptr;
    m_size = 0;
    m_sampFreq = 0;
    return WA_OK;
}
