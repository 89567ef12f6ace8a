#include "core/Random.h"

#include <gtest/gtest.h>

namespace {

// The reference outputs of the published generator.
TEST(MersenneTwister, MatchesTheReferenceOutputs) {
    core::MersenneTwister seeded;
    seeded.seed(5489u);
    EXPECT_EQ(seeded.next(), 3499211612u);
    EXPECT_EQ(seeded.next(), 581869302u);
    for (int i = 2; i < 9999; ++i)
        seeded.next();
    EXPECT_EQ(seeded.next(), 4123659995u);  // the 10000th output

    core::MersenneTwister byArray;
    const uint32_t keys[4] = {0x123, 0x234, 0x345, 0x456};
    byArray.seedByArray(keys, 4);
    EXPECT_EQ(byArray.next(), 1067595299u);
    EXPECT_EQ(byArray.next(), 955945823u);
    EXPECT_EQ(byArray.next(), 477289528u);
}

} // namespace
