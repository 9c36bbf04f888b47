// Vector types and instruction-set dispatch of the numeric kernels (internal).
//
// Kernels are written once on GCC vector types of W doubles and instantiated
// in functions compiled for AVX-512, for AVX2 + FMA and for baseline x86-64;
// the best one the CPU supports is chosen at run time, so the library never
// needs -march flags. Simple loops use target_clones instead.
#ifndef LMCMANLZ_SIMDDISPATCH_H
#define LMCMANLZ_SIMDDISPATCH_H

#include <cstring>

#define KR_ALWAYS_INLINE inline __attribute__((always_inline))
#define KR_TARGET_AVX512 __attribute__((target("avx512f")))
#define KR_TARGET_AVX2 __attribute__((target("avx2,fma")))
// Both compilers split "avx2,fma" into two clones (avx2 and fma); spelled out
// as such so that clang does not warn about mixed specifiers.
#define KR_SIMD_CLONES __attribute__((target_clones("avx512f", "avx2", "fma", "default")))

namespace lmcmanlz {

template <int W>
struct Simd;
template <>
struct Simd<2> {
    typedef double V __attribute__((vector_size(16)));
};
template <>
struct Simd<4> {
    typedef double V __attribute__((vector_size(32)));
};
template <>
struct Simd<8> {
    typedef double V __attribute__((vector_size(64)));
};

template <class V>
KR_ALWAYS_INLINE V Load(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof(V));
    return v;
}

template <class V>
KR_ALWAYS_INLINE void Store(double* p, V v) {
    std::memcpy(p, &v, sizeof(V));
}

template <class V>
KR_ALWAYS_INLINE V Broadcast(double x) {
    return V{} + x;
}

enum class SimdLevel { Baseline = 0, Avx2 = 1, Avx512 = 2 };

// The widest level this CPU supports.
SimdLevel DetectedSimdLevel();
// The level the kernels use: the detected one unless lowered.
SimdLevel ActiveSimdLevel();
// Lowers (or restores) the level the kernels of this copy of the code use,
// clamped to what the CPU supports; for tests and benchmarks that compare the
// versions. Not thread-safe.
void SetSimdLevel(SimdLevel level);

}  // namespace lmcmanlz

#endif
