#include "audio/SoundFiles.h"

#include "OggVorbisEncoder.h"

#include <cstdio>
#include <ctime>
#include <numbers>

namespace sound {

std::string sineOgg(int frames, int channels, int rate, double frequency) {
    return encodeOggVorbis(frames, channels, rate, 0.4f, [&](int frame, int) {
        return float(0.5 * std::sin(2.0 * std::numbers::pi * frequency * frame / rate));
    });
}

double Output::rms(int channel, size_t begin, size_t end) const {
    end = std::min(end, frames());
    if (begin >= end)
        return 0.0;
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i) {
        double v = samples[i * channels + channel];
        sum += v * v;
    }
    return std::sqrt(sum / double(end - begin));
}

Output readOutput(const std::string& path, int channels) {
    Output output;
    output.channels = channels;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        float value;
        while (fread(&value, sizeof value, 1, file) == 1)
            output.samples.push_back(value);
        fclose(file);
    }
    return output;
}

} // namespace sound
