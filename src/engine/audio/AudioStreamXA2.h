#pragma once

// Music streamed from an Ogg Vorbis file: a thread of its own decodes a little
// ahead of playback into three rotating buffers that it submits to a source
// voice; the voice hands each buffer back when it has played it.

#include "engine/audio/AudioDevice.h"

#include <vorbis/vorbisfile.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace engine {

class AudioStreamXA2 {
public:
    static constexpr uint32_t BufferBytes = 131072;
    static constexpr int BufferCount = 3;

    // Opens and checks the file. Throws the file system's not-found error,
    // core::Exception "Not an Ogg Vorbis file" or "Couldn't open Ogg Vorbis file".
    AudioStreamXA2(const std::string& fileName, bool loop);
    // Ends the thread if it still runs, then closes the decoder and the file.
    ~AudioStreamXA2();
    AudioStreamXA2(const AudioStreamXA2&) = delete;
    AudioStreamXA2& operator=(const AudioStreamXA2&) = delete;

    // Of the first logical stream. Decoded samples are 16-bit, interleaved.
    uint32_t sampleRate() const { return m_sampleRate; }
    uint16_t channels() const { return m_channels; }
    void setVoice(AudioDevice* device, AudioVoice* voice) {
        m_device = device;
        m_voice = voice;
    }

    // Queues the three buffers and starts decoding; nothing when already running.
    // Throws engine::Exception_XA2Error "_beginthreadex" when no thread can be made.
    void startThread();
    // Stops the voice at once, drops its buffers and ends the thread. Buffers
    // the voice returns from now on are dropped.
    void stopThread();
    // Whether the thread still decodes or waits for buffers to fill.
    bool isDecoding() const { return m_thread.joinable() && !m_exited.load(); }

    // The voice is done with the buffer whose description is at context. Called
    // on the mixer's thread; touches only the free list and the work signal.
    void returnBuffer(void* context);

private:
    void run();
    // Decodes into the buffer's block from its start; the number of bytes decoded.
    uint32_t fill(AudioBuffer& buffer);
    void signalWork();

    struct FreeBuffers {
        std::mutex lock;
        std::list<AudioBuffer> list;  // most recently returned first
        bool running = false;          // returned buffers are taken back only while set
    } m_free;

    OggVorbis_File m_vorbis{};
    bool m_vorbisOpen = false;
    AudioDevice* m_device = nullptr;
    AudioVoice* m_voice = nullptr;
    bool m_loop;

    // The thread's wake-ups: work (manual reset) and stop, under one mutex.
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    bool m_work = false;
    bool m_stop = false;
    // Watched between decoder calls, so a stop never waits for a whole fill.
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_exited{false};
    // Held while a buffer goes to the voice, so a stop never races a submission.
    std::mutex m_submitLock;
    std::thread m_thread;

    uint32_t m_sampleRate = 0;
    uint16_t m_channels = 0;
    uint32_t m_blockBytes = BufferBytes;  // whole frames that fit in a block
    std::unique_ptr<uint8_t[]> m_blocks[BufferCount];
    // Never changed after construction; the thread works on copies. Each one's
    // context is its own address, which is how a returned buffer is known.
    AudioBuffer m_buffers[BufferCount] = {};
};

} // namespace engine
