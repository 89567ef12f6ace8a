#include "engine/audio/AudioStreamXA2.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "engine/audio/AudioEngineXA2.h"

#include <cstdio>
#include <system_error>

namespace engine {

namespace {

// The decoder reads the file through the file systems, so archived music
// streams like loose files. Host exceptions must not cross the C library.
size_t readFile(void* buffer, size_t size, size_t count, void* source) {
    auto* file = static_cast<core::File*>(source);
    try {
        int64_t position = file->getPosition();
        int64_t left = file->getLength() - position;
        int64_t wanted = int64_t(size) * int64_t(count);
        int64_t n = wanted < left ? wanted : left;
        if (n <= 0)
            return 0;
        file->read(buffer, n);
        return size_t(file->getPosition() - position);
    } catch (const core::Exception&) {
        return 0;
    }
}

int seekFile(void* source, ogg_int64_t offset, int whence) {
    auto* file = static_cast<core::File*>(source);
    try {
        switch (whence) {
        case SEEK_SET:
            file->seek(offset);
            return 0;
        case SEEK_CUR:
            file->skip(offset);
            return 0;
        case SEEK_END:
            file->seek(file->getLength() + offset);
            return 0;
        default:
            return 1;
        }
    } catch (const core::Exception&) {
        return 1;
    }
}

int closeFile(void* source) {
    delete static_cast<core::File*>(source);
    return 0;
}

long tellFile(void* source) {
    return long(static_cast<core::File*>(source)->getPosition());
}

const ov_callbacks FileCallbacks = {readFile, seekFile, closeFile, tellFile};

} // namespace

AudioStreamXA2::AudioStreamXA2(const std::string& fileName, bool loop) : m_loop(loop) {
    std::unique_ptr<core::File> file = core::openFile(fileName);
    // On failure the decoder leaves the file to us.
    if (ov_test_callbacks(file.get(), &m_vorbis, nullptr, 0, FileCallbacks) != 0)
        throw core::Exception("Not an Ogg Vorbis file");
    if (ov_test_open(&m_vorbis) != 0)
        throw core::Exception("Couldn't open Ogg Vorbis file");
    file.release();
    m_vorbisOpen = true;

    vorbis_info* info = ov_info(&m_vorbis, -1);
    m_sampleRate = uint32_t(info->rate);
    m_channels = uint16_t(info->channels);
    uint32_t frameBytes = 2u * m_channels;
    m_blockBytes = BufferBytes - BufferBytes % frameBytes;

    for (int i = 0; i < BufferCount; ++i) {
        m_blocks[i].reset(new uint8_t[BufferBytes]);
        AudioBuffer& buffer = m_buffers[i];
        buffer.audioBytes = m_blockBytes;
        buffer.audioData = m_blocks[i].get();
        buffer.context = &buffer;
    }
}

AudioStreamXA2::~AudioStreamXA2() {
    stopThread();
    // Closes and destroys the file through the close callback.
    if (m_vorbisOpen)
        ov_clear(&m_vorbis);
}

void AudioStreamXA2::signalWork() {
    {
        std::lock_guard<std::mutex> wake(m_wakeLock);
        m_work = true;
    }
    m_wake.notify_one();
}

void AudioStreamXA2::startThread() {
    if (m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_free.lock);
        m_free.list.clear();
        for (const AudioBuffer& buffer : m_buffers)
            m_free.list.push_front(buffer);
        m_free.running = true;
    }
    m_stopping = false;
    m_exited = false;
    m_stop = false;
    signalWork();
    try {
        m_thread = std::thread(&AudioStreamXA2::run, this);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(m_free.lock);
        m_free.running = false;
        throw Exception_XA2Error("_beginthreadex");
    }
}

void AudioStreamXA2::stopThread() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_free.lock);
        m_free.running = false;
    }
    m_stopping = true;
    {
        std::lock_guard<std::mutex> submit(m_submitLock);
        if (m_voice) {
            m_device->stop(m_voice, 0);
            m_device->flush(m_voice);
        }
    }
    {
        std::lock_guard<std::mutex> wake(m_wakeLock);
        m_stop = true;
    }
    m_wake.notify_one();
    // The thread looks at the stop flag between decoder calls, so this wait is
    // short; joining keeps the thread from outliving the stream's memory.
    m_thread.join();
}

void AudioStreamXA2::returnBuffer(void* context) {
    {
        std::lock_guard<std::mutex> lock(m_free.lock);
        if (!m_free.running)
            return;
        m_free.list.push_front(*static_cast<const AudioBuffer*>(context));
    }
    signalWork();
}

uint32_t AudioStreamXA2::fill(AudioBuffer& buffer) {
    char* block = reinterpret_cast<char*>(const_cast<uint8_t*>(buffer.audioData));
    uint32_t filled = 0;
    while (filled < m_blockBytes && !m_stopping) {
        int section = 0;
        long n = ov_read(&m_vorbis, block + filled, int(m_blockBytes - filled), 0, 2, 1, &section);
        if (n == 0)
            break;
        if (n < 0) {
            core::debugLog("AudioStreamXA2: error while reading (%d)\n", int(n));
            break;
        }
        filled += uint32_t(n);
    }
    return filled;
}

void AudioStreamXA2::run() {
    uint32_t frameBytes = 2u * m_channels;
    int emptyFills = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> wake(m_wakeLock);
            m_wake.wait(wake, [this] { return m_stop || m_work; });
            if (m_stop) {
                m_stop = false;
                break;
            }
        }

        AudioBuffer buffer;
        {
            std::lock_guard<std::mutex> lock(m_free.lock);
            if (m_free.list.empty()) {
                std::lock_guard<std::mutex> wake(m_wakeLock);
                m_work = false;
                continue;
            }
            buffer = m_free.list.front();
            m_free.list.pop_front();
        }

        uint32_t bytes = fill(buffer);
        if (m_stopping)
            break;
        bool ending = false;
        if (bytes < m_blockBytes) {
            buffer.playLength = bytes / frameBytes;
            // A looping stream never ends for the voice: marking the seam as an
            // end would restart the voice's count of played frames there.
            if (m_loop) {
                ov_raw_seek(&m_vorbis, 0);
            } else {
                buffer.flags = AudioBuffer::EndOfStream;
                ending = true;
            }
        }

        if (buffer.playLength == 0 && bytes < m_blockBytes) {
            // Nothing decoded: an empty play length would mean the whole block,
            // stale data and all. The block goes back to be filled from the
            // start; a file that yields nothing twice in a row has nothing to play.
            if (ending || ++emptyFills > 1)
                break;
            std::lock_guard<std::mutex> lock(m_free.lock);
            m_free.list.push_front(*static_cast<const AudioBuffer*>(buffer.context));
            continue;
        }
        emptyFills = 0;

        {
            std::lock_guard<std::mutex> submit(m_submitLock);
            if (!m_stopping && m_voice)
                m_device->submit(m_voice, buffer);
        }
        if (ending)
            break;
    }
    m_exited = true;
}

} // namespace engine
