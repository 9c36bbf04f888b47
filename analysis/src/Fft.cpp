#include "Fft.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>

#include "Memory.h"
#include "SimdDispatch.h"
#include "WAStatus.h"

namespace lmcmanlz {

namespace {

// entry[n/2 − i] = entry[i] for 0 ≤ i < n/4; reads and writes do not overlap.
KR_SIMD_CLONES void MirrorQuarter(double* __restrict dst, const double* __restrict src, std::size_t quarter) {
    for (std::size_t i = 0; i < quarter; ++i) dst[-static_cast<std::ptrdiff_t>(i)] = src[i];
}

KR_SIMD_CLONES void NegateInto(double* __restrict dst, const double* __restrict src, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) dst[i] = -src[i];
}

// dst[j] = src[2j]: the twiddles of a stage are every other one of the next.
KR_SIMD_CLONES void TakeEven(double* __restrict dst, const double* __restrict src, std::size_t count) {
    for (std::size_t j = 0; j < count; ++j) dst[j] = src[2 * j];
}

// The recurrence part of the sine table: entries 0 … n/4 (n ≥ 4). Compiled
// for the baseline instruction set only, so that no multiply-add is fused and
// the table is the same on every processor.
void SineTableQuarter(double* entry, uint32_t n) {
    const uint32_t quarter = n / 4;
    const uint32_t eighth = n / 8;
    const double t = std::sin(std::numbers::pi / static_cast<double>(n));
    double dc = 2.0 * t * t;
    double ds = std::sqrt(dc * (2.0 - dc));
    const double t2 = 2.0 * dc;
    double c = 1.0;
    double s = 0.0;
    entry[quarter] = 1.0;
    entry[0] = 0.0;
    for (uint32_t i = 1; i < eighth; ++i) {
        s += ds;
        entry[i] = s;
        c -= dc;
        entry[quarter - i] = c;
        dc += t2 * c;
        ds -= t2 * s;
    }
    if (eighth != 0) entry[eighth] = std::sqrt(0.5);
}

// Entries 0 … n/2 of the sine table (n ≥ 4): everything the transform reads
// (sines of angle index h < n/4 at h, their cosines at h + n/4).
void BuildSineTableHalf(double* entry, uint32_t n) {
    SineTableQuarter(entry, n);
    MirrorQuarter(entry + n / 2, entry, n / 4);
}

}  // namespace

void BuildSineTable(double* entry, uint32_t n) {
    if (n < 4) {
        // Q = E = 0: entry[0] = 0 is the whole recurrence part.
        if (n == 0) return;
        entry[0] = 0.0;
        for (uint32_t i = 0; i < n / 2; ++i) entry[i + n / 2] = -entry[i];
        return;
    }
    BuildSineTableHalf(entry, n);
    // entry[i + n/2] = −entry[i] for i < n/2 + n/4; from i = n/2 on it reads
    // what it wrote itself, hence two spans in order.
    NegateInto(entry + n / 2, entry, n / 2);
    NegateInto(entry + n, entry + n / 2, n / 4);
}

void BuildBitReversal(uint32_t* table, uint32_t n) {
    // The reversed counter of the textbook loop (table[i] = j, then j advanced
    // by a reversed carry) stops after the last entry: advanced once more
    // from j = n − 1 its carry loop would reach k = 0 and never end. The
    // carry loop is replaced by its closed form, built by doubling: the
    // second half of every prefix of length h is the first half plus n/(2h).
    if (n == 0) return;
    table[0] = 0;
    for (uint32_t h = 1; h < n; h *= 2) {
        const uint32_t add = n / (2 * h);
        for (uint32_t i = 0; i < h; ++i) table[h + i] = table[i] + add;
    }
}

namespace {

// Layout of a transform of n points with tiles of T × T points:
//
// Output position P (bit-reversed order) is split as P = C·(n/T) + B·T + A
// with A, C < T; the input index of P is rev(A)·(n/T) + rev(B)·T + rev(C).
// One tile (one B) therefore reads T whole vectors of T consecutive inputs
// (one per A) and writes T whole vectors of T consecutive outputs (one per C)
// after an in-register transpose. The first log2(T) stages combine outputs
// of the same C and B, which are lanes of the same index in the T input
// vectors, so they run on the tile before the transpose.
//
// Stages from k = T to S/2 then run in blocks of S consecutive positions
// (S ≤ n/T) while the block is in cache: the tiles of B in [βS/T, (β+1)S/T)
// fill block β of all T regions C at once. The remaining stages (k ≥ S)
// run over columns: the array as n/S rows of S points, a chunk of columns at
// a time taken through every remaining stage in cache.
//
// Twiddles: the table gives cos of angle index h + n/4 as −sin of h and sin
// of h + n/4 as cos of h, exactly (its second quarter mirrors the first and
// its third is the negated first). So butterfly j + k/2 of stage k has the
// twiddle (−s, c) of butterfly j, and only the first half of every stage's
// twiddles is stored and read; stages T and S, which some kernels run as
// whole stages, keep both halves.
//
// The inverse transform is the conjugate of the forward transform of the
// conjugated input: the butterflies with s = −sin on x give exactly the
// negated imaginary parts of the butterflies with s = +sin on conj(x), so
// one set of kernels serves both directions.

// Points of a block whose stages k < S run in cache (re + im = 32 KiB).
constexpr std::size_t kBlockPoints = 2048;
// Points of a column chunk whose stages k ≥ S run in cache, and the fewest
// columns of a chunk (whole cache lines, enough for the prefetchers).
constexpr std::size_t kChunkPoints = 2048;
constexpr std::size_t kChunkMinWidth = 64;
// Up to this many points (re + im = 128 KiB, in cache) the stages k ≥ S run
// in place when they fit in one sweep.
constexpr std::size_t kInPlacePoints = 8192;
// Rows of the scratch chunk lie a cache line more than its width apart, so
// that their addresses do not repeat those of the array's rows modulo 4 KiB
// (a load whose address matches an earlier store's there waits for it).
constexpr std::size_t kScratchPad = 8;
// Tiles read in bit-reversed order, which no hardware prefetcher follows:
// the input of the tile this many tiles ahead is asked for in advance.
constexpr std::size_t kTilesAhead = 4;

// How the input is laid out: two arrays, real parts only (all-zero imaginary
// parts), or the n points interleaved in inRe (real, imaginary, real, …).
enum class FftInput { Complex, Real, Interleaved };

struct FftWork {
    const double* inRe;
    const double* inIm;  // null: all-zero imaginary input, or interleaved
    double* re;
    double* im;
    const uint32_t* tileReversal;  // rev(B) over log2(n/T²) bits
    // Stage k (T ≤ k < n/2) at [k, 2k): cos and sin of 2πj/(2k); only the
    // first half [k, k + k/2) is filled, except for stages T and S.
    const double* twiddleCos;
    const double* twiddleSin;
    const double* sineTable;       // the last stage and the tile stages read it directly
    double* scratchRe;             // one column chunk (rows × (chunkWidth + kScratchPad))
    double* scratchIm;
    std::size_t n;
    std::size_t blockPoints;       // S
    std::size_t chunkWidth;        // 0: the stages k ≥ S (four or eight rows) in place
    double imSign;                 // −1 conjugates the imaginary input (inverse)
    bool interleaved = false;      // inRe holds the points interleaved
};

KR_ALWAYS_INLINE const double* StageCos(const FftWork& w, std::size_t k) {
    return 2 * k == w.n ? w.sineTable + w.n / 4 : w.twiddleCos + k;
}
KR_ALWAYS_INLINE const double* StageSin(const FftWork& w, std::size_t k) {
    return 2 * k == w.n ? w.sineTable : w.twiddleSin + k;
}

// One butterfly: (a, b) → (a + w·b, a − w·b), w = c − i·s, written as the
// transform's dx = s·bi + c·br, dy = c·bi − s·br.
template <class V>
KR_ALWAYS_INLINE void Butterfly(V& ar, V& ai, V& br, V& bi, V c, V s) {
    const V dx = s * bi + c * br;
    const V dy = c * bi - s * br;
    br = ar - dx;
    ar = ar + dx;
    bi = ai - dy;
    ai = ai + dy;
}

// Twiddle 1 (cos 0 = 1, sin 0 = 0): sum and difference.
template <class V>
KR_ALWAYS_INLINE void ButterflyOne(V& ar, V& ai, V& br, V& bi) {
    const V xr = br, xi = bi;
    br = ar - xr;
    ar = ar + xr;
    bi = ai - xi;
    ai = ai + xi;
}

// Twiddle of angle index n/4 (cos = 0, sin = 1): dx = bi, dy = −br.
template <class V>
KR_ALWAYS_INLINE void ButterflyQuarter(V& ar, V& ai, V& br, V& bi) {
    const V xr = br, xi = bi;
    br = ar - xi;
    ar = ar + xi;
    bi = ai + xr;
    ai = ai - xr;
}

template <int T>
struct TileShape;

template <>
struct TileShape<4> {
    static constexpr int kReverse[4] = {0, 2, 1, 3};
    template <class V>
    static KR_ALWAYS_INLINE V Even(V lo, V hi) { return __builtin_shufflevector(lo, hi, 0, 2, 4, 6); }
    template <class V>
    static KR_ALWAYS_INLINE V Odd(V lo, V hi) { return __builtin_shufflevector(lo, hi, 1, 3, 5, 7); }
    template <class V>
    static KR_ALWAYS_INLINE void Transpose(V (&r)[4]) {
        const V a0 = __builtin_shufflevector(r[0], r[1], 0, 4, 2, 6);
        const V b0 = __builtin_shufflevector(r[0], r[1], 1, 5, 3, 7);
        const V a1 = __builtin_shufflevector(r[2], r[3], 0, 4, 2, 6);
        const V b1 = __builtin_shufflevector(r[2], r[3], 1, 5, 3, 7);
        r[0] = __builtin_shufflevector(a0, a1, 0, 1, 4, 5);
        r[2] = __builtin_shufflevector(a0, a1, 2, 3, 6, 7);
        r[1] = __builtin_shufflevector(b0, b1, 0, 1, 4, 5);
        r[3] = __builtin_shufflevector(b0, b1, 2, 3, 6, 7);
    }
};

template <>
struct TileShape<8> {
    static constexpr int kReverse[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    template <class V>
    static KR_ALWAYS_INLINE V Even(V lo, V hi) {
        return __builtin_shufflevector(lo, hi, 0, 2, 4, 6, 8, 10, 12, 14);
    }
    template <class V>
    static KR_ALWAYS_INLINE V Odd(V lo, V hi) {
        return __builtin_shufflevector(lo, hi, 1, 3, 5, 7, 9, 11, 13, 15);
    }
    template <class V>
    static KR_ALWAYS_INLINE void Transpose(V (&r)[8]) {
        V a[4], b[4], c[4], d[4];
#pragma GCC unroll 8
        for (int i = 0; i < 4; ++i) {
            a[i] = __builtin_shufflevector(r[2 * i], r[2 * i + 1], 0, 8, 2, 10, 4, 12, 6, 14);
            b[i] = __builtin_shufflevector(r[2 * i], r[2 * i + 1], 1, 9, 3, 11, 5, 13, 7, 15);
        }
#pragma GCC unroll 8
        for (int i = 0; i < 2; ++i) {
            c[2 * i] = __builtin_shufflevector(a[2 * i], a[2 * i + 1], 0, 1, 8, 9, 4, 5, 12, 13);
            c[2 * i + 1] = __builtin_shufflevector(a[2 * i], a[2 * i + 1], 2, 3, 10, 11, 6, 7, 14, 15);
            d[2 * i] = __builtin_shufflevector(b[2 * i], b[2 * i + 1], 0, 1, 8, 9, 4, 5, 12, 13);
            d[2 * i + 1] = __builtin_shufflevector(b[2 * i], b[2 * i + 1], 2, 3, 10, 11, 6, 7, 14, 15);
        }
        // c[0] = rows 0–3 of columns 0 and 4, c[2] = rows 4–7 of the same;
        // c[1]/c[3] columns 2 and 6; d[·] columns 1, 5 and 3, 7.
        r[0] = __builtin_shufflevector(c[0], c[2], 0, 1, 2, 3, 8, 9, 10, 11);
        r[4] = __builtin_shufflevector(c[0], c[2], 4, 5, 6, 7, 12, 13, 14, 15);
        r[2] = __builtin_shufflevector(c[1], c[3], 0, 1, 2, 3, 8, 9, 10, 11);
        r[6] = __builtin_shufflevector(c[1], c[3], 4, 5, 6, 7, 12, 13, 14, 15);
        r[1] = __builtin_shufflevector(d[0], d[2], 0, 1, 2, 3, 8, 9, 10, 11);
        r[5] = __builtin_shufflevector(d[0], d[2], 4, 5, 6, 7, 12, 13, 14, 15);
        r[3] = __builtin_shufflevector(d[1], d[3], 0, 1, 2, 3, 8, 9, 10, 11);
        r[7] = __builtin_shufflevector(d[1], d[3], 4, 5, 6, 7, 12, 13, 14, 15);
    }
};

// Gathers tile B and runs the stages k < T on it: k = 1 and 2 have the exact
// twiddles 1 and (0, 1); k = 4 (T = 8) adds the one of angle index n/8, read
// from the table, and its rotation.
template <int T, FftInput kInput>
KR_ALWAYS_INLINE void Tile(const FftWork& w, std::size_t B) {
    constexpr bool kRealInput = kInput == FftInput::Real;
    using V = typename Simd<T>::V;
    using Shape = TileShape<T>;
    const std::size_t region = w.n / T;
    const std::size_t from = static_cast<std::size_t>(w.tileReversal[B]) * T;
    V r[T], i[T];
#pragma GCC unroll 8
    for (int a = 0; a < T; ++a) {
        const std::size_t at = Shape::kReverse[a] * region + from;
        if constexpr (kInput == FftInput::Interleaved) {
            const V lo = Load<V>(w.inRe + 2 * at), hi = Load<V>(w.inRe + 2 * at + T);
            r[a] = Shape::Even(lo, hi);
            i[a] = Shape::Odd(lo, hi) * w.imSign;
        } else if constexpr (kRealInput) {
            r[a] = Load<V>(w.inRe + at);
            i[a] = V{};
        } else {
            r[a] = Load<V>(w.inRe + at);
            i[a] = Load<V>(w.inIm + at) * w.imSign;
        }
    }
#pragma GCC unroll 8
    for (int a = 0; a < T; a += 2) {
        if constexpr (kRealInput) {
            const V x = r[a + 1];
            r[a + 1] = r[a] - x;
            r[a] = r[a] + x;
        } else {
            ButterflyOne(r[a], i[a], r[a + 1], i[a + 1]);
        }
    }
#pragma GCC unroll 8
    for (int a = 0; a < T; a += 4) {
        ButterflyOne(r[a], i[a], r[a + 2], i[a + 2]);
        ButterflyQuarter(r[a + 1], i[a + 1], r[a + 3], i[a + 3]);
    }
    if constexpr (T == 8) {
        const std::size_t n = w.n;
        const V c = Broadcast<V>(w.sineTable[n / 4 + n / 8]), s = Broadcast<V>(w.sineTable[n / 8]);
        ButterflyOne(r[0], i[0], r[4], i[4]);
        Butterfly(r[1], i[1], r[5], i[5], c, s);
        ButterflyQuarter(r[2], i[2], r[6], i[6]);
        Butterfly(r[3], i[3], r[7], i[7], -s, c);
    }
    Shape::Transpose(r);
    Shape::Transpose(i);
    const std::size_t to = B * T;
#pragma GCC unroll 8
    for (int c = 0; c < T; ++c) {
        Store(w.re + Shape::kReverse[c] * region + to, r[c]);
        Store(w.im + Shape::kReverse[c] * region + to, i[c]);
    }
}

template <int T, FftInput kInput>
KR_ALWAYS_INLINE void PrefetchTile(const FftWork& w, std::size_t B) {
    using Shape = TileShape<T>;
    const std::size_t region = w.n / T;
    const std::size_t from = static_cast<std::size_t>(w.tileReversal[B]) * T;
#pragma GCC unroll 8
    for (int a = 0; a < T; ++a) {
        const std::size_t at = Shape::kReverse[a] * region + from;
        if constexpr (kInput == FftInput::Interleaved) {
            __builtin_prefetch(w.inRe + 2 * at, 0, 3);
            if constexpr (T == 8) __builtin_prefetch(w.inRe + 2 * at + T, 0, 3);
        } else {
            __builtin_prefetch(w.inRe + at, 0, 3);
            if constexpr (kInput == FftInput::Complex) __builtin_prefetch(w.inIm + at, 0, 3);
        }
    }
}

// The kernels below run stages on `blocks` blocks `blockStride` apart from
// re/im. In a stage of distance k (in array positions) butterfly j pairs the
// points j and k + j of a block; the twiddle pointers are already offset to
// the butterflies' first j, and j counts `count` positions (a multiple of W).

// One whole stage, every butterfly with its own twiddle.
template <int W>
KR_ALWAYS_INLINE void OneStage(double* re, double* im, std::size_t k, std::size_t blocks, std::size_t blockStride,
                               const double* tc, const double* ts, std::size_t count) {
    using V = typename Simd<W>::V;
    for (std::size_t b = 0; b < blocks; ++b) {
        double* r0 = re + b * blockStride;
        double* i0 = im + b * blockStride;
        for (std::size_t j = 0; j < count; j += W) {
            V ar = Load<V>(r0 + j), ai = Load<V>(i0 + j), br = Load<V>(r0 + k + j), bi = Load<V>(i0 + k + j);
            Butterfly(ar, ai, br, bi, Load<V>(tc + j), Load<V>(ts + j));
            Store(r0 + j, ar);
            Store(i0 + j, ai);
            Store(r0 + k + j, br);
            Store(i0 + k + j, bi);
        }
    }
}

// The four points q, q + k, q + 2k, q + 3k through stages k and 2k: stage k
// with the twiddle (c1, s1), stage 2k with (c2, s2) and its rotation.
template <class V>
KR_ALWAYS_INLINE void Quad(double* r0, double* i0, std::size_t k, V c1, V s1, V c2, V s2) {
    V a0r = Load<V>(r0), a1r = Load<V>(r0 + k), a2r = Load<V>(r0 + 2 * k), a3r = Load<V>(r0 + 3 * k);
    V a0i = Load<V>(i0), a1i = Load<V>(i0 + k), a2i = Load<V>(i0 + 2 * k), a3i = Load<V>(i0 + 3 * k);
    Butterfly(a0r, a0i, a1r, a1i, c1, s1);
    Butterfly(a2r, a2i, a3r, a3i, c1, s1);
    Butterfly(a0r, a0i, a2r, a2i, c2, s2);
    Butterfly(a1r, a1i, a3r, a3i, -s2, c2);
    Store(r0, a0r);
    Store(r0 + k, a1r);
    Store(r0 + 2 * k, a2r);
    Store(r0 + 3 * k, a3r);
    Store(i0, a0i);
    Store(i0 + k, a1i);
    Store(i0 + 2 * k, a2i);
    Store(i0 + 3 * k, a3i);
}

// Stages k and 2k in one sweep, stage k with whole twiddles c1/s1[j], stage
// 2k with the first half c2/s2[j].
template <int W>
KR_ALWAYS_INLINE void TwoStages(double* re, double* im, std::size_t k, std::size_t blocks, std::size_t blockStride,
                                const double* c1, const double* s1, const double* c2, const double* s2,
                                std::size_t count) {
    using V = typename Simd<W>::V;
    for (std::size_t b = 0; b < blocks; ++b) {
        double* r0 = re + b * blockStride;
        double* i0 = im + b * blockStride;
        for (std::size_t j = 0; j < count; j += W) {
            Quad<V>(r0 + j, i0 + j, k, Load<V>(c1 + j), Load<V>(s1 + j), Load<V>(c2 + j), Load<V>(s2 + j));
        }
    }
}

// Stages k and 2k in one sweep from first halves only: the quad at j (j <
// k/2 in the stage) and its partner `partner` positions further on, whose
// stage-k twiddle is the rotation of j's and whose stage-2k twiddle lies
// `half` (= k/2) twiddles further on.
template <int W>
KR_ALWAYS_INLINE void TwoStagesHalf(double* re, double* im, std::size_t k, std::size_t blocks,
                                    std::size_t blockStride, std::size_t partner, const double* c1,
                                    const double* s1, const double* c2, const double* s2, std::size_t half,
                                    std::size_t count) {
    using V = typename Simd<W>::V;
    for (std::size_t b = 0; b < blocks; ++b) {
        double* r0 = re + b * blockStride;
        double* i0 = im + b * blockStride;
        for (std::size_t j = 0; j < count; j += W) {
            const V wc = Load<V>(c1 + j), ws = Load<V>(s1 + j);
            Quad<V>(r0 + j, i0 + j, k, wc, ws, Load<V>(c2 + j), Load<V>(s2 + j));
            Quad<V>(r0 + partner + j, i0 + partner + j, k, -ws, wc, Load<V>(c2 + half + j),
                    Load<V>(s2 + half + j));
        }
    }
}

// Stages k, 2k and 4k in one sweep in place on the octets j + m·k (m < 8)
// of re/im, j < count: stage k with whole twiddles c1/s1[j], stage 2k with
// the first half c2/s2[j] and its rotation, stage 4k with the first half
// c4/s4[j] and [k + j] and their rotations.
template <int W>
KR_ALWAYS_INLINE void ThreeStages(double* re, double* im, std::size_t k, const double* c1, const double* s1,
                                  const double* c2, const double* s2, const double* c4, const double* s4,
                                  std::size_t count) {
    using V = typename Simd<W>::V;
    for (std::size_t j = 0; j < count; j += W) {
        V r[8], i[8];
#pragma GCC unroll 8
        for (int m = 0; m < 8; ++m) {
            r[m] = Load<V>(re + m * k + j);
            i[m] = Load<V>(im + m * k + j);
        }
        const V wc = Load<V>(c1 + j), ws = Load<V>(s1 + j);
#pragma GCC unroll 8
        for (int m = 0; m < 8; m += 2) Butterfly(r[m], i[m], r[m + 1], i[m + 1], wc, ws);
        const V xc = Load<V>(c2 + j), xs = Load<V>(s2 + j);
        Butterfly(r[0], i[0], r[2], i[2], xc, xs);
        Butterfly(r[4], i[4], r[6], i[6], xc, xs);
        Butterfly(r[1], i[1], r[3], i[3], -xs, xc);
        Butterfly(r[5], i[5], r[7], i[7], -xs, xc);
        const V yc = Load<V>(c4 + j), ys = Load<V>(s4 + j), zc = Load<V>(c4 + k + j), zs = Load<V>(s4 + k + j);
        Butterfly(r[0], i[0], r[4], i[4], yc, ys);
        Butterfly(r[1], i[1], r[5], i[5], zc, zs);
        Butterfly(r[2], i[2], r[6], i[6], -ys, yc);
        Butterfly(r[3], i[3], r[7], i[7], -zs, zc);
#pragma GCC unroll 8
        for (int m = 0; m < 8; ++m) {
            Store(re + m * k + j, r[m]);
            Store(im + m * k + j, i[m]);
        }
    }
}

// How many stages k = first, 2·first, … lie below limit.
inline int StageCount(std::size_t first, std::size_t limit) {
    int count = 0;
    for (std::size_t k = first; k < limit; k *= 2) ++count;
    return count;
}

// Stages k = W … length/2 on the block of `length` points at `begin`, in
// place; with an odd count stage W (which keeps both halves of its twiddles)
// runs alone first.
template <int W>
KR_ALWAYS_INLINE void BlockStages(const FftWork& w, std::size_t begin, std::size_t length) {
    double* re = w.re + begin;
    double* im = w.im + begin;
    std::size_t k = W;
    if (k >= length) return;
    if (StageCount(k, length) % 2 == 1) {
        OneStage<W>(re, im, k, length / (2 * k), 2 * k, StageCos(w, k), StageSin(w, k), k);
        k *= 2;
    } else {
        TwoStages<W>(re, im, k, length / (4 * k), 4 * k, StageCos(w, k), StageSin(w, k), StageCos(w, 2 * k),
                     StageSin(w, 2 * k), k);
        k *= 4;
    }
    for (; k < length; k *= 4) {
        TwoStagesHalf<W>(re, im, k, length / (4 * k), 4 * k, k / 2, StageCos(w, k), StageSin(w, k),
                         StageCos(w, 2 * k), StageSin(w, 2 * k), k / 2, k / 2);
    }
}

// Stages k = S … n/2 over columns: the array as rows of S points, the stages
// combine rows. A chunk of `width` columns is copied to the scratch arrays
// (rows `width` apart, so that they do not all fall into the same cache sets
// as rows S apart would), taken through every remaining stage and copied
// back. In stage k = span·S, row ρ uses the twiddles j = (ρ mod span)·S +
// column; rows ρ and ρ + span/2 are partners.
template <int W>
KR_ALWAYS_INLINE void ColumnStages(const FftWork& work) {
    const FftWork w = work;
    const std::size_t n = w.n;
    const std::size_t S = w.blockPoints;
    const std::size_t width = w.chunkWidth;
    double* const re = w.scratchRe;
    double* const im = w.scratchIm;
    const std::size_t rows = n / S;
    const std::size_t pitch = width + kScratchPad;
    const bool odd = StageCount(S, n) % 2 == 1;
    for (std::size_t col = 0; col < S; col += width) {
        // Every row lies in another page, beyond the reach of the hardware
        // prefetchers: the rows of the next chunk are asked for in advance.
        const std::size_t next = col + width < S ? col + width : col;
        for (std::size_t row = 0; row < rows; ++row) {
            for (std::size_t line = 0; line < width; line += 8) {
                __builtin_prefetch(w.re + row * S + next + line, 0, 2);
                __builtin_prefetch(w.im + row * S + next + line, 0, 2);
            }
            std::memcpy(re + row * pitch, w.re + row * S + col, sizeof(double) * width);
            std::memcpy(im + row * pitch, w.im + row * S + col, sizeof(double) * width);
        }
        std::size_t span = 1;  // k / S
        if (odd) {
            OneStage<W>(re, im, pitch, rows / 2, 2 * pitch, StageCos(w, S) + col, StageSin(w, S) + col, width);
            span = 2;
        } else {
            TwoStages<W>(re, im, pitch, rows / 4, 4 * pitch, StageCos(w, S) + col, StageSin(w, S) + col,
                         StageCos(w, 2 * S) + col, StageSin(w, 2 * S) + col, width);
            span = 4;
        }
        for (; span < rows; span *= 4) {
            const std::size_t k = span * S;
            for (std::size_t rho = 0; rho < span / 2; ++rho) {
                const std::size_t t = rho * S + col;
                TwoStagesHalf<W>(re + rho * pitch, im + rho * pitch, span * pitch, rows / (4 * span),
                                 4 * span * pitch, span / 2 * pitch, StageCos(w, k) + t, StageSin(w, k) + t,
                                 StageCos(w, 2 * k) + t, StageSin(w, 2 * k) + t, k / 2, width);
            }
        }
        for (std::size_t row = 0; row < rows; ++row) {
            std::memcpy(w.re + row * S + col, re + row * pitch, sizeof(double) * width);
            std::memcpy(w.im + row * S + col, im + row * pitch, sizeof(double) * width);
        }
    }
}

template <int T, FftInput kInput>
KR_ALWAYS_INLINE void TransformWithTiles(const FftWork& work) {
    // A local copy the compiler can keep in registers: the stores of the
    // kernels go through plain memory copies, which could otherwise alias
    // the caller's struct and force its fields to be reloaded.
    const FftWork w = work;
    const std::size_t n = w.n;
    const std::size_t region = n / T;
    const std::size_t S = w.blockPoints;
    const std::size_t tilesPerBlock = S / T;
    const std::size_t tiles = region / T;
    for (std::size_t blockStart = 0; blockStart < region; blockStart += S) {
        const std::size_t firstTile = blockStart / T;
        for (std::size_t B = firstTile; B < firstTile + tilesPerBlock; ++B) {
            PrefetchTile<T, kInput>(w, B + kTilesAhead < tiles ? B + kTilesAhead : B);
            Tile<T, kInput>(w, B);
        }
        for (std::size_t c = 0; c < static_cast<std::size_t>(T); ++c) {
            BlockStages<T>(w, c * region + blockStart, S);
        }
    }
    if (w.chunkWidth == 0 && n / S == 8) {
        // Eight rows in cache: the last three stages in one sweep in place.
        ThreeStages<T>(w.re, w.im, S, StageCos(w, S), StageSin(w, S), StageCos(w, 2 * S), StageSin(w, 2 * S),
                       StageCos(w, 4 * S), StageSin(w, 4 * S), S);
    } else if (w.chunkWidth == 0) {
        TwoStages<T>(w.re, w.im, S, 1, 4 * S, StageCos(w, S), StageSin(w, S), StageCos(w, 2 * S), StageSin(w, 2 * S),
                     S);
    } else {
        ColumnStages<T>(w);
    }
}

template <int T>
KR_ALWAYS_INLINE void Transform(const FftWork& w) {
    if (w.interleaved) {
        TransformWithTiles<T, FftInput::Interleaved>(w);
    } else if (w.inIm) {
        TransformWithTiles<T, FftInput::Complex>(w);
    } else {
        TransformWithTiles<T, FftInput::Real>(w);
    }
}

KR_TARGET_AVX512 void TransformAvx512(const FftWork& w) { Transform<8>(w); }
KR_TARGET_AVX2 void TransformAvx2(const FftWork& w) { Transform<4>(w); }
void TransformBaseline(const FftWork& w) { Transform<4>(w); }

struct Geometry {
    std::size_t blockPoints;  // S
    std::size_t chunkWidth;   // columns of a chunk of the stages k ≥ S; 0: in place
    std::size_t scratch;      // points of a chunk
};

Geometry GeometryFor(std::size_t n, std::size_t tile) {
    Geometry g{};
    const std::size_t region = n / tile;
    g.blockPoints = region < kBlockPoints ? region : kBlockPoints;
    const std::size_t rows = n / g.blockPoints;
    if (n <= kInPlacePoints && (rows == 8 || rows == 4)) return g;
    g.chunkWidth = kChunkPoints / rows;
    if (g.chunkWidth < kChunkMinWidth) g.chunkWidth = kChunkMinWidth;
    if (g.chunkWidth > g.blockPoints) g.chunkWidth = g.blockPoints;
    g.scratch = rows * (g.chunkWidth + kScratchPad);
    return g;
}

// The tile size the kernels of this processor use for n points: 8 with
// AVX-512 from 64 points, else 4 from 16 points; 0 below (the plain loop).
int TileFor(uint32_t n) {
    const SimdLevel level = ActiveSimdLevel();
    if (level == SimdLevel::Avx512 && n >= 64) return 8;
    if (n >= 16) return 4;
    return 0;
}

void RunTransform(const FftWork& w, int tile) {
    if (tile == 8) {
        TransformAvx512(w);
    } else if (ActiveSimdLevel() != SimdLevel::Baseline) {
        TransformAvx2(w);
    } else {
        TransformBaseline(w);
    }
}

// Twiddles of the stages T … n/4, stage k at [k, 2k): the first half of
// stage k is every other twiddle of the first half of stage 2k (of the table
// for k = n/4); the second half, only where whole stages are run, the
// rotation (−s, c) of the first.
KR_SIMD_CLONES void RotateHalf(double* __restrict cosHalf, double* __restrict sinHalf, const double* __restrict c,
                               const double* __restrict s, std::size_t count) {
    for (std::size_t j = 0; j < count; ++j) {
        cosHalf[j] = -s[j];
        sinHalf[j] = c[j];
    }
}

void BuildTwiddles(double* twiddleCos, double* twiddleSin, const double* sine, std::size_t n, std::size_t tile,
                   std::size_t blockPoints) {
    for (std::size_t k = n / 4; k >= tile; k /= 2) {
        const double* nextCos = 2 * k == n / 2 ? sine + n / 4 : twiddleCos + 2 * k;
        const double* nextSin = 2 * k == n / 2 ? sine : twiddleSin + 2 * k;
        TakeEven(twiddleCos + k, nextCos, k / 2);
        TakeEven(twiddleSin + k, nextSin, k / 2);
        if (k == tile || k == blockPoints) {
            RotateHalf(twiddleCos + k + k / 2, twiddleSin + k + k / 2, twiddleCos + k, twiddleSin + k, k / 2);
        }
    }
}

// The transform as plain loops, for the smallest sizes (4 and 8 points):
// copy, permute by the bit-reversal table, butterflies stage by stage.
void SmallTransform(const double* inRe, const double* inIm, double* re, double* im, uint32_t n, double sign,
                    const double* sine) {
    uint32_t reversal[8];
    BuildBitReversal(reversal, n);
    for (uint32_t i = 0; i < n; ++i) {
        re[i] = inRe[reversal[i]];
        im[i] = inIm ? inIm[reversal[i]] : 0.0;
    }
    const uint32_t quarter = n / 4;
    for (uint32_t k = 1; k < n; k *= 2) {
        const uint32_t d = n / (2 * k);
        for (uint32_t j = 0; j < k; ++j) {
            const double c = sine[j * d + quarter];
            const double s = sign * sine[j * d];
            for (uint32_t i = j; i < n; i += 2 * k) {
                const uint32_t m = i + k;
                const double dx = s * im[m] + c * re[m];
                const double dy = c * im[m] - s * re[m];
                re[m] = re[i] - dx;
                re[i] += dx;
                im[m] = im[i] - dy;
                im[i] += dy;
            }
        }
    }
}

KR_SIMD_CLONES void ScaleArrays(double* re, double* im, std::size_t n, double reFactor, double imFactor) {
    for (std::size_t i = 0; i < n; ++i) {
        re[i] *= reFactor;
        im[i] *= imFactor;
    }
}

}  // namespace

FftTables::~FftTables() { FreeDoubles(m_block); }

// The tiled transform of n ≥ 16 points (tile > 0) for Fft and FftInterleaved.
int TiledTransform(const double* inRe, const double* inIm, bool interleaved, double* outRe, double* outIm,
                   uint32_t n, int tile, bool inverse, FftTables* shared);

int FftInterleaved(const double* x, double* outRe, double* outIm, uint32_t n, FftTables* shared) {
    if (n == 0 || (n & (n - 1)) != 0) return WA_ERR_ARGUMENT;
    const int tile = TileFor(n);
    if (tile == 0) {
        // Up to 8 points: taken apart here for the plain transform.
        double re[8], im[8];
        for (uint32_t m = 0; m < n; ++m) {
            re[m] = x[2 * m];
            im[m] = x[2 * m + 1];
        }
        return Fft(re, im, outRe, outIm, n, kFftForward, shared);
    }
    return TiledTransform(x, nullptr, true, outRe, outIm, n, tile, false, shared);
}

int Fft(const double* inRe, const double* inIm, double* outRe, double* outIm, uint32_t n, int direction,
        FftTables* shared) {
    if (n == 0 || (n & (n - 1)) != 0) return WA_ERR_ARGUMENT;
    const bool inverse = direction == kFftInverse;
    if (n == 1) {
        outRe[0] = inRe[0];
        outIm[0] = inIm ? inIm[0] : 0.0;
        return WA_OK;
    }
    if (n == 2) {
        // The table's layout has no room for cos 0 at n = 2; the one butterfly
        // has the twiddle 1.
        const double x0r = inRe[0], x1r = inRe[1];
        const double x0i = inIm ? inIm[0] : 0.0, x1i = inIm ? inIm[1] : 0.0;
        const double scale = inverse ? 0.5 : 1.0;
        outRe[0] = (x0r + x1r) * scale;
        outRe[1] = (x0r - x1r) * scale;
        outIm[0] = (x0i + x1i) * scale;
        outIm[1] = (x0i - x1i) * scale;
        return WA_OK;
    }
    const int tile = TileFor(n);
    if (tile == 0) {
        double sine[8 + 2];
        BuildSineTable(sine, n);
        SmallTransform(inRe, inIm, outRe, outIm, n, inverse ? -1.0 : 1.0, sine);
        if (inverse) ScaleArrays(outRe, outIm, n, 1.0 / n, 1.0 / n);
        return WA_OK;
    }
    return TiledTransform(inRe, inIm, false, outRe, outIm, n, tile, inverse, shared);
}

int TiledTransform(const double* inRe, const double* inIm, bool interleaved, double* outRe, double* outIm,
                   uint32_t n, int tile, bool inverse, FftTables* shared) {
    // One block for all tables: the sine table as far as it is read
    // (entries 0 … n/2), the twiddles of the stages T … n/4 (n/2 each for
    // cosines and sines, stage k at [k, 2k)), the scratch of a column chunk
    // and the bit reversal of the n/T² tile indices.
    const std::size_t sineSize = n / 2 + 8;
    const std::size_t twiddleSize = n / 2;
    const std::size_t tiles = n / (std::size_t(tile) * tile);
    const Geometry geometry = GeometryFor(n, tile);
    const bool built = shared && shared->m_block && shared->m_n == n && shared->m_tile == tile;
    ScopedDoubles own(built ? 0 : sineSize + 2 * twiddleSize + 2 * geometry.scratch + (tiles + 1) / 2);
    if (!built && !own) return WA_ERR_MEMORY;
    double* const sine = built ? shared->m_block : own.get();
    double* const twiddleCos = sine + sineSize;
    double* const twiddleSin = twiddleCos + twiddleSize;
    double* const scratchRe = twiddleSin + twiddleSize;
    double* const scratchIm = scratchRe + geometry.scratch;
    uint32_t* const tileReversal = reinterpret_cast<uint32_t*>(scratchIm + geometry.scratch);
    if (!built) {
        BuildSineTableHalf(sine, n);
        BuildBitReversal(tileReversal, static_cast<uint32_t>(tiles));
        BuildTwiddles(twiddleCos, twiddleSin, sine, n, tile, geometry.blockPoints);
        if (shared) {
            FreeDoubles(shared->m_block);
            shared->m_block = own.release();
            shared->m_n = n;
            shared->m_tile = tile;
        }
    }

    const FftWork work{inRe,      inIm,      outRe, outIm, tileReversal, twiddleCos, twiddleSin,
                       sine,      scratchRe, scratchIm, n,  geometry.blockPoints, geometry.chunkWidth,
                       inverse ? -1.0 : 1.0, interleaved};
    RunTransform(work, tile);
    // Forward: as computed. Inverse: the conjugate, divided by n.
    if (inverse) ScaleArrays(outRe, outIm, n, 1.0 / n, -1.0 / n);
    return WA_OK;
}

}  // namespace lmcmanlz
