#pragma once

// Generated sound encoded as an Ogg Vorbis file in memory, for test fixtures
// and the demo's content.

#include <functional>
#include <string>

namespace sound {

// sample(frame, channel) gives values in -1..1. The stream's serial number
// is fixed, so the same sound always gives the same bytes.
std::string encodeOggVorbis(int frames, int channels, int rate, float quality,
                            const std::function<float(int frame, int channel)>& sample);

} // namespace sound
