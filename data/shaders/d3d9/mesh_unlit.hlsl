// Unlit and transparent surfaces (entry point main): the material's own
// colour. Define: ALPHA_TEST.

#include "shared.hlsl"

SAMPLER2D(g_diffuseMap);
float3 g_emissiveColor;

void main(float2 texcoord : TEXCOORD0, out float4 oColor : COLOR0) {
    float4 diffuse = TEX2D(g_diffuseMap, texcoord);
#ifdef ALPHA_TEST
    ALPHA_CLIP(diffuse.a - 0.5);
#endif
    oColor = float4(diffuse.rgb + g_emissiveColor, diffuse.a);
}
