// Allocation of the library's arrays: 64-byte aligned (one cache line, one
// AVX-512 vector), never throwing; nullptr on failure. Thread-safe.
//
// Freed blocks of kBlockCacheMinimum bytes or more are not handed back to
// malloc at once but kept in a small process-wide cache, and a later
// allocation takes the smallest kept block that fits, if it wastes at most
// half of it. glibc returns blocks of this size to the kernel on free (munmap,
// heap trimming), so without the cache every spectrum or filter call faults
// its multi-megabyte temporaries in afresh, which costs more than the
// arithmetic on them. The cache keeps at most kBlockCacheMaxBlocks blocks and
// kBlockCacheMaxBytes bytes, dropping the least recently freed first; it is
// emptied when an allocation fails (and that allocation retried), and when
// the process ends. The whole 2 MiB pages inside a new block are advised to be
// transparent huge pages, which makes faulting in a block the cache could not
// keep far cheaper.
#ifndef LMCMANLZ_MEMORY_H
#define LMCMANLZ_MEMORY_H

#include <cstddef>
#include <cstdint>

namespace lmcmanlz {

inline constexpr std::size_t kArrayAlignment = 64;

inline constexpr std::size_t kBlockCacheMinimum = std::size_t(256) << 10;
// 64 MiB: on a 10 s recording at 50 kHz (2^18-point spectra) the whole
// analysis chain runs again without faulting in a single page; longer
// recordings reuse what fits and fault the rest in on huge pages. Twice the
// bound gains about a tenth on a 60 s recording, not worth holding back
// another 64 MiB while idle.
inline constexpr std::size_t kBlockCacheMaxBytes = std::size_t(64) << 20;
inline constexpr std::size_t kBlockCacheMaxBlocks = 16;

// At least `bytes` bytes (one for 0), aligned to kArrayAlignment; nullptr
// when they cannot be had. Release with FreeBlock only.
void* AllocBlock(std::size_t bytes);
// Releases a block of AllocBlock (any thread); nullptr is ignored.
void FreeBlock(void* block);

struct BlockCacheUsage {
    std::size_t blocks;
    std::size_t bytes;
};
// What the cache holds now.
BlockCacheUsage CachedBlockUsage();
// Hands every kept block back to malloc; returns how many there were.
std::size_t ReleaseCachedBlocks();
// Empties the cache for good: later frees go straight to malloc. Runs when
// the process ends; blocks freed after it are not kept.
void CloseBlockCache();

// Sets count doubles to +0.0. On a large array the whole pages inside it are
// handed back to the kernel instead of written (they read as zeros again
// and hold no memory until written), so that an array that is to hold only
// zeros costs no resident memory.
void ZeroDoubles(double* p, std::size_t count);

template <class T>
inline T* AllocArray(std::size_t count) {
    static_assert(alignof(T) <= kArrayAlignment);
    if (count == 0) count = 1;
    if (count > SIZE_MAX / sizeof(T)) return nullptr;
    return static_cast<T*>(AllocBlock(count * sizeof(T)));
}

template <class T>
inline void FreeArray(T* p) {
    FreeBlock(p);
}

inline double* AllocDoubles(std::size_t count) { return AllocArray<double>(count); }
inline void FreeDoubles(double* p) { FreeArray(p); }

// Owns one array until released or destroyed; for temporaries that must be
// freed on every path.
template <class T>
class ScopedArray {
public:
    explicit ScopedArray(std::size_t count) : m_p(AllocArray<T>(count)) {}
    ~ScopedArray() { FreeArray(m_p); }
    ScopedArray(const ScopedArray&) = delete;
    ScopedArray& operator=(const ScopedArray&) = delete;
    T* get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T* release() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

private:
    T* m_p;
};

using ScopedDoubles = ScopedArray<double>;

}  // namespace lmcmanlz

#endif
