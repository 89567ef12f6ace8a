#pragma once

// Wire shapes queued from anywhere during a frame, drawn and emptied by the
// renderer once per rendered scene. Queueing only records lines, so engine
// code may call these at any time.

#include "engine/scene/Bounds.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

namespace DebugDraw {

struct Line {
    Vec3 from;
    Vec3 to;
    uint32_t color;  // 0xRRGGBBAA
};

// A label at a screen position in pixels, (0, 0) top-left.
struct ScreenText {
    std::string text;
    Vec2 position;
    float scale;
    uint32_t color;  // 0xRRGGBBAA
};

constexpr uint32_t White = 0xFFFFFFFF;

void drawLine(const Vec3& from, const Vec3& to, uint32_t color = White);
// The 12 edges of a world-space box.
void drawBox(const BoundingBox& box, uint32_t color = White);
// Latitude rings and meridians; detail is the number of rings.
void drawSphere(const Vec3& center, float radius, int detail, uint32_t color = White);
// Three crossing lines of the given length, centred on the point.
void drawMarker(const Vec3& position, float size, uint32_t color = White);
// The 12 edges of the volume a view-projection matrix maps to the unit cube
// (x, y in -1..1, depth 0..1).
void drawFrustum(const Mat4& viewProjection, uint32_t color = White);

void drawText(const std::string& text, const Vec2& position, uint32_t color = White);

// What was queued since the last clear.
const std::vector<Line>& lines();
const std::vector<ScreenText>& texts();
void clear();

} // namespace DebugDraw

} // namespace engine
