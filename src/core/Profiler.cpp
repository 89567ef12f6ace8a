#include "core/Profiler.h"

#include <cstdio>

namespace core {

namespace {

constexpr size_t ReservedSections = 256;

// Readings that are not positive show as 0.
float positive(float value) {
    return value > 0 ? value : 0;
}

} // namespace

Profiler& Profiler::instance() {
    static Profiler profiler;
    return profiler;
}

Profiler::Profiler() {
    m_sections.reserve(ReservedSections);
    m_open.reserve(ReservedSections);
}

void Profiler::beginFrame() {
    m_inFrame = true;
    m_sampling = false;
    m_countdown -= m_frameWatch.delta();
    if (m_countdown < 0) {
        m_sampling = true;
        while (m_countdown < 0)
            m_countdown += 0.5f;
    }
    if (m_sampling) {
        m_frameStart = m_frameWatch.elapsed();
        m_sections.clear();
        m_open.clear();
        m_unclassified = 0;
        m_unclassifiedWatch.reset();
        m_depth = 0;
    }
}

void Profiler::endFrame() {
    m_inFrame = false;
    if (!m_sampling)
        return;
    m_frameEnd = m_frameWatch.elapsed();
    m_unclassified += m_unclassifiedWatch.elapsed();
}

void Profiler::beginBlock(const char* name) {
    if (!m_sampling)
        return;
    int index = 0;
    while (index < static_cast<int>(m_sections.size()) && m_sections[index].name != name)
        ++index;
    if (index == static_cast<int>(m_sections.size()))
        m_sections.push_back({name, name, 0, 0, 0});
    m_open.push_back(index);
    Section& section = m_sections[index];
    section.start = m_frameWatch.elapsed();
    ++section.count;
    if (m_depth == 0)
        m_unclassified += m_unclassifiedWatch.elapsed();
    ++m_depth;
}

void Profiler::endBlock() {
    // An end without a begin is ignored.
    if (!m_sampling || m_open.empty())
        return;
    Section& section = m_sections[m_open.back()];
    m_open.pop_back();
    section.time += m_frameWatch.elapsed() - section.start;
    if (--m_depth == 0)
        m_unclassifiedWatch.reset();
}

std::vector<std::string> Profiler::reportLines() const {
    float frameTime = m_frameEnd - m_frameStart;
    std::vector<std::string> lines;
    char line[512];
    for (const Section& section : m_sections) {
        std::snprintf(line, sizeof line, "%-30s %3d / %5.2fms / %5.1f%%", section.text.c_str(), section.count,
                      positive(section.time * 1000), positive(section.time * 100 / frameTime));
        lines.push_back(line);
    }
    std::snprintf(line, sizeof line, "%-30s       %5.2fms / %5.1f%%", "Unclassified", positive(m_unclassified * 1000),
                  positive(m_unclassified * 100 / frameTime));
    lines.push_back(line);
    return lines;
}

} // namespace core
