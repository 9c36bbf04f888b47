// Allocation of the library's double arrays: 64-byte aligned (one cache line,
// one AVX-512 vector), never throwing; nullptr on failure.
#ifndef LMCMANLZ_MEMORY_H
#define LMCMANLZ_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <new>

namespace lmcmanlz {

inline constexpr std::size_t kArrayAlignment = 64;

template <class T>
inline T* AllocArray(std::size_t count) {
    if (count == 0) count = 1;
    if (count > SIZE_MAX / sizeof(T)) return nullptr;
    return static_cast<T*>(::operator new(count * sizeof(T), std::align_val_t(kArrayAlignment), std::nothrow));
}

template <class T>
inline void FreeArray(T* p) {
    if (p) ::operator delete(p, std::align_val_t(kArrayAlignment));
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
