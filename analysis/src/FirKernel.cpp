#include "FirKernel.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <immintrin.h>
#include <utility>

#include "Memory.h"
#include "SimdDispatch.h"
#include "WAStatus.h"

namespace lmcmanlz {
namespace {

// All kernels below compute out[q] = Σ over m = 0 … taps−1 of hr[m]·xp[q·pitch + m]
// with hr the coefficients in reverse order, so that xp is read forwards.

// R vectors of W consecutive outputs accumulate together: per coefficient one
// broadcast and R loads feed R independent multiply-adds, enough to cover the
// latency of the fused multiply-add units.
template <int W, int R>
KR_ALWAYS_INLINE void ContiguousBlock(const double* xp, const double* hr, uint32_t taps, double* out) {
    using V = typename Simd<W>::V;
    V acc[R];
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r) acc[r] = V{};
    for (uint32_t m = 0; m < taps; ++m) {
        const V hv = Broadcast<V>(hr[m]);
        const double* p = xp + m;
#pragma GCC unroll 16
        for (int r = 0; r < R; ++r) acc[r] += hv * Load<V>(p + r * W);
    }
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r) Store(out + r * W, acc[r]);
}

template <int W, int R>
KR_ALWAYS_INLINE void Contiguous(const double* xp, const double* hr, uint32_t taps, double* out, std::size_t count) {
    std::size_t q = 0;
    for (; q + std::size_t(W) * R <= count; q += std::size_t(W) * R) ContiguousBlock<W, R>(xp + q, hr, taps, out + q);
    for (; q + W <= count; q += W) ContiguousBlock<W, 1>(xp + q, hr, taps, out + q);
    for (; q < count; ++q) {
        double acc = 0.0;
        for (uint32_t m = 0; m < taps; ++m) acc += hr[m] * xp[q + m];
        out[q] = acc;
    }
}

// AVX-512 variant that loads each input vector once per eight coefficients:
// the input shifted by s = 0 … 7 places is mostly assembled in registers from
// two neighbouring vectors (one lane-shift instruction) rather than loaded
// unaligned. Needs one input sample of slack past the block
// (xp[8R + taps − 1]) for its last vector load.
using V8 = Simd<8>::V;

// The AVX-512 functions below load, store and broadcast through helpers of
// their own instruction set: clang refuses calls that pass 512-bit vectors by
// value between functions compiled for different instruction sets.
KR_TARGET_AVX512 KR_ALWAYS_INLINE V8 Load8(const double* p) {
    V8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
KR_TARGET_AVX512 KR_ALWAYS_INLINE V8 Broadcast8(double x) { return V8{} + x; }
KR_TARGET_AVX512 KR_ALWAYS_INLINE void Store8(double* p, V8 v) { std::memcpy(p, &v, sizeof v); }

template <int S>
KR_TARGET_AVX512 KR_ALWAYS_INLINE V8 Shifted(V8 low, V8 high) {
    if constexpr (S == 0) {
        return low;
    } else {
        const __m512i l = _mm512_castpd_si512(low);
        return _mm512_castsi512_pd(_mm512_mask_alignr_epi64(l, 0xFF, _mm512_castpd_si512(high), l, S));
    }
}

// Shifts 1, 3 and 5 read the input with unaligned loads instead: the lane
// shifts and the loads then share the work, and neither limits the
// multiply-adds alone (measured: about 15 % faster than shifting every time).
constexpr bool kLoadShift[8] = {false, true, false, true, false, true, false, false};

template <int R, int S>
KR_TARGET_AVX512 KR_ALWAYS_INLINE void ShiftedTap(V8* acc, const V8* in, const double* xp, double coefficient) {
    const V8 hv = Broadcast8(coefficient);
    if constexpr (kLoadShift[S]) {
#pragma GCC unroll 16
        for (int r = 0; r < R; ++r) acc[r] += hv * Load8(xp + 8 * r + S);
    } else {
#pragma GCC unroll 16
        for (int r = 0; r < R; ++r) acc[r] += hv * Shifted<S>(in[r], in[r + 1]);
    }
}

template <int R, int... S>
KR_TARGET_AVX512 KR_ALWAYS_INLINE void EightTaps(V8* acc, const V8* in, const double* xp, const double* h,
                                                 std::integer_sequence<int, S...>) {
    (ShiftedTap<R, S>(acc, in, xp, h[S]), ...);
}

template <int R>
KR_TARGET_AVX512 KR_ALWAYS_INLINE void ShiftedBlock(const double* xp, const double* hr, uint32_t taps, double* out) {
    V8 acc[R];
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r) acc[r] = V8{};
    uint32_t m = 0;
    for (; m + 8 <= taps; m += 8) {
        V8 in[R + 1];
#pragma GCC unroll 17
        for (int r = 0; r <= R; ++r) in[r] = Load8(xp + m + 8 * r);
        EightTaps<R>(acc, in, xp + m, hr + m, std::make_integer_sequence<int, 8>{});
    }
    for (; m < taps; ++m) {
        const V8 hv = Broadcast8(hr[m]);
#pragma GCC unroll 16
        for (int r = 0; r < R; ++r) acc[r] += hv * Load8(xp + m + 8 * r);
    }
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r) Store8(out + 8 * r, acc[r]);
}

KR_TARGET_AVX512 void ContiguousAvx512(const double* xp, const double* hr, uint32_t taps, double* out,
                                       std::size_t count) {
    constexpr int R = 12;
    constexpr std::size_t block = 8 * R;
    std::size_t q = 0;
    for (; q + block + 1 <= count; q += block) ShiftedBlock<R>(xp + q, hr, taps, out + q);
    Contiguous<8, 8>(xp + q, hr, taps, out + q, count - q);
}

KR_TARGET_AVX2 void ContiguousAvx2(const double* xp, const double* hr, uint32_t taps, double* out, std::size_t count) {
    Contiguous<4, 8>(xp, hr, taps, out, count);
}
void ContiguousBaseline(const double* xp, const double* hr, uint32_t taps, double* out, std::size_t count) {
    Contiguous<2, 6>(xp, hr, taps, out, count);
}

// Thinned outputs (pitch > 1): several outputs at once, scalar.
KR_SIMD_CLONES void Strided(const double* xp, const double* hr, uint32_t taps, uint32_t pitch, double* out,
                            std::size_t count) {
    constexpr int R = 4;
    std::size_t q = 0;
    for (; q + R <= count; q += R) {
        double acc[R] = {};
        const double* p = xp + q * pitch;
        for (uint32_t m = 0; m < taps; ++m) {
            const double hv = hr[m];
#pragma GCC unroll 4
            for (int r = 0; r < R; ++r) acc[r] += hv * p[std::size_t(r) * pitch + m];
        }
        for (int r = 0; r < R; ++r) out[q + r] = acc[r];
    }
    for (; q < count; ++q) {
        double acc = 0.0;
        const double* p = xp + q * pitch;
        for (uint32_t m = 0; m < taps; ++m) acc += hr[m] * p[m];
        out[q] = acc;
    }
}

void Run(const double* xp, const double* hr, uint32_t taps, uint32_t pitch, double* out, std::size_t count) {
    if (count == 0) return;
    if (pitch != 1) {
        Strided(xp, hr, taps, pitch, out, count);
        return;
    }
    switch (ActiveSimdLevel()) {
    case SimdLevel::Avx512: ContiguousAvx512(xp, hr, taps, out, count); break;
    case SimdLevel::Avx2: ContiguousAvx2(xp, hr, taps, out, count); break;
    default: ContiguousBaseline(xp, hr, taps, out, count); break;
    }
}

}  // namespace

int FirFilter(const double* x, const double* h, uint32_t taps, uint64_t first, uint32_t pitch,
              uint64_t count, double* out) {
    if (count == 0) return WA_OK;
    ScopedDoubles reversed(taps);
    if (!reversed) return WA_ERR_MEMORY;
    for (uint32_t m = 0; m < taps; ++m) reversed.get()[m] = h[taps - 1 - m];

    // Output n reads the virtual input v[n … n + taps − 1] with
    // v[j] = x[j − (taps − 1)], zero before x[0]. Outputs before taps − 1
    // (the head) read a zero-padded copy; the rest read x in place.
    const uint64_t lead = taps - 1;
    uint64_t headCount = 0;
    if (first < lead) headCount = std::min<uint64_t>(count, (lead - first + pitch - 1) / pitch);
    if (headCount != 0) {
        const uint64_t lastHead = first + (headCount - 1) * pitch;
        const uint64_t padded = lastHead + taps;
        ScopedDoubles head(padded);
        if (!head) return WA_ERR_MEMORY;
        for (uint64_t j = 0; j < padded; ++j) head.get()[j] = j < lead ? 0.0 : x[j - lead];
        Run(head.get() + first, reversed.get(), taps, pitch, out, headCount);
    }
    if (count > headCount) {
        const uint64_t rest = first + headCount * pitch;  // ≥ lead here
        Run(x + (rest - lead), reversed.get(), taps, pitch, out + headCount, count - headCount);
    }
    return WA_OK;
}

}  // namespace lmcmanlz
