#pragma once

// An audio engine whose mixed output goes to a file through SDL's disk audio
// driver, for tests that check what was heard. Waits are bounded by generous
// deadlines and end as soon as their condition holds.

#include "engine/audio/AudioEngineXA2.h"

#include "audio/SoundFiles.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>

class DiskAudio {
public:
    explicit DiskAudio(const std::string& path) : m_path(path) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
        m_engine.reset(new engine::AudioEngineXA2);
    }

    engine::AudioEngineXA2& engine() { return *m_engine; }
    int channels() const { return int(m_engine->channelCount()); }

    // Output frames written so far.
    size_t framesWritten() const {
        struct stat info {};
        if (stat(m_path.c_str(), &info) != 0)
            return 0;
        return size_t(info.st_size) / (sizeof(float) * channels());
    }

    // Runs frames (frame() each time, then a short sleep) until the condition
    // holds; false when the deadline passed first.
    static bool runUntil(const std::function<bool()>& done, const std::function<void()>& frame,
                         std::chrono::seconds deadline = std::chrono::seconds(30)) {
        auto end = std::chrono::steady_clock::now() + deadline;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // Runs frames until the output has grown by the frames.
    bool runFor(size_t frames, const std::function<void()>& frame) {
        size_t target = framesWritten() + frames;
        return runUntil([&] { return framesWritten() >= target; }, frame);
    }

    // Ends the engine, which closes the file, and reads what was mixed.
    sound::Output finish() {
        int count = channels();
        m_engine.reset();
        return sound::readOutput(m_path, count);
    }

private:
    std::string m_path;
    std::unique_ptr<engine::AudioEngineXA2> m_engine;
};
