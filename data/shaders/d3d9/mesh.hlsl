// Every surface program's vertex stage (entry point main). Defines: SKINNING
// (bones move the vertex), NORMAL_MAP (pass the tangent frame on).

#include "shared.hlsl"
#ifdef SKINNING
#include "skinning.hlsl"
#endif

float4x4 g_viewProjMatrix; // world x view x projection
float4x4 g_viewMatrix;     // world x view
float3x3 g_normalMatrix;   // the rotation of world x view, rows of unit length
float2 g_texOffset;

void main(float3 position : POSITION, float3 normal : NORMAL, float3 tangent : TANGENT, float3 bitangent : BINORMAL,
          float2 texcoord : TEXCOORD0, float4 boneIndices : BLENDINDICES, float4 boneWeights : BLENDWEIGHT,
          out float4 oPosition : POSITION, out float2 oTexcoord : TEXCOORD0, out float3 oViewPosition : TEXCOORD1,
          out float3 oViewNormal : TEXCOORD2, out float4 oScreen : TEXCOORD5
#ifdef NORMAL_MAP
          , out float3 oViewTangent : TEXCOORD3, out float3 oViewBitangent : TEXCOORD4
#endif
) {
    float4 p = float4(position, 1.0);
    float3 n = normal;
#ifdef NORMAL_MAP
    float3 t = tangent;
    float3 b = bitangent;
#endif
#ifdef SKINNING
    SKIN_MATRIX(boneIndices, boneWeights, c0, c1, c2)
    p = float4(SKIN_APPLY(p, c0, c1, c2), 1.0);
    n = SKIN_APPLY(float4(normal, 0.0), c0, c1, c2);
#ifdef NORMAL_MAP
    t = SKIN_APPLY(float4(tangent, 0.0), c0, c1, c2);
    b = SKIN_APPLY(float4(bitangent, 0.0), c0, c1, c2);
#endif
#endif
    oPosition = mul(g_viewProjMatrix, p);
    oScreen = oPosition;
    oViewPosition = mul(g_viewMatrix, p).xyz;
    oViewNormal = mul(g_normalMatrix, n);
#ifdef NORMAL_MAP
    oViewTangent = mul(g_normalMatrix, t);
    oViewBitangent = mul(g_normalMatrix, b);
#endif
    oTexcoord = texcoord + g_texOffset;
}
