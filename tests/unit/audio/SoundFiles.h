#pragma once

// Sound files made in the tests: WAVE files written chunk by chunk, Ogg Vorbis
// files encoded from generated samples, and the mixed output that SDL's disk
// audio driver writes.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace sound {

inline void put16(std::string& out, uint32_t v) {
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}

inline void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

inline std::string chunk(const char* id, const std::string& body) {
    std::string out(id, 4);
    put32(out, uint32_t(body.size()));
    return out + body;
}

// The body of a "fmt " chunk; extra bytes follow the sixteen standard ones.
inline std::string format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, std::string extra = "") {
    std::string body;
    uint16_t align = uint16_t(channels * bits / 8);
    put16(body, tag);
    put16(body, channels);
    put32(body, rate);
    put32(body, rate * align);
    put16(body, align);
    put16(body, bits);
    return body + extra;
}

// The body of an extensible "fmt " chunk (tag 0xFFFE) whose sub-format GUID
// begins with the tag; the rest of the GUID is the one every sub-format shares.
inline std::string extensibleFormat(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::string extension;
    put16(extension, 22);
    put16(extension, bits);
    put32(extension, channels == 2 ? 0x3 : 0);
    put32(extension, subTag);
    extension += std::string("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12);
    return format(0xFFFE, channels, rate, bits, extension);
}

// A RIFF WAVE file of the chunks; the RIFF size counts them all.
inline std::string riff(const std::string& chunks, const char* form = "WAVE") {
    std::string out = "RIFF";
    put32(out, uint32_t(chunks.size() + 4));
    return out + form + chunks;
}

// 16-bit samples of a sine of the frequency, the same on every channel.
inline std::string sine16(int frames, int channels, int rate, double frequency, double amplitude = 0.5) {
    std::string out;
    for (int i = 0; i < frames; ++i) {
        double wave = std::sin(2.0 * std::numbers::pi * frequency * i / rate);
        auto value = int16_t(std::lround(amplitude * 32767.0 * wave));
        for (int c = 0; c < channels; ++c)
            put16(out, uint16_t(value));
    }
    return out;
}

// 24-bit stereo frames: a sine on the left channel, silence on the right.
inline std::string leftSine24(int frames, int rate, double frequency, double amplitude = 0.5) {
    std::string out;
    for (int i = 0; i < frames; ++i) {
        auto value = int32_t(std::lround(amplitude * 8388607.0 * std::sin(2.0 * M_PI * frequency * i / rate)));
        for (int shift : {0, 8, 16})
            out += char((uint32_t(value) >> shift) & 0xff);
        out.append(3, '\0');
    }
    return out;
}

// A 16-bit PCM WAVE file of a sine.
inline std::string sineWave(int frames, int channels = 1, int rate = 44100, double frequency = 440.0) {
    return riff(chunk("fmt ", format(1, uint16_t(channels), uint32_t(rate), 16)) +
                chunk("data", sine16(frames, channels, rate, frequency)));
}

// An Ogg Vorbis file of a sine (frames per channel), encoded with libvorbisenc.
std::string sineOgg(int frames, int channels = 2, int rate = 44100, double frequency = 440.0);

// The mixed output in the disk driver's file: interleaved 32-bit floats.
struct Output {
    int channels = 0;
    std::vector<float> samples;

    size_t frames() const { return channels ? samples.size() / channels : 0; }
    // Root mean square of one channel over frames [begin, end).
    double rms(int channel, size_t begin, size_t end) const;
};

Output readOutput(const std::string& path, int channels);

} // namespace sound
