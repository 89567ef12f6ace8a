// Fog blended over the lit scene by view depth: none before the near
// distance, full fog colour from the far distance on, linear between.
// g_fogParams turns a view depth z into that amount as z * x + y.

#include "shared.hlsl"

SAMPLER2D(g_geometryBuffer);
float2 g_invScreenSize;
float3 g_fogColor;
float2 g_fogParams;

void fog_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    oPosition = float4(position, 0.0, 1.0);
    oScreen = oPosition;
}

float4 fog_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    float z = TEX2D(g_geometryBuffer, SCREEN_UV(g_invScreenSize)).a;
    // No surface there: leave the pixel alone.
    float amount = z > 0.0 ? saturate(z * g_fogParams.x + g_fogParams.y) : 0.0;
    return float4(g_fogColor, amount);
}
