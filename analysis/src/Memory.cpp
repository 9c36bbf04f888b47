#include "Memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <type_traits>

namespace lmcmanlz {

namespace {

// A block is a malloc'ed area with the aligned array inside it; the two words
// just before the array hold the malloc'ed address and the array's capacity in
// bytes (malloc's 16-byte alignment leaves at least 16 bytes in front).
void*& RawAddress(void* block) { return static_cast<void**>(block)[-1]; }
std::size_t& Capacity(void* block) { return static_cast<std::size_t*>(block)[-2]; }

constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;

// Asks for transparent huge pages on the whole 2 MiB pages inside a new block:
// one fault then maps 2 MiB instead of 4 KiB. The arrays of a long recording
// (tens of megabytes, more than the cache keeps) are faulted in afresh on
// every run, and this advice takes most of the page-fault time off them. It
// is only advice, and a kernel without huge pages ignores it.
void AdviseHugePages(std::uintptr_t begin, std::size_t bytes) {
    const std::uintptr_t from = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t to = (begin + bytes) & ~(kHugePage - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

void* AllocFresh(std::size_t bytes) {
    if (bytes > SIZE_MAX - kArrayAlignment) return nullptr;
    void* raw = std::malloc(bytes + kArrayAlignment);
    if (!raw) return nullptr;
    const std::uintptr_t aligned =
        (reinterpret_cast<std::uintptr_t>(raw) + kArrayAlignment) & ~(std::uintptr_t(kArrayAlignment) - 1);
    void* block = reinterpret_cast<void*>(aligned);
    RawAddress(block) = raw;
    Capacity(block) = bytes;
    AdviseHugePages(aligned, bytes);
    return block;
}

void FreeToMalloc(void* block) { std::free(RawAddress(block)); }

struct BlockCache {
    std::mutex mutex;
    void* blocks[kBlockCacheMaxBlocks] = {};  // least recently freed first
    std::size_t count = 0;
    std::size_t bytes = 0;
    bool closed = false;

    void RemoveAt(std::size_t index) {
        bytes -= Capacity(blocks[index]);
        for (std::size_t i = index + 1; i < count; ++i) blocks[i - 1] = blocks[i];
        --count;
    }
};

// Constant-initialised and trivially destructible, so the cache is usable
// from any static initialiser or destructor, before or after its closer.
static_assert(std::is_trivially_destructible_v<BlockCache>);
constinit BlockCache g_cache;

// Frees the kept blocks when the process ends (or the library is unloaded).
// Objects destroyed after this free straight to malloc.
struct BlockCacheCloser {
    ~BlockCacheCloser() { CloseBlockCache(); }
} g_closer;

// The smallest kept block of at least `bytes` that wastes at most half of
// itself, the most recently freed among equals; nullptr if none.
void* TakeCached(std::size_t bytes) {
    std::lock_guard<std::mutex> lock(g_cache.mutex);
    std::size_t best = g_cache.count;
    for (std::size_t i = 0; i < g_cache.count; ++i) {
        const std::size_t capacity = Capacity(g_cache.blocks[i]);
        if (capacity < bytes || capacity - bytes > bytes) continue;
        if (best == g_cache.count || capacity <= Capacity(g_cache.blocks[best])) best = i;
    }
    if (best == g_cache.count) return nullptr;
    void* block = g_cache.blocks[best];
    g_cache.RemoveAt(best);
    return block;
}

// Empties the cache; the blocks are freed outside the lock, as munmap is slow.
std::size_t Drain(bool close) {
    void* taken[kBlockCacheMaxBlocks];
    std::size_t count = 0;
    {
        std::lock_guard<std::mutex> lock(g_cache.mutex);
        if (close) g_cache.closed = true;
        count = g_cache.count;
        for (std::size_t i = 0; i < count; ++i) taken[i] = g_cache.blocks[i];
        g_cache.count = 0;
        g_cache.bytes = 0;
    }
    for (std::size_t i = 0; i < count; ++i) FreeToMalloc(taken[i]);
    return count;
}

constexpr std::uintptr_t kPage = 4096;
constexpr std::size_t kDiscardMinimum = std::size_t(1) << 20;

}  // namespace

void ZeroDoubles(double* p, std::size_t count) {
    const std::size_t bytes = count * sizeof(double);
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t from = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t to = (begin + bytes) & ~(kPage - 1);
    // Private anonymous pages given up with MADV_DONTNEED read as zeros from
    // then on; any failure falls back to writing the zeros.
    if (bytes >= kDiscardMinimum && to > from &&
        madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED) == 0) {
        std::memset(p, 0, from - begin);
        std::memset(reinterpret_cast<void*>(to), 0, begin + bytes - to);
        return;
    }
    std::memset(p, 0, bytes);
}

void* AllocBlock(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes >= kBlockCacheMinimum) {
        if (void* block = TakeCached(bytes)) return block;
    }
    void* block = AllocFresh(bytes);
    // Kept blocks may be what is missing.
    if (!block && ReleaseCachedBlocks() != 0) block = AllocFresh(bytes);
    return block;
}

void FreeBlock(void* block) {
    if (!block) return;
    const std::size_t capacity = Capacity(block);
    if (capacity < kBlockCacheMinimum || capacity > kBlockCacheMaxBytes) {
        FreeToMalloc(block);
        return;
    }
    void* dropped[kBlockCacheMaxBlocks + 1];
    std::size_t droppedCount = 0;
    {
        std::lock_guard<std::mutex> lock(g_cache.mutex);
        if (g_cache.closed) {
            dropped[droppedCount++] = block;
        } else {
            while (g_cache.count == kBlockCacheMaxBlocks || g_cache.bytes + capacity > kBlockCacheMaxBytes) {
                dropped[droppedCount++] = g_cache.blocks[0];
                g_cache.RemoveAt(0);
            }
            g_cache.blocks[g_cache.count++] = block;
            g_cache.bytes += capacity;
        }
    }
    for (std::size_t i = 0; i < droppedCount; ++i) FreeToMalloc(dropped[i]);
}

BlockCacheUsage CachedBlockUsage() {
    std::lock_guard<std::mutex> lock(g_cache.mutex);
    return {g_cache.count, g_cache.bytes};
}

std::size_t ReleaseCachedBlocks() { return Drain(false); }

void CloseBlockCache() { Drain(true); }

}  // namespace lmcmanlz
