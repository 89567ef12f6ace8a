#include "OggVorbisEncoder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace sound {

std::string encodeOggVorbis(int frames, int channels, int rate, float quality,
                            const std::function<float(int frame, int channel)>& sample) {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, channels, rate, quality);
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
            out.append(reinterpret_cast<const char*>(page.header), size_t(page.header_len));
            out.append(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
        }
    };
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    flushPages(true);

    const int chunkFrames = 4096;
    for (int done = 0;;) {
        int n = std::min(chunkFrames, frames - done);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, n);
            for (int i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = sample(done + i, c);
        }
        vorbis_analysis_wrote(&dsp, std::max(n, 0));  // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                flushPages(false);
            }
        }
        if (n <= 0)
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

} // namespace sound
