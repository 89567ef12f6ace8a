// The script thread's cost of audio per frame: one world of playing 3D sources
// whose nodes move every frame (panning and distance recomputed for each),
// and of stopping a music stream while its thread decodes. Sound goes to
// SDL's silent device; the mixer runs on its own thread.
#include "engine/audio/AudioEngineXA2.h"
#include "engine/audio/SampleXA2.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

void writeFile(const std::string& path, const std::string& data) {
    FILE* out = fopen(path.c_str(), "wb");
    fwrite(data.data(), 1, data.size(), out);
    fclose(out);
}

void put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xff);
}

// One second of a mono 16-bit tone.
std::string toneWave() {
    const int rate = 44100;
    std::string data;
    for (int i = 0; i < rate; ++i)
        put(data, uint16_t(int16_t(8000 * std::sin(i * 0.0627))), 2);
    std::string out = "RIFF";
    put(out, uint32_t(36 + data.size()), 4);
    out += "WAVEfmt ";
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, 1, 2);
    put(out, rate, 4);
    put(out, rate * 2, 4);
    put(out, 2, 2);
    put(out, 16, 2);
    out += "data";
    put(out, uint32_t(data.size()), 4);
    return out + data;
}

struct Audio {
    Audio() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        engine.reset(new engine::AudioEngineXA2);
    }
    std::unique_ptr<engine::AudioEngineXA2> engine;
};

void BM_Frame3DSources(benchmark::State& state) {
    writeFile("/tmp/quill-bench-tone.wav", toneWave());
    Audio audio;
    std::unique_ptr<engine::AudioWorld> world(audio.engine->createWorld());
    std::unique_ptr<engine::AudioListener> listener(audio.engine->createListener());
    core::CountedRef<engine::Sample> sample(engine::Sample::load(*audio.engine, "/tmp/quill-bench-tone.wav"));
    std::vector<std::unique_ptr<engine::Node>> nodes;
    for (int i = 0; i < state.range(0); ++i) {
        nodes.emplace_back(new engine::Node);
        engine::SoundSource* source = world->createSoundSource();
        nodes.back()->setComponent(engine::Component::SoundSourceKind, source);
        source->setLoop(true);
        source->setMaxDistance(50.0f);
        source->play(*sample, true);
    }
    float time = 0.0f;
    for (auto _ : state) {
        time += 0.016f;
        for (size_t i = 0; i < nodes.size(); ++i)
            nodes[i]->setPosition({20.0f * std::sin(time + i), 0.0f, 20.0f * std::cos(time + i)});
        audio.engine->beginFrame();
        audio.engine->render(*world, *listener);
        audio.engine->endFrame();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    nodes.clear();
}
BENCHMARK(BM_Frame3DSources)->Arg(16)->Arg(128)->Arg(512)->Unit(benchmark::kMicrosecond);

// Play music, let its thread start decoding, stop: the stop waits for the thread.
void BM_StopStream(benchmark::State& state) {
    const char* music = getenv("QUILL_BENCH_OGG");
    if (!music) {
        state.SkipWithError("set QUILL_BENCH_OGG to an Ogg Vorbis file");
        return;
    }
    Audio audio;
    std::unique_ptr<engine::AudioWorld> world(audio.engine->createWorld());
    std::unique_ptr<engine::AudioListener> listener(audio.engine->createListener());
    std::unique_ptr<engine::SoundSource> source(world->createSoundSource());
    for (auto _ : state) {
        state.PauseTiming();
        source->playStream(music);
        audio.engine->beginFrame();
        audio.engine->render(*world, *listener);
        audio.engine->endFrame();
        state.ResumeTiming();
        source->stop();
    }
}
BENCHMARK(BM_StopStream)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
