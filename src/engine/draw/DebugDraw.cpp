#include "engine/draw/DebugDraw.h"

#include <cmath>

namespace engine::DebugDraw {

namespace {

std::vector<Line> queue;
std::vector<ScreenText> textQueue;

// The 12 edges between corners indexed by their (x, y, z) bits.
void drawCorners(const Vec3 (&corners)[8], uint32_t color) {
    for (int i = 0; i < 8; ++i) {
        for (int bit = 1; bit < 8; bit <<= 1) {
            if (!(i & bit))
                drawLine(corners[i], corners[i | bit], color);
        }
    }
}

} // namespace

void drawLine(const Vec3& from, const Vec3& to, uint32_t color) {
    queue.push_back({from, to, color});
}

void drawBox(const BoundingBox& box, uint32_t color) {
    Vec3 corners[8];
    for (int i = 0; i < 8; ++i) {
        corners[i] = {i & 1 ? box.max.x : box.min.x, i & 2 ? box.max.y : box.min.y, i & 4 ? box.max.z : box.min.z};
    }
    drawCorners(corners, color);
}

void drawSphere(const Vec3& center, float radius, int detail, uint32_t color) {
    const float pi = 3.1415927f;
    const float twoPi = 6.2831855f;
    int n = detail;
    auto point = [&](float polar, float azimuth) {
        float ring = radius * std::sin(polar);
        return Vec3{center.x + ring * std::cos(azimuth), center.y - radius * std::cos(polar),
                    center.z + ring * std::sin(azimuth)};
    };
    for (int k = 0; k < n; ++k) {
        float polar = float(k) * pi / float(n);
        for (int j = 0; j < 2 * n; ++j) {
            drawLine(point(polar, float(j) * twoPi / float(2 * n)), point(polar, float(j + 1) * twoPi / float(2 * n)),
                     color);
        }
    }
    for (int j = 0; j < 2 * n; ++j) {
        float azimuth = float(j) * twoPi / float(2 * n);
        for (int k = 0; k < n; ++k)
            drawLine(point(float(k) * pi / float(n), azimuth), point(float(k + 1) * pi / float(n), azimuth), color);
    }
}

void drawMarker(const Vec3& position, float size, uint32_t color) {
    float h = size * 0.5f;
    drawLine(position - Vec3{h, 0, 0}, position + Vec3{h, 0, 0}, color);
    drawLine(position - Vec3{0, h, 0}, position + Vec3{0, h, 0}, color);
    drawLine(position - Vec3{0, 0, h}, position + Vec3{0, 0, h}, color);
}

void drawFrustum(const Mat4& viewProjection, uint32_t color) {
    Mat4 back = inverse(viewProjection);
    Vec3 corners[8];
    for (int i = 0; i < 8; ++i) {
        Vec4 p = Vec4{i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : 0.0f, 1.0f} * back;
        corners[i] = Vec3{p.x, p.y, p.z} / p.w;
    }
    drawCorners(corners, color);
}

void drawText(const std::string& text, const Vec2& position, uint32_t color) {
    textQueue.push_back({text, position, 1.0f, color});
}

const std::vector<Line>& lines() {
    return queue;
}

const std::vector<ScreenText>& texts() {
    return textQueue;
}

void clear() {
    queue.clear();
    textQueue.clear();
}

} // namespace engine::DebugDraw
