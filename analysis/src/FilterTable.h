// The process-wide coefficient table: 100 slots, each a pattern of
// coefficients owned by the table, usable while the start counter is non-zero.
#ifndef LMCMANLZ_FILTERTABLE_H
#define LMCMANLZ_FILTERTABLE_H

#include <cstdint>

namespace lmcmanlz {

inline constexpr int kFilterSlots = 100;

bool FilterSystemStarted();
// Every slot remembers the filter that registered it, so that a filter whose
// slot number went stale (the table was stopped and started again while it
// lived) can neither read nor free the pattern that now sits in that slot.

// Copies n coefficients into the lowest free slot for owner. Returns the slot
// number, or -201 (not started), -203 (table full), -2 (out of memory; the
// slot stays free).
int RegisterPattern(const double* pattern, uint32_t n, const void* owner);
// Frees owner's slot. -201 when not started; -1 when the slot is out of range
// or not owner's (nothing is freed).
int ReleasePattern(int slot, const void* owner);
// Length of owner's slot; 0 when the slot is free, out of range or another's.
// The caller checks that the system is started.
uint32_t PatternLength(int slot, const void* owner);
// Owner's coefficients; nullptr when PatternLength would be 0.
const double* PatternData(int slot, const void* owner);

}  // namespace lmcmanlz

#endif
