#pragma once

// A sample of the audible engine: a whole WAVE file in memory, played from
// one buffer.

#include "engine/audio/AudioDevice.h"
#include "engine/audio/AudioEngine.h"

#include <memory>
#include <vector>

namespace engine {

class SampleXA2 final : public Sample {
public:
    // Replaces the sound with the file's. Throws the WAVE reader's errors, and
    // "Failed to load sample from file %s" when the file holds no frames.
    void load(const char* fileName) override;

    const AudioFormat& format() const { return m_format; }
    // The whole sample, ending its stream.
    const AudioBuffer& buffer() const { return m_buffer; }
    uint32_t frameCount() const { return m_frameCount; }
    // The sound data the buffer points at. A voice that plays it holds a share,
    // so a reload never pulls the data from under a playing voice.
    const std::shared_ptr<const std::vector<uint8_t>>& data() const { return m_data; }

private:
    AudioFormat m_format;
    AudioBuffer m_buffer;
    uint32_t m_frameCount = 0;
    std::shared_ptr<const std::vector<uint8_t>> m_data;
};

} // namespace engine
