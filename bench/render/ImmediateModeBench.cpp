// A frame of 2D drawing: 10,000 small filled rectangles, or 10,000 glyphs of
// text in 100 lines, batched through the drawing context; glFinish included,
// vertical sync off, 640 × 480. Needs a display and the shader files (found
// under data/ from the repository's root):
//   scripts/with-display.sh build/bin/quill_bench_draw                  (llvmpipe: full cost)
//   GALLIUM_NOOP=1 scripts/with-display.sh build/bin/quill_bench_draw   (drawing discarded: host cost)
#include "RenderBench.h"
#include "engine/draw/Font.h"
#include "engine/draw/ImmediateMode.h"
#include "engine/render/Renderer.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace engine;

namespace {

constexpr int Width = 640;
constexpr int Height = 480;
constexpr int Count = 10000;

void rectangles(benchmark::State& state) {
    Renderer& renderer = *Renderer::current();
    DrawContext& draw = drawContext();
    for (auto _ : state) {
        renderer.beginRender();
        draw.beginDraw();
        for (int i = 0; i < Count; ++i) {
            draw.fillRect((i % 100) * 6, (i / 100) * 4, 5, 3,
                          {uint8_t(i), uint8_t(i >> 3), 200, 255});
        }
        draw.endDraw();
        glFinish();
        renderer.endRender();
    }
    state.counters["rectangles"] = Count;
}

void glyphs(benchmark::State& state) {
    Renderer& renderer = *Renderer::current();
    DrawContext& draw = drawContext();
    std::unique_ptr<Font> font(Font::createBuiltin(1));
    std::string line;
    for (int i = 0; i < 100; ++i)
        line += char('!' + i % 90);
    for (auto _ : state) {
        renderer.beginRender();
        draw.beginDraw();
        for (int row = 0; row < 100; ++row)
            draw.drawText(line, 0, float(row % 36) * 13, *font, {255, 255, 255, 255});
        draw.endDraw();
        glFinish();
        renderer.endRender();
    }
    state.counters["glyphs"] = Count;
}

// Alternating kinds: every primitive is a draw call of its own.
void alternating(benchmark::State& state) {
    Renderer& renderer = *Renderer::current();
    DrawContext& draw = drawContext();
    for (auto _ : state) {
        renderer.beginRender();
        draw.beginDraw();
        for (int i = 0; i < 1000; ++i) {
            draw.fillRect((i % 100) * 6, (i / 100) * 4, 5, 3, {200, 200, 200, 255});
            draw.drawLine((i % 100) * 6, 200, (i % 100) * 6 + 5, 210, {255, 0, 0, 255});
        }
        draw.endDraw();
        glFinish();
        renderer.endRender();
    }
    state.counters["drawCalls"] = 2000;
}

} // namespace

BENCHMARK(rectangles)->Unit(benchmark::kMillisecond);
BENCHMARK(glyphs)->Unit(benchmark::kMillisecond);
BENCHMARK(alternating)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runRenderBenchmarks(argc, argv, Width, Height, "draw-bench", QUILL_DATA_DIR);
}
