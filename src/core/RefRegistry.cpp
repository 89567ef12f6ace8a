#include "core/RefRegistry.h"

#include "core/HashMap.h"

namespace core {

namespace {
HashMap<const void*, uint32_t>& registry() {
    static HashMap<const void*, uint32_t> map;
    return map;
}
} // namespace

uint32_t* refAcquire(const void* object) {
    uint32_t* count = registry().find(object);
    if (!count)
        count = &registry().insert(object, 0);
    ++*count;
    return count;
}

bool refRelease(const void* object, uint32_t* count) {
    if (--*count != 0)
        return false;
    registry().remove(object);
    return true;
}

bool refRelease(const void* object) {
    uint32_t* count = registry().find(object);
    return count && refRelease(object, count);
}

uint32_t refCountOf(const void* object) {
    const uint32_t* count = registry().find(object);
    return count ? *count : 0;
}

} // namespace core
