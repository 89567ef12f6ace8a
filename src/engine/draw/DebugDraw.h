#pragma once

// Wire shapes and labels queued from anywhere during a frame, drawn and
// emptied by the renderer once per rendered scene. Queueing only records, so
// engine code and scripts may call these at any time.

#include "engine/scene/Bounds.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class DrawContext;
class Font;

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

// A label at a world position.
struct WorldText {
    std::string text;
    Vec3 position;
    uint32_t color;  // 0xRRGGBBAA
};

constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t Red = 0xFF0000FF;
constexpr uint32_t Green = 0x00FF00FF;
constexpr uint32_t Blue = 0x0000FFFF;

void drawLine(const Vec3& from, const Vec3& to, uint32_t color = White);
// The 12 edges of a world-space box.
void drawBox(const BoundingBox& box, uint32_t color = White);
// The 12 edges of the box spanned by two corners, each corner taken through the transform.
void drawBox(const Vec3& min, const Vec3& max, const Mat4x3& transform, uint32_t color = White);
// Latitude rings and meridians; detail is the number of rings.
void drawSphere(const Vec3& center, float radius, int detail, uint32_t color = White);
void drawSphere(const Vec3& center, float radius, int detail, const Mat4x3& transform, uint32_t color);
// Side lines and end caps of a capsule along the transform's Z axis; the
// length is that of the straight part.
void drawCapsule(float length, float radius, const Mat4x3& transform, uint32_t color = White);
// The transform's X, Y and Z rows times the scale from its translation, in
// red, green and blue.
void drawBase(const Mat4x3& transform, float scale = 1.0f);
// Three crossing lines of the given length, centred on the point.
void drawMarker(const Vec3& position, float size, uint32_t color = White);
// The 12 edges of the volume a view-projection matrix maps to the unit cube
// (x, y in -1..1, depth 0..1).
void drawFrustum(const Mat4& viewProjection, uint32_t color = White);

void drawText(const std::string& text, const Vec2& position, uint32_t color = White);
void drawText3D(const std::string& text, const Vec3& position, uint32_t color = White);

// What was queued since the last clear.
const std::vector<Line>& lines();
const std::vector<ScreenText>& texts();
const std::vector<WorldText>& worldTexts();
void clear();

// Draws everything queued through the drawing context and empties the queues:
// lines through the view-projection matrix, depth tested; texts in the font,
// world texts at their projected screen points (those behind the eye are left
// out).
void flush(DrawContext& context, const Mat4& viewProjection, const Font& font);

} // namespace DebugDraw

} // namespace engine
