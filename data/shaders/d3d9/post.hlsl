// Full-screen passes after the scene: tone mapping of the final buffer.
//
// Operator: the filmic curve fitted to the ACES reference rendering
// transform, f(x) = x (2.51 x + 0.03) / (x (2.43 x + 0.59) + 0.14), applied to
// each channel and clamped to 0..1. Textures and light colours are taken as
// display values already, so no gamma step follows.

#include "shared.hlsl"

SAMPLER2D(g_tex);
float2 g_invTexRes;

void tonemap_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    oPosition = float4(position, 0.0, 1.0);
    oScreen = oPosition;
}

float4 tonemap_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    float3 x = max(TEX2D(g_tex, SCREEN_UV(g_invTexRes)).rgb, float3(0.0, 0.0, 0.0));
    return float4(saturate(x * (2.51 * x + 0.03) / (x * (2.43 * x + 0.59) + 0.14)), 1.0);
}
