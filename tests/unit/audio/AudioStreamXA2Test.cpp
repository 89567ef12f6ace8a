#include "engine/audio/AudioEngineXA2.h"
#include "engine/audio/AudioStreamXA2.h"

#include "audio/DiskAudio.h"
#include "audio/SoundFiles.h"
#include "support/ExceptionMessage.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cmath>

using engine::SoundSourceXA2;
using State = SoundSourceXA2::PlayState;

namespace {

struct Player {
    explicit Player(engine::AudioEngineXA2& engine)
        : world(engine.createWorld()), listener(engine.createListener()),
          source(static_cast<SoundSourceXA2*>(world->createSoundSource())) {}

    void frame(engine::AudioEngine& engine) {
        engine.beginFrame();
        engine.render(*world, *listener);
        engine.endFrame();
    }

    std::unique_ptr<engine::AudioWorld> world;
    std::unique_ptr<engine::AudioListener> listener;
    std::unique_ptr<SoundSourceXA2> source;
};

} // namespace

TEST(AudioStreamXA2, OpensOggFilesAndRejectsTheRest) {
    TempDirectory folder;
    TempDirectory::write("music.ogg", sound::sineOgg(4410, 2, 22050));
    TempDirectory::write("mono.ogg", sound::sineOgg(4410, 1, 44100));
    TempDirectory::write("sound.wav", sound::sineWave(4410));
    std::string truncated = sound::sineOgg(4410);
    TempDirectory::write("cut.ogg", truncated.substr(0, 60));

    engine::AudioStreamXA2 music("music.ogg", true);
    EXPECT_EQ(music.sampleRate(), 22050u);
    EXPECT_EQ(music.channels(), 2);
    EXPECT_EQ(engine::AudioStreamXA2("mono.ogg", true).channels(), 1);

    struct {
        const char* file;
        const char* message;
    } failures[] = {
        {"none.ogg", "File not found: none.ogg"},
        {"sound.wav", "Not an Ogg Vorbis file"},
        {"cut.ogg", "Not an Ogg Vorbis file"},
    };
    for (const auto& failure : failures)
        EXPECT_EQ(messageOf([&] { engine::AudioStreamXA2(failure.file, true); }), failure.message);
}

TEST(AudioStreamXA2, LoopingStreamsPlayOnFromTheBeginning) {
    TempDirectory folder;
    // One shorter than a buffer; one that fills exactly one buffer, so its end
    // is found by a fill that decodes nothing; one in mono.
    struct {
        const char* name;
        int frames, channels;
    } files[] = {{"short.ogg", 6615, 2}, {"whole.ogg", 32768, 2}, {"mono.ogg", 6615, 1}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        TempDirectory::write(file.name, sound::sineOgg(file.frames, file.channels));
        DiskAudio audio(folder.path() + "/out.raw");
        Player player(audio.engine());
        player.source->playStream(file.name);
        EXPECT_EQ(player.source->state(), State::StartPending);
        uint32_t target = uint32_t(file.frames) * 3 + 1000;
        ASSERT_TRUE(DiskAudio::runUntil([&] { return player.source->getSamplePosition() > target; },
                                        [&] {
                                            player.frame(audio.engine());
                                            ASSERT_TRUE(player.source->isPlaying());
                                        }));
        size_t stoppedAt = audio.framesWritten();
        player.source->stop();
        sound::Output out = audio.finish();
        // From the first sound to the stop, every stretch is sound: the seams
        // where the file starts again included.
        size_t first = 0;
        while (first < out.frames() && std::fabs(out.samples[first * out.channels]) < 0.01f)
            ++first;
        const size_t step = 2205;
        ASSERT_LT(first + 4 * step, stoppedAt);
        for (size_t at = first; at + step <= stoppedAt; at += step)
            EXPECT_GT(out.rms(0, at, at + step), 0.05) << "silent at frame " << at;
    }
}

TEST(AudioStreamXA2, StoppingEndsTheThreadAndLeavesNothingBehind) {
    TempDirectory folder;
    TempDirectory::write("music.ogg", sound::sineOgg(441000, 2));  // longer than the test
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    engine::AudioEngineXA2 engine;
    Player player(engine);
    // Stops at every stage: pending, just started while the thread decodes, playing.
    for (int round = 0; round < 30; ++round) {
        player.source->playStream("music.ogg");
        if (round % 3 > 0)
            player.frame(engine);
        if (round % 3 > 1)
            DiskAudio::runUntil([&] { return player.source->getSamplePosition() > 0; }, [&] { player.frame(engine); });
        player.source->stop();
        EXPECT_FALSE(player.source->isPlaying());
        EXPECT_FALSE(player.source->hasVoice());
    }
    // Destroying a source with its stream running is a stop.
    player.source->playStream("music.ogg");
    player.frame(engine);
    player.source.reset();
}
