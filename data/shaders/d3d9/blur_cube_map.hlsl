// Averages a cube over a cone around each texel's direction, one face per
// full-screen quad. The samples are directions around +Y; each texel turns
// them around its own direction.

#include "shared.hlsl"

SAMPLERCUBE(g_tex);
float4 g_samples[16];
float3x3 g_faceRot; // face coordinates (x, y up, 1) to the texel's direction
float g_faceSize;

void blur_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    oPosition = float4(position, 0.0, 1.0);
    oScreen = oPosition;
}

float4 blur_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    // Face coordinates count up from the face's first row, the way cube
    // addressing reads the rows, whichever way the target's rows run.
    float2 uv = SCREEN_UV(float2(1.0, 1.0) / g_faceSize);
    float3 axis = normalize(mul(g_faceRot, float3(uv * 2.0 - 1.0, 1.0)));
    float3 helper = ABS(axis.y) < 0.99 ? float3(0.0, 1.0, 0.0) : float3(1.0, 0.0, 0.0);
    float3 side = normalize(cross(helper, axis));
    float3 front = cross(side, axis);
    // Written out: some compilers turn an indexed constant read into a long chain of compares.
#define TAP(i) TEXCUBE(g_tex, g_samples[i].x * side + g_samples[i].y * axis + g_samples[i].z * front)
    float4 sum = TAP(0) + TAP(1) + TAP(2) + TAP(3) + TAP(4) + TAP(5) + TAP(6) + TAP(7);
    sum += TAP(8) + TAP(9) + TAP(10) + TAP(11) + TAP(12) + TAP(13) + TAP(14) + TAP(15);
#undef TAP
    return sum / 16.0;
}
