// Allocation of the library's double arrays: 64-byte aligned (one cache line,
// one AVX-512 vector), never throwing; nullptr on failure. Built on plain
// malloc, whose large-block threshold adapts to repeated big arrays, so that
// a filter run on a long waveform reuses memory instead of faulting in fresh
// pages on every call.
#ifndef LMCMANLZ_MEMORY_H
#define LMCMANLZ_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace lmcmanlz {

inline constexpr std::size_t kArrayAlignment = 64;

template <class T>
inline T* AllocArray(std::size_t count) {
    if (count == 0) count = 1;
    if (count > (SIZE_MAX - kArrayAlignment) / sizeof(T)) return nullptr;
    // The block from malloc is stored just before the aligned address.
    void* raw = std::malloc(count * sizeof(T) + kArrayAlignment);
    if (!raw) return nullptr;
    const std::uintptr_t aligned =
        (reinterpret_cast<std::uintptr_t>(raw) + kArrayAlignment) & ~(std::uintptr_t(kArrayAlignment) - 1);
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<T*>(aligned);
}

template <class T>
inline void FreeArray(T* p) {
    if (p) std::free(reinterpret_cast<void**>(p)[-1]);
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
