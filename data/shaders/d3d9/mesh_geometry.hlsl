// Geometry pass (entry point main): view-space normal and depth into the
// geometry buffer (target 0), glossiness and specular strength into the
// glossiness buffer (target 1). Defines: NORMAL_MAP, ALPHA_TEST.

#include "shared.hlsl"

SAMPLER2D(g_diffuseMap);
SAMPLER2D(g_normalMap);
SAMPLER2D(g_specularMap);
float g_glossiness;

void main(float2 texcoord : TEXCOORD0, float3 viewPosition : TEXCOORD1, float3 viewNormal : TEXCOORD2,
#ifdef NORMAL_MAP
          float3 viewTangent : TEXCOORD3, float3 viewBitangent : TEXCOORD4,
#endif
          out float4 oGeometry : COLOR0, out float4 oGlossiness : COLOR1) {
#ifdef ALPHA_TEST
    ALPHA_CLIP(TEX2D(g_diffuseMap, texcoord).a - 0.5);
#endif
    float3 n = normalize(viewNormal);
#ifdef NORMAL_MAP
    float3 m = TEX2D(g_normalMap, texcoord).xyz * 2.0 - 1.0;
    n = normalize(m.x * viewTangent + m.y * viewBitangent + m.z * n);
#endif
    float specular = TEX2D(g_specularMap, texcoord).r;
    oGeometry = float4(n, viewPosition.z);
    oGlossiness = float4(g_glossiness, specular, 0.0, 1.0);
}
