#include "WAFilter.h"

#include <cstring>

#include "FilterTable.h"

using namespace lmcmanlz;

// ------------------------------------------------------------------ WAFilter

WAFilter::WAFilter() : m_id(-1), m_sampPitch(1) {}

WAFilter::~WAFilter() { ReleasePattern(); }

int WAFilter::GetID() const { return m_id; }

uint32_t WAFilter::GetTap() const {
    if (!FilterSystemStarted()) return WA_NOT_STARTED_UNSIGNED;
    if (m_id == -1) return 0;
    return PatternLength(m_id, this);
}

uint32_t WAFilter::GetSampPitch() const { return m_sampPitch; }

int WAFilter::SetSampPitch(uint32_t pitch) {
    if (pitch == 0) return WA_ERR_ARGUMENT;
    m_sampPitch = pitch;
    return WA_OK;
}

void WAFilter::ReleasePattern() {
    // A stopped table reports -201; the slot is then already gone.
    if (m_id != -1) lmcmanlz::ReleasePattern(m_id, this);
    m_id = -1;
}

int WAFilter::RegisterPattern(const double* pattern, uint32_t n) {
    ReleasePattern();
    const int slot = lmcmanlz::RegisterPattern(pattern, n, this);
    if (slot < 0) return slot;
    m_id = slot;
    return WA_OK;
}

// --------------------------------------------------------------- WADigFilter

WADigFilter::WADigFilter() {}

int WADigFilter::SetPat(const double* pattern, uint32_t n) {
    if (!pattern || n == 0) return WA_ERR_ARGUMENT;
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    return RegisterPattern(pattern, n);
}

int WADigFilter::GetPat(double* out) const {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    if (m_id == -1) return WA_ERR_NO_COEFFICIENTS;
    const uint32_t n = PatternLength(m_id, this);
    const double* coefficients = PatternData(m_id, this);
    if (n == 0 || !coefficients) return WA_ERR_NO_COEFFICIENTS;
    if (!out) return WA_ERR_ARGUMENT;
    std::memcpy(out, coefficients, sizeof(double) * n);
    return WA_OK;
}
