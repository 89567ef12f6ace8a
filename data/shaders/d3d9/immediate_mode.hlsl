// Antialiased 2D shapes of the immediate-mode drawing. Positions are in the
// drawing's pixels, taken to the screen by g_transform (no half-pixel offset):
// Direct3D 9 samples a pixel at its corner, so the pixel programs add half a
// pixel to reach its centre.

#include "shared.hlsl"

float4x4 g_transform;

// Lines: each segment P0-P1 is a quad a pixel wider than the line on every
// side; every corner carries both end points, and its coverage fades with the
// distance from the segment over the last pixel.
float g_lineWidth;

void line_vs(float4 corner : POSITION, float2 p0 : TEXCOORD0, float2 p1 : TEXCOORD1, float4 color : COLOR0,
             out float4 oPosition : POSITION, out float4 oColor : COLOR0, out float2 oPoint : TEXCOORD0,
             out float2 oP0 : TEXCOORD1, out float2 oP1 : TEXCOORD2) {
    oPosition = mul(g_transform, float4(corner.xy, 0.0, 1.0));
    oColor = color;
    oPoint = corner.xy;
    oP0 = p0;
    oP1 = p1;
}

void line_ps(float4 color : COLOR0, float2 position : TEXCOORD0, float2 p0 : TEXCOORD1, float2 p1 : TEXCOORD2,
             out float4 oColor : COLOR0) {
    float2 p = position + 0.5;
    float2 d = p1 - p0;
    float along = saturate(dot(p - p0, d) / max(dot(d, d), 1e-8));
    float distance = length(p - (p0 + d * along));
    float coverage = saturate(g_lineWidth * 0.5 + 0.5 - distance);
    oColor = float4(color.rgb, color.a * coverage);
}

// Rounded rectangles: the rectangle g_rectPos, g_rectSize grown by
// g_rectRadius with round corners, in g_color, its edge antialiased.
float2 g_rectPos;
float2 g_rectSize;
float g_rectRadius;
float4 g_color;

void rounded_rect_vs(float4 position : POSITION, out float4 oPosition : POSITION, out float2 oPoint : TEXCOORD0) {
    oPosition = mul(g_transform, float4(position.xy, 0.0, 1.0));
    oPoint = position.xy;
}

void rounded_rect_ps(float2 position : TEXCOORD0, out float4 oColor : COLOR0) {
    float2 half = g_rectSize * 0.5;
    float2 q = abs(position + 0.5 - (g_rectPos + half)) - half;
    float outside = length(max(q, 0.0)) + min(max(q.x, q.y), 0.0) - g_rectRadius;
    oColor = float4(g_color.rgb, g_color.a * saturate(0.5 - outside));
}
