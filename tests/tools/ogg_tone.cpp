// Writes an Ogg Vorbis file of a 440 Hz sine for script tests:
//   quill_ogg_tone FILE FRAMES [CHANNELS [RATE]]
#include "audio/SoundFiles.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s FILE FRAMES [CHANNELS [RATE]]\n", argv[0]);
        return 2;
    }
    int channels = argc > 3 ? atoi(argv[3]) : 2;
    int rate = argc > 4 ? atoi(argv[4]) : 44100;
    std::string data = sound::sineOgg(atoi(argv[2]), channels, rate);
    FILE* out = fopen(argv[1], "wb");
    if (!out || fwrite(data.data(), 1, data.size(), out) != data.size() || fclose(out) != 0) {
        perror(argv[1]);
        return 1;
    }
    return 0;
}
