#include "core/HashMap.h"
#include "core/RefRegistry.h"

#include <gtest/gtest.h>

namespace {

TEST(HashMap, InsertReplacesFindsAndRemoves) {
    core::HashMap<std::string, std::string> map;
    map.insert("level", "3");
    map.insert("level", "4");
    map.insert("name", "x");
    EXPECT_EQ(map.count(), 2);
    ASSERT_NE(map.find("level"), nullptr);
    EXPECT_EQ(*map.find("level"), "4");
    EXPECT_TRUE(map.remove("level"));
    EXPECT_FALSE(map.remove("level"));
    EXPECT_EQ(map.find("level"), nullptr);
    EXPECT_EQ(map.count(), 1);
}

TEST(HashMap, CopyReplacesTheTargetsContent) {
    core::HashMap<std::string, std::string> a, b;
    a.insert("k", "v");
    b.insert("old", "gone");
    b = a;
    EXPECT_EQ(b.count(), 1);
    EXPECT_EQ(b.find("old"), nullptr);
    EXPECT_EQ(*b.find("k"), "v");
}

TEST(HashMap, ValuesStayPutWhileOtherKeysComeAndGo) {
    core::HashMap<const void*, uint32_t> map;
    int objects[600];
    uint32_t* first = &map.insert(&objects[0], 7);
    for (int i = 1; i < 600; ++i)
        map.insert(&objects[i], i);
    for (int i = 1; i < 600; i += 2)
        map.remove(&objects[i]);
    EXPECT_EQ(first, map.find(&objects[0]));
    EXPECT_EQ(*first, 7u);
}

TEST(HashMap, StringBucketIsFoldedFnv1a) {
    // FNV-1a of "" is 2166136261 = 0x811c9dc5: (0x811c9dc5 ^ 0x00811c9d) & 255 = 0x58.
    EXPECT_EQ(core::BucketOf<std::string>::get(""), 0x58u);
}

struct Tracked {
    static inline int alive = 0;
    Tracked() { ++alive; }
    ~Tracked() { --alive; }
};

TEST(CountedRef, SharesOneCountWithTheRegistry) {
    auto* object = new Tracked;
    {
        core::CountedRef<Tracked> a(object);
        core::CountedRef<Tracked> b = a;
        EXPECT_EQ(core::refCountOf(object), 2u);
        // A script handle takes its count from the same entry.
        core::refAcquire(object);
        EXPECT_EQ(core::refCountOf(object), 3u);
    }
    EXPECT_EQ(Tracked::alive, 1);
    ASSERT_TRUE(core::refRelease(object));
    EXPECT_EQ(core::refCountOf(object), 0u);
    delete object;

    {
        core::CountedRef<Tracked> only(new Tracked);
        core::CountedRef<Tracked> moved = std::move(only);
        EXPECT_FALSE(only);
    }
    EXPECT_EQ(Tracked::alive, 0);
}

} // namespace
