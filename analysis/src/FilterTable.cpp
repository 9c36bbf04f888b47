#include "FilterTable.h"

#include <cstring>

#include "Memory.h"
#include "WAFilter.h"
#include "WAStatus.h"

namespace lmcmanlz {
namespace {

struct Slot {
    uint32_t length;
    double* coefficients;
    const void* owner;
};

Slot g_slots[kFilterSlots];
int g_startCount = 0;

bool Owns(int slot, const void* owner) {
    return slot >= 0 && slot < kFilterSlots && g_slots[slot].length != 0 && g_slots[slot].owner == owner;
}

}  // namespace

bool FilterSystemStarted() { return g_startCount != 0; }

int RegisterPattern(const double* pattern, uint32_t n, const void* owner) {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    int slot = 0;
    while (slot < kFilterSlots && g_slots[slot].length != 0) ++slot;
    if (slot == kFilterSlots) return WA_ERR_TABLE_FULL;
    double* copy = AllocDoubles(n);
    if (!copy) return WA_ERR_MEMORY;
    std::memcpy(copy, pattern, sizeof(double) * n);
    g_slots[slot].length = n;
    g_slots[slot].coefficients = copy;
    g_slots[slot].owner = owner;
    return slot;
}

int ReleasePattern(int slot, const void* owner) {
    if (!FilterSystemStarted()) return WA_ERR_NOT_STARTED;
    if (!Owns(slot, owner)) return WA_ERR_ARGUMENT;
    FreeDoubles(g_slots[slot].coefficients);
    g_slots[slot] = Slot{0, nullptr, nullptr};
    return WA_OK;
}

uint32_t PatternLength(int slot, const void* owner) { return Owns(slot, owner) ? g_slots[slot].length : 0; }

const double* PatternData(int slot, const void* owner) {
    return Owns(slot, owner) ? g_slots[slot].coefficients : nullptr;
}

}  // namespace lmcmanlz

using namespace lmcmanlz;

extern "C" int StartFilterSystem() {
    if (g_startCount == 0) {
        // Arrays were released by the last stop; only the lengths are reset here.
        for (Slot& slot : g_slots) slot = Slot{0, nullptr, nullptr};
    }
    ++g_startCount;
    return WA_OK;
}

extern "C" int StopFilterSystem() {
    if (g_startCount == 0) return WA_OK;
    if (--g_startCount == 0) {
        for (Slot& slot : g_slots) {
            if (slot.length != 0) {
                FreeDoubles(slot.coefficients);
                slot.coefficients = nullptr;
                slot.owner = nullptr;
            }
        }
    }
    return WA_OK;
}
