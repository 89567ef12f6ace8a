#pragma once

#include <cstdint>
#include <utility>

namespace core {

// The process-wide reference registry: object address -> share count. Script
// handles and engine objects that hold one another share this one count.
// Main thread only.

// Finds or creates the entry of an object and adds one to its count. The
// returned pointer stays valid until the entry is removed.
uint32_t* refAcquire(const void* object);

// Takes one away from a count obtained through refAcquire. Returns true when it
// reached zero: the entry is then gone and the caller deletes the object.
bool refRelease(const void* object, uint32_t* count);
bool refRelease(const void* object);

// The current count of an object, 0 when it has no entry.
uint32_t refCountOf(const void* object);

// A shared pointer whose count lives in the reference registry.
template <class T>
class CountedRef {
public:
    CountedRef() = default;
    explicit CountedRef(T* object) : m_object(object), m_count(object ? refAcquire(object) : nullptr) {}
    CountedRef(const CountedRef& other) : m_object(other.m_object), m_count(other.m_count) {
        if (m_count)
            ++*m_count;
    }
    CountedRef(CountedRef&& other) noexcept : m_object(other.m_object), m_count(other.m_count) {
        other.m_object = nullptr;
        other.m_count = nullptr;
    }
    CountedRef& operator=(CountedRef other) noexcept {
        std::swap(m_object, other.m_object);
        std::swap(m_count, other.m_count);
        return *this;
    }
    ~CountedRef() { reset(); }

    void reset() {
        T* object = m_object;
        uint32_t* count = m_count;
        m_object = nullptr;
        m_count = nullptr;
        if (count && refRelease(object, count))
            delete object;
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object = nullptr;
    uint32_t* m_count = nullptr;
};

} // namespace core
