#include "core/Profiler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using core::Profiler;

void sleepMs(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

struct Reading {
    std::string name;
    int count = 0;
    float milliseconds = 0;
};

// A report line back into its numbers.
Reading parse(const std::string& line) {
    Reading reading;
    reading.name = line.substr(0, line.find(' '));
    std::sscanf(line.c_str() + 30, " %d / %fms", &reading.count, &reading.milliseconds);
    if (reading.name == "Unclassified")
        std::sscanf(line.c_str() + 30, " %fms", &reading.milliseconds);
    return reading;
}

TEST(Profiler, OneFrameInEveryHalfSecondIsMeasured) {
    Profiler profiler;
    int measured = 0;
    auto start = std::chrono::steady_clock::now();
    // Frames 16 ms apart for 1.2 s: measured at once, after 0.5 s and after 1 s.
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1200)) {
        profiler.beginFrame();
        measured += profiler.sampling() ? 1 : 0;
        profiler.endFrame();
        sleepMs(16);
    }
    EXPECT_GE(measured, 2);
    EXPECT_LE(measured, 3);
}

TEST(Profiler, NestedSectionsCountInEachEnclosingOneAndUnclassifiedTimeOnlyOutside) {
    Profiler profiler;
    static const char outer[] = "outer";
    static const char inner[] = "inner";
    static const char sameText[] = "inner";
    profiler.beginFrame();
    ASSERT_TRUE(profiler.sampling());
    sleepMs(20);
    profiler.beginBlock(outer);
    profiler.beginBlock(inner);
    sleepMs(20);
    profiler.endBlock();
    profiler.beginBlock(inner);
    sleepMs(20);
    profiler.endBlock();
    profiler.beginBlock(sameText);  // the same text at another address is another section
    profiler.endBlock();
    profiler.endBlock();
    profiler.endBlock();  // one too many: ignored
    sleepMs(20);
    profiler.endFrame();

    std::vector<std::string> lines = profiler.reportLines();
    ASSERT_EQ(lines.size(), 4u);
    Reading first = parse(lines[0]), second = parse(lines[1]), third = parse(lines[2]), rest = parse(lines[3]);
    EXPECT_EQ(first.name, "outer");
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(second.name, "inner");
    EXPECT_EQ(second.count, 2);
    EXPECT_GE(second.milliseconds, 39.0f);
    EXPECT_GE(first.milliseconds, second.milliseconds);
    EXPECT_EQ(third.name, "inner");
    EXPECT_EQ(third.count, 1);
    EXPECT_EQ(rest.name, "Unclassified");
    EXPECT_GE(rest.milliseconds, 39.0f);
    EXPECT_EQ(lines[0].substr(0, 37), "outer                            1 / ");

    // A frame that is not measured leaves the report of the last one alone.
    profiler.beginFrame();
    ASSERT_FALSE(profiler.sampling());
    profiler.beginBlock(outer);
    profiler.endBlock();
    profiler.endFrame();
    EXPECT_EQ(profiler.reportLines(), lines);
}

TEST(Profiler, AReportBeforeAnyMeasuredFrameReadsZero) {
    Profiler profiler;
    EXPECT_EQ(profiler.reportLines(),
              std::vector<std::string>{"Unclassified                          0.00ms /   0.0%"});
}

} // namespace
