#include "SimdDispatch.h"

namespace lmcmanlz {
namespace {

SimdLevel Detect() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return SimdLevel::Avx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return SimdLevel::Avx2;
    return SimdLevel::Baseline;
}

SimdLevel& Active() {
    static SimdLevel level = DetectedSimdLevel();
    return level;
}

}  // namespace

SimdLevel DetectedSimdLevel() {
    static const SimdLevel detected = Detect();
    return detected;
}

SimdLevel ActiveSimdLevel() { return Active(); }

void SetSimdLevel(SimdLevel level) {
    const SimdLevel best = DetectedSimdLevel();
    Active() = static_cast<int>(level) > static_cast<int>(best) ? best : level;
}

}  // namespace lmcmanlz
