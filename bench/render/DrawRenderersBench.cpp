// 2D drawing per frame on each renderer the build has: 10,000 and 100,000
// small filled rectangles and 10,000 text glyphs through the drawing
// context, 640 x 480, vertical sync off. Host cost: the time from beginRender
// to the end of endRender, the driver's work included, the median of the
// frames. Self-timed (no benchmark library), so that the Windows build runs
// it under Wine too:
//   scripts/with-display.sh build/bin/quill_bench_draw_renderers
//   scripts/test-windows.sh build-windows   (then, under Wine, bin/quill_bench_draw_renderers.exe)
// Prints one row per renderer and case; "d3d9" rows only on Windows.
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Frame.h"
#include "engine/draw/Font.h"
#include "engine/draw/ImmediateMode.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/Renderer.h"
#include "EachRenderer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace engine;

namespace {

constexpr int Width = 640;
constexpr int Height = 480;
constexpr int Frames = 30;

double medianFrameMs(const std::function<void(DrawContext&)>& drawFrame) {
    Renderer& renderer = *Renderer::current();
    DrawContext& draw = drawContext();
    std::vector<double> times;
    for (int frame = 0; frame < Frames + 3; ++frame) {
        auto start = std::chrono::steady_clock::now();
        renderer.beginRender();
        draw.beginDraw();
        drawFrame(draw);
        draw.endDraw();
        renderer.endRender();
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (frame >= 3) // the first frames warm caches and buffers
            times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void rectangles(DrawContext& draw, int count) {
    for (int i = 0; i < count; ++i)
        draw.fillRect((i % 100) * 6, (i / 100 % 120) * 4, 5, 3, {uint8_t(i), uint8_t(i >> 3), 200, 255});
}

void runCases(const char* name) {
    std::unique_ptr<Font> font(Font::createBuiltin(1));
    std::string line;
    for (int i = 0; i < 100; ++i)
        line += char('!' + i % 90);
    struct Case {
        const char* label;
        std::function<void(DrawContext&)> draw;
    };
    const Case cases[] = {
        {"rectangles 10000", [](DrawContext& d) { rectangles(d, 10000); }},
        {"rectangles 100000", [](DrawContext& d) { rectangles(d, 100000); }},
        {"glyphs 10000",
         [&](DrawContext& d) {
             for (int row = 0; row < 100; ++row)
                 d.drawText(line, 0, float(row % 36) * 13, *font, {255, 255, 255, 255});
         }},
    };
    for (const Case& c : cases)
        std::printf("%-7s %-18s %8.2f ms/frame\n", name, c.label, medianFrameMs(c.draw));
    std::fflush(stdout);
}

} // namespace

int main(int, char**) {
    return runOnEachRenderer("draw-renderers-bench", Width, Height,
                             [](const char* name, RenderEngineKind) { runCases(name); });
}
