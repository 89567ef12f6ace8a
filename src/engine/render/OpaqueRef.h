#pragma once

// A counted reference to an object whose class this code does not see (a
// skeleton, a texture): the object and the function that drops one count of
// it, deleting it at the last, as the object's own counted handles do.

#include "core/RefRegistry.h"

#include <utility>

namespace engine {

class OpaqueRef {
public:
    using Release = void (*)(void*);

    OpaqueRef() = default;
    OpaqueRef(void* object, Release release) : m_object(object), m_release(release) {
        if (m_object)
            core::refAcquire(m_object);
    }
    OpaqueRef(const OpaqueRef& other) : OpaqueRef(other.m_object, other.m_release) {}
    OpaqueRef& operator=(OpaqueRef other) noexcept {
        std::swap(m_object, other.m_object);
        std::swap(m_release, other.m_release);
        return *this;
    }
    ~OpaqueRef() { reset(); }

    void reset() {
        void* object = std::exchange(m_object, nullptr);
        Release release = std::exchange(m_release, nullptr);
        if (object && release)
            release(object);
        else if (object)
            core::refRelease(object);
    }

    void* get() const { return m_object; }
    Release release() const { return m_release; }

private:
    void* m_object = nullptr;
    Release m_release = nullptr;
};

} // namespace engine
