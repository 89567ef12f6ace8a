// Material pass (entry point main): the material's colour lit by the
// accumulated light buffer, which holds diffuse light in rgb and specular
// strength in a. Define: ALPHA_TEST.

#include "shared.hlsl"

SAMPLER2D(g_diffuseMap);
SAMPLER2D(g_specularMap);
SAMPLER2D(g_lightBuffer);
float2 g_invScreenSize;
float3 g_emissiveColor;

void main(float2 texcoord : TEXCOORD0, SCREEN_INPUT(TEXCOORD5), out float4 oColor : COLOR0) {
    float4 diffuse = TEX2D(g_diffuseMap, texcoord);
#ifdef ALPHA_TEST
    ALPHA_CLIP(diffuse.a - 0.5);
#endif
    float3 specular = TEX2D(g_specularMap, texcoord).rgb;
    float4 light = TEX2D(g_lightBuffer, SCREEN_UV(g_invScreenSize));
    oColor = float4(diffuse.rgb * light.rgb + specular * light.a + g_emissiveColor, diffuse.a);
}
