#include "engine/render/Renderer.h"

#include "core/Exception.h"
#include "engine/draw/DebugDraw.h"
#include "engine/render/RenderableTexture.h"
#include "engine/render/StatisticsOverlay.h"
#include "engine/render/gl/RendererGL.h"
#ifdef _WIN32
#include "engine/render/d3d9/RendererD3D9.h"
#endif

#include <algorithm>
#include <cstdio>

namespace engine {

namespace {
Renderer* g_current = nullptr;
}

RenderStats& renderStats() {
    static RenderStats stats;
    return stats;
}

void queueStatisticsOverlay() {
    const RenderStats& stats = renderStats();
    const char* formats[] = {"Visible meshes:   %d", "Visible lights:   %d", "Draw segments:    %d",
                             "Shadow segments:  %d"};
    const int values[] = {stats.visibleMeshes, stats.visibleLights, stats.drawSegments, stats.shadowSegments};
    for (int line = 0; line < 4; ++line) {
        char text[64];
        std::snprintf(text, sizeof text, formats[line], values[line]);
        DebugDraw::drawText(text, {50.0f, 120.0f + 12.0f * float(line)}, DebugDraw::White);
    }
}

Renderer* Renderer::current() {
    return g_current;
}

Renderer::Renderer() {
    g_current = this;
}

// A renderer that outlives its successor must not take the successor's place away.
Renderer::~Renderer() {
    clearRenderBuffers();
    if (g_current == this)
        g_current = nullptr;
}

void Renderer::init(const RenderSettings& settings) {
    m_settings = settings;
    m_renderWidth = settings.width;
    m_renderHeight = settings.height;
    m_viewport = {0, 0, settings.width, settings.height};
}

void Renderer::resizeRenderBuffers(int width, int height) {
    m_renderWidth = width;
    m_renderHeight = height;
}

RenderableTexture* Renderer::getTemporaryRenderBuffer(int width, int height) {
    auto found = std::find_if(m_freeRenderBuffers.begin(), m_freeRenderBuffers.end(), [&](const auto& buffer) {
        return buffer->getWidth() == width && buffer->getHeight() == height;
    });
    core::CountedRef<RenderableTexture> buffer;
    if (found != m_freeRenderBuffers.end()) {
        buffer = std::move(*found);
        m_freeRenderBuffers.erase(found);
    } else {
        buffer = core::CountedRef<RenderableTexture>(createRenderBuffer(width, height));
    }
    m_usedRenderBuffers.push_back(buffer);
    return buffer.get();
}

void Renderer::releaseRenderBuffer(RenderableTexture* texture) {
    auto found = std::find_if(m_usedRenderBuffers.begin(), m_usedRenderBuffers.end(),
                              [&](const auto& buffer) { return buffer.get() == texture; });
    if (found == m_usedRenderBuffers.end())
        return;
    m_freeRenderBuffers.push_back(std::move(*found));
    m_usedRenderBuffers.erase(found);
}

void Renderer::releaseRenderBuffers() {
    for (auto& buffer : m_usedRenderBuffers)
        m_freeRenderBuffers.push_back(std::move(buffer));
    m_usedRenderBuffers.clear();
}

void Renderer::clearRenderBuffers() {
    m_usedRenderBuffers.clear();
    m_freeRenderBuffers.clear();
}

Renderer* createRenderer(RenderEngineKind kind) {
    switch (kind) {
    case RenderEngineKind::OpenGL:
        return new RendererGL;
    case RenderEngineKind::D3D9:
#ifdef _WIN32
        return new RendererD3D9;
#else
        throw core::Exception("Direct3D 9 renderer is not available on this platform");
#endif
    case RenderEngineKind::GLES2:
        break;
    }
    throw core::Exception("OpenGL ES 2 renderer is not available on this platform");
}

std::vector<Resolution> resolutionsOf(const std::vector<core::DisplayMode>& modes) {
    std::vector<Resolution> list;
    for (const core::DisplayMode& mode : modes) {
        Resolution resolution{mode.width, mode.height};
        if (mode.bitsPerPixel >= 15 && std::find(list.begin(), list.end(), resolution) == list.end())
            list.push_back(resolution);
    }
    std::sort(list.begin(), list.end(), [](const Resolution& a, const Resolution& b) {
        return a.width != b.width ? a.width < b.width : a.height < b.height;
    });
    return list;
}

} // namespace engine
