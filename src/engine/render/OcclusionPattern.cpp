#include "engine/render/OcclusionPattern.h"

#include <algorithm>
#include <cmath>

namespace engine {

const std::array<float, OcclusionKernelSize * 2> OcclusionKernel = {
    -0.167238f, -0.587782f, 0.656897f,  0.598841f,  0.247632f,  -0.497313f, -0.091221f, 0.320609f,
    -0.218438f, -0.040833f, -0.236171f, 0.146231f,  0.07689f,   0.829778f,  0.173343f,  0.348119f,
    0.466236f,  -0.180621f, 0.414432f,  0.160552f,  -0.709925f, 0.132708f,  0.010252f,  -0.110637f,
    0.944444f,  0.0f,       -0.468716f, 0.62068f,   0.041056f,  -0.037428f, -0.566811f, -0.350955f,
    -0.100439f, -0.133003f,
};

const std::array<float, OcclusionKernelSize * 2>& shadowSampleDisc() {
    static const auto disc = [] {
        std::array<std::array<float, 2>, OcclusionKernelSize> points;
        for (size_t i = 0; i < points.size(); ++i)
            points[i] = {OcclusionKernel[2 * i], OcclusionKernel[2 * i + 1]};
        std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) {
            return a[0] * a[0] + a[1] * a[1] < b[0] * b[0] + b[1] * b[1];
        });
        std::array<float, OcclusionKernelSize * 2> out{};
        for (size_t i = 0; i < points.size(); ++i) {
            out[2 * i] = points[i][0];
            out[2 * i + 1] = points[i][1];
        }
        return out;
    }();
    return disc;
}

std::array<uint8_t, 64> occlusionRotationPixels() {
    static const int pattern[16] = {1, 9, 3, 11, 13, 5, 15, 7, 4, 12, 2, 10, 16, 8, 14, 6};
    auto q = [](double x) { return uint8_t(std::clamp(int((x * 0.5 + 0.5) * 255.0), 0, 255)); };
    std::array<uint8_t, 64> pixels{};
    for (int k = 0; k < 16; ++k) {
        double a = (pattern[k] - 1) * 2.0 * 3.14159265358979 / 16.0;
        uint8_t* p = &pixels[size_t(k) * 4];
        p[0] = q(std::cos(a));
        p[1] = q(-std::sin(a));
        p[2] = q(std::sin(a));
        p[3] = q(std::cos(a));
    }
    return pixels;
}

} // namespace engine
