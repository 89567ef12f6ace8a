#include "audio/SoundFiles.h"

#include <vorbis/vorbisenc.h>

#include <cstdio>
#include <ctime>

namespace sound {

std::string sineOgg(int frames, int channels, int rate, double frequency) {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, channels, rate, 0.4f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    std::string out;
    ogg_page page;
    auto flushPages = [&](bool force) {
        while (force ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
            out.append(reinterpret_cast<const char*>(page.header), page.header_len);
            out.append(reinterpret_cast<const char*>(page.body), page.body_len);
        }
    };

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    flushPages(true);

    const int chunkFrames = 1024;
    for (int done = 0; done <= frames;) {
        int n = std::min(chunkFrames, frames - done);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, n);
            for (int i = 0; i < n; ++i) {
                float value = float(0.5 * std::sin(2.0 * M_PI * frequency * (done + i) / rate));
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = value;
            }
        }
        vorbis_analysis_wrote(&dsp, n);  // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                flushPages(false);
            }
        }
        if (n == 0)
            break;
        done += n;
    }
    flushPages(true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
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
