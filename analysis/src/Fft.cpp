#include "Fft.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>

#include "Memory.h"
#include "SimdDispatch.h"
#include "WAStatus.h"

namespace lmcmanlz {

void BuildSineTable(double* entry, uint32_t n) {
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
    for (uint32_t i = 0; i < quarter; ++i) entry[n / 2 - i] = entry[i];
    // entry[i + n/2] = −entry[i] for i < n/2 + n/4, in two loops whose reads
    // and writes do not overlap (the second reads what the first wrote).
    for (uint32_t i = 0; i < n / 2; ++i) entry[i + n / 2] = -entry[i];
    for (uint32_t i = n / 2; i < n / 2 + quarter; ++i) entry[i + n / 2] = -entry[i];
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

// Points transformed in cache before the larger stages run over the whole
// array (re + im of 4096 points = 64 KiB).
constexpr std::size_t kBlockPoints = 16384;

struct FftWork {
    const double* inRe;
    const double* inIm;
    double* re;
    double* im;
    const uint32_t* reversal;
    const double* twiddleCos;  // stage k < n/2 at [k, 2k): cos(2πj/(2k))
    const double* twiddleSin;  // stage k < n/2 at [k, 2k): sin(2πj/(2k))
    const double* sineTable;   // the last stage reads the table directly
    std::size_t n;
    double sign;               // +1 forward, −1 inverse (applied to the sines)
};

KR_ALWAYS_INLINE const double* StageCos(const FftWork& w, std::size_t k) {
    return 2 * k == w.n ? w.sineTable + w.n / 4 : w.twiddleCos + k;
}
KR_ALWAYS_INLINE const double* StageSin(const FftWork& w, std::size_t k) {
    return 2 * k == w.n ? w.sineTable : w.twiddleSin + k;
}

// Bit-reversed gather of one block of output positions fused with the first
// two stages. Their twiddles are exact (cos 0 = 1, sin 0 = 0 at k = 1; the
// table's −0 and ±1 at k = 2), so the butterflies reduce to sums, differences
// and a swap of real and imaginary parts.
KR_ALWAYS_INLINE void GatherFirstStages(const FftWork& w, std::size_t begin, std::size_t end) {
    const uint32_t* rev = w.reversal;
    const double sg = w.sign;
    for (std::size_t i = begin; i < end; i += 4) {
        const uint32_t p0 = rev[i], p1 = rev[i + 1], p2 = rev[i + 2], p3 = rev[i + 3];
        const double x0r = w.inRe[p0], x1r = w.inRe[p1], x2r = w.inRe[p2], x3r = w.inRe[p3];
        double x0i = 0.0, x1i = 0.0, x2i = 0.0, x3i = 0.0;
        if (w.inIm) {
            x0i = w.inIm[p0];
            x1i = w.inIm[p1];
            x2i = w.inIm[p2];
            x3i = w.inIm[p3];
        }
        const double b0r = x0r + x1r, b1r = x0r - x1r, b2r = x2r + x3r, b3r = x2r - x3r;
        const double b0i = x0i + x1i, b1i = x0i - x1i, b2i = x2i + x3i, b3i = x2i - x3i;
        const double dx = sg * b3i;
        const double dy = -sg * b3r;
        w.re[i] = b0r + b2r;
        w.re[i + 2] = b0r - b2r;
        w.im[i] = b0i + b2i;
        w.im[i + 2] = b0i - b2i;
        w.re[i + 1] = b1r + dx;
        w.re[i + 3] = b1r - dx;
        w.im[i + 1] = b1i + dy;
        w.im[i + 3] = b1i - dy;
    }
}

// One butterfly on vectors: (a, b) → (a + w·b, a − w·b), w = c − i·s.
template <class V>
KR_ALWAYS_INLINE void Butterfly(V& ar, V& ai, V& br, V& bi, V c, V s) {
    const V dx = s * bi + c * br;
    const V dy = c * bi - s * br;
    br = ar - dx;
    ar = ar + dx;
    bi = ai - dy;
    ai = ai + dy;
}

// Stage k alone over [begin, end) (blocks of 2k points); k ≥ W.
template <int W>
KR_ALWAYS_INLINE void SingleStage(const FftWork& w, std::size_t begin, std::size_t end, std::size_t k) {
    using V = typename Simd<W>::V;
    const double* tc = StageCos(w, k);
    const double* ts = StageSin(w, k);
    const V sg = Broadcast<V>(w.sign);
    for (std::size_t base = begin; base < end; base += 2 * k) {
        double* r0 = w.re + base;
        double* i0 = w.im + base;
        double* r1 = r0 + k;
        double* i1 = i0 + k;
        for (std::size_t j = 0; j < k; j += W) {
            V ar = Load<V>(r0 + j), ai = Load<V>(i0 + j), br = Load<V>(r1 + j), bi = Load<V>(i1 + j);
            Butterfly(ar, ai, br, bi, Load<V>(tc + j), sg * Load<V>(ts + j));
            Store(r0 + j, ar);
            Store(i0 + j, ai);
            Store(r1 + j, br);
            Store(i1 + j, bi);
        }
    }
}

// Stages k and 2k in one sweep over [begin, end) (blocks of 4k points), the
// four points of each pair of butterflies kept in registers; k ≥ W.
template <int W>
KR_ALWAYS_INLINE void TwoStages(const FftWork& w, std::size_t begin, std::size_t end, std::size_t k) {
    using V = typename Simd<W>::V;
    const double* c1 = StageCos(w, k);
    const double* s1 = StageSin(w, k);
    const double* c2 = StageCos(w, 2 * k);
    const double* s2 = StageSin(w, 2 * k);
    const V sg = Broadcast<V>(w.sign);
    for (std::size_t base = begin; base < end; base += 4 * k) {
        double* r0 = w.re + base;
        double* i0 = w.im + base;
        for (std::size_t j = 0; j < k; j += W) {
            V a0r = Load<V>(r0 + j), a1r = Load<V>(r0 + k + j);
            V a2r = Load<V>(r0 + 2 * k + j), a3r = Load<V>(r0 + 3 * k + j);
            V a0i = Load<V>(i0 + j), a1i = Load<V>(i0 + k + j);
            V a2i = Load<V>(i0 + 2 * k + j), a3i = Load<V>(i0 + 3 * k + j);
            const V wc = Load<V>(c1 + j), ws = sg * Load<V>(s1 + j);
            Butterfly(a0r, a0i, a1r, a1i, wc, ws);
            Butterfly(a2r, a2i, a3r, a3i, wc, ws);
            Butterfly(a0r, a0i, a2r, a2i, Load<V>(c2 + j), sg * Load<V>(s2 + j));
            Butterfly(a1r, a1i, a3r, a3i, Load<V>(c2 + k + j), sg * Load<V>(s2 + k + j));
            Store(r0 + j, a0r);
            Store(r0 + k + j, a1r);
            Store(r0 + 2 * k + j, a2r);
            Store(r0 + 3 * k + j, a3r);
            Store(i0 + j, a0i);
            Store(i0 + k + j, a1i);
            Store(i0 + 2 * k + j, a2i);
            Store(i0 + 3 * k + j, a3i);
        }
    }
}

// Runs the stages from k = first upwards whose blocks span at most `limit`
// points over [begin, end). Stages after the first two go in pairs; an odd
// one out runs alone first (k = 4). Returns the first stage not run.
template <int W>
KR_ALWAYS_INLINE std::size_t RunStages(const FftWork& w, std::size_t begin, std::size_t end, std::size_t first,
                                       std::size_t limit) {
    const std::size_t n = w.n;
    std::size_t k = first;
    if (k == 4 && n >= 8) {
        // log2(n) − 2 stages remain from k = 4; with an odd count, k = 4 alone.
        std::size_t remaining = 0;
        for (std::size_t t = 4; t < n; t *= 2) ++remaining;
        if (remaining % 2 == 1) {
            if (2 * k > limit) return k;
            SingleStage<4>(w, begin, end, k);
            k *= 2;
        } else {
            if (4 * k > limit) return k;
            TwoStages<4>(w, begin, end, k);
            k *= 4;
        }
    }
    while (k < n && 4 * k <= limit) {
        if (k >= static_cast<std::size_t>(W)) {
            TwoStages<W>(w, begin, end, k);
        } else {
            TwoStages<4>(w, begin, end, k);
        }
        k *= 4;
    }
    return k;
}

template <int W>
KR_ALWAYS_INLINE void FftStages(const FftWork& w) {
    const std::size_t n = w.n;
    const std::size_t block = n < kBlockPoints ? n : kBlockPoints;
    std::size_t next = 4;
    // Block b gathers the input at stride n/block from offset reverse(b); in
    // the order of that offset, neighbouring blocks read neighbouring samples
    // of the same cache lines while those are still in cache.
    const std::size_t blocks = n / block;
    int blockBits = 0;
    while ((std::size_t(1) << blockBits) < blocks) ++blockBits;
    for (std::size_t offset = 0; offset < blocks; ++offset) {
        std::size_t b = 0;
        for (int bit = 0; bit < blockBits; ++bit) b |= ((offset >> bit) & 1u) << (blockBits - 1 - bit);
        const std::size_t begin = b * block;
        GatherFirstStages(w, begin, begin + block);
        next = RunStages<W>(w, begin, begin + block, 4, block);
    }
    RunStages<W>(w, 0, n, next, n);
}

KR_TARGET_AVX512 void FftStagesAvx512(const FftWork& w) { FftStages<8>(w); }
KR_TARGET_AVX2 void FftStagesAvx2(const FftWork& w) { FftStages<4>(w); }
void FftStagesBaseline(const FftWork& w) { FftStages<4>(w); }

void FftStagesDispatch(const FftWork& w) {
    switch (ActiveSimdLevel()) {
    case SimdLevel::Avx512: FftStagesAvx512(w); break;
    case SimdLevel::Avx2: FftStagesAvx2(w); break;
    default: FftStagesBaseline(w); break;
    }
}

KR_SIMD_CLONES void ScaleArrays(double* re, double* im, std::size_t n, double factor) {
    for (std::size_t i = 0; i < n; ++i) {
        re[i] *= factor;
        im[i] *= factor;
    }
}

}  // namespace

int Fft(const double* inRe, const double* inIm, double* outRe, double* outIm, uint32_t n, int direction) {
    if (n == 0 || (n & (n - 1)) != 0) return WA_ERR_ARGUMENT;
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
        const double scale = direction == kFftInverse ? 0.5 : 1.0;
        outRe[0] = (x0r + x1r) * scale;
        outRe[1] = (x0r - x1r) * scale;
        outIm[0] = (x0i + x1i) * scale;
        outIm[1] = (x0i - x1i) * scale;
        return WA_OK;
    }
    // One block for all tables: sine table (n + n/4), twiddles of the
    // stages before the last (2 · n/2), bit-reversal table (n indices).
    const std::size_t sineSize = std::size_t(n) + n / 4;
    const std::size_t twiddleSize = n / 2;
    ScopedDoubles tables(sineSize + 2 * twiddleSize + (std::size_t(n) + 1) / 2);
    if (!tables) return WA_ERR_MEMORY;
    double* const sine = tables.get();
    double* const twiddleCos = sine + sineSize;
    double* const twiddleSin = twiddleCos + twiddleSize;
    uint32_t* const reversal = reinterpret_cast<uint32_t*>(twiddleSin + twiddleSize);
    BuildSineTable(sine, n);
    BuildBitReversal(reversal, n);

    const double sign = direction == kFftInverse ? -1.0 : 1.0;
    const uint32_t quarter = n / 4;
    // Twiddles of stage k (angle index h = j·n/(2k)) laid out contiguously;
    // the last stage (k = n/2, h = j) reads the table in place, and each
    // earlier stage takes every other twiddle of the stage after it.
    for (uint32_t k = n / 4; k >= 4; k /= 2) {
        const double* nextCos = 2 * k == n / 2 ? sine + quarter : twiddleCos + 2 * k;
        const double* nextSin = 2 * k == n / 2 ? sine : twiddleSin + 2 * k;
        double* tc = twiddleCos + k;
        double* ts = twiddleSin + k;
        for (uint32_t j = 0; j < k; ++j) {
            tc[j] = nextCos[2 * j];
            ts[j] = nextSin[2 * j];
        }
    }

    const FftWork work{inRe, inIm, outRe, outIm, reversal, twiddleCos, twiddleSin, sine, n, sign};
    FftStagesDispatch(work);
    if (direction == kFftInverse) ScaleArrays(outRe, outIm, n, 1.0 / static_cast<double>(n));
    return WA_OK;
}

}  // namespace lmcmanlz
