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

// The outputs take other semantics than the inputs: Wine's compiler mixes up
// an output with the input of the same semantic. Every varying fills a whole
// register: the newer compiler under Wine puts two two-component inputs of
// different semantics in one register, which shader model 3 cannot declare.
void line_vs(float4 corner : POSITION, float2 p0 : TEXCOORD0, float2 p1 : TEXCOORD1, float4 color : COLOR0,
             out float4 oPosition : POSITION, out float4 oColor : TEXCOORD2, out float4 oPoint : TEXCOORD3,
             out float4 oEnds : TEXCOORD4) {
    oPosition = mul(g_transform, float4(corner.xy, 0.0, 1.0));
    oColor = color;
    oPoint = float4(corner.xy, 0.0, 0.0);
    oEnds = float4(p0, p1);
}

void line_ps(float4 color : TEXCOORD2, float4 position : TEXCOORD3, float4 ends : TEXCOORD4,
             out float4 oColor : COLOR0) {
    float2 p = position.xy + 0.5;
    float2 p0 = ends.xy;
    float2 segment = ends.zw - p0;
    float2 fromStart = p - p0;
    float lengthSquared = max(dot(segment, segment), 1e-8);
    float along = saturate(dot(fromStart, segment) / lengthSquared);
    float2 nearest = p0 + segment * along;
    float away = length(p - nearest);
    float coverage = saturate(g_lineWidth * 0.5 + 0.5 - away);
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
    float2 halfSize = g_rectSize * 0.5;
    float2 fromCentre = position + 0.5 - (g_rectPos + halfSize);
    float2 q = ABS(fromCentre) - halfSize;
    // Inside the rounded rectangle the distance is that to the nearest edge
    // (the larger of q.x and q.y, written out: Wine's compiler gets max of
    // two components of one vector wrong).
    float nearestEdge = (q.x + q.y + ABS(q.x - q.y)) * 0.5;
    float inside = min(nearestEdge, 0.0);
    float2 beyond = max(q, 0.0);
    float outside = length(beyond) + inside - g_rectRadius;
    float coverage = saturate(0.5 - outside);
    oColor = float4(g_color.rgb, g_color.a * coverage);
}
