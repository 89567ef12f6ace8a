#pragma once

#include "core/Stopwatch.h"

#include <string>
#include <vector>

// A frame profiler for scripts and host code: frames are bracketed with
// beginFrame/endFrame and named sections with beginBlock/endBlock. Only one
// frame every half second is measured, so that the numbers stay readable; the
// display shows the last measured frame until the next one.
namespace core {

class Profiler {
public:
    // The process-wide profiler; it outlives script restarts.
    static Profiler& instance();

    // Its frame clock starts now, so its first frame is measured.
    Profiler();

    void beginFrame();
    void endFrame();
    // A section is known by the address of its name, not by the text: equal
    // Lua strings share one copy, and host code passes constant strings.
    void beginBlock(const char* name);
    void endBlock();

    // The report of the last measured frame: one line per section in first-use
    // order, then the "Unclassified" line.
    std::vector<std::string> reportLines() const;

    bool sampling() const { return m_sampling; }

private:
    struct Section {
        const char* name;
        std::string text;  // the name's copy for the report, which outlives the string
        int count;
        float time;
        float start;
    };

    bool m_inFrame = false;
    bool m_sampling = false;
    float m_countdown = 0;
    float m_frameStart = 0;
    float m_frameEnd = 0;
    float m_unclassified = 0;
    int m_depth = 0;
    Stopwatch m_frameWatch;
    Stopwatch m_unclassifiedWatch;
    std::vector<Section> m_sections;
    std::vector<int> m_open;
};

// Opens a section for the life of the object, for host code.
class ProfileScope {
public:
    explicit ProfileScope(const char* name) { Profiler::instance().beginBlock(name); }
    ~ProfileScope() { Profiler::instance().endBlock(); }
    ProfileScope(const ProfileScope&) = delete;
    ProfileScope& operator=(const ProfileScope&) = delete;
};

} // namespace core
