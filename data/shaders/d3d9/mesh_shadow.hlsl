// Shadow casters. shadow_vs (define SKINNING) places the mesh in the light's
// view; shadow_ps writes, for point and spot lights, the distance to the light
// in units of its range and its square; shadow_dirlight_ps writes the
// projected depth and its square for the cascades. The slope across the pixel
// widens the spread so sloped receivers do not shadow themselves, and a
// target cleared to (1, 1, 1, 1) reads as unshadowed. Define: ALPHA_TEST.

#include "shared.hlsl"
#ifdef SKINNING
#include "skinning.hlsl"
#endif

float4x4 g_viewProjMatrix; // world x light view x projection
float4x4 g_viewMatrix;     // world x light view
float g_invLightRange;
SAMPLER2D(g_diffuseMap);

// Each varying fills a whole register: the compiler under Wine packs two
// two-component ones (the texture coordinate and the depth) into one, which
// Wine's Direct3D then reads wrongly.
void shadow_vs(float3 position : POSITION, float2 texcoord : TEXCOORD0, float4 boneIndices : BLENDINDICES,
               float4 boneWeights : BLENDWEIGHT, out float4 oPosition : POSITION, out float4 oTexcoord : TEXCOORD0,
               out float4 oViewPosition : TEXCOORD1, out float4 oDepth : TEXCOORD2) {
    float4 p = float4(position, 1.0);
#ifdef SKINNING
    SKIN_MATRIX(boneIndices, boneWeights, c0, c1, c2)
    p = float4(SKIN_APPLY(p, c0, c1, c2), 1.0);
#endif
    oPosition = mul(g_viewProjMatrix, p);
    oViewPosition = mul(g_viewMatrix, p);
    oDepth = float4(oPosition.zw, 0.0, 0.0);
    oTexcoord = float4(texcoord, 0.0, 0.0);
}

// The moments of the distance d: d and its square, widened by the slope.
#define MOMENTS(d) float4(d, d * d + 0.25 * (slopeX * slopeX + slopeY * slopeY), 0.0, 1.0)

void shadow_ps(float4 texcoord : TEXCOORD0, float4 viewPosition : TEXCOORD1, out float4 oColor : COLOR0) {
#ifdef ALPHA_TEST
    ALPHA_CLIP(TEX2D(g_diffuseMap, texcoord.xy).a - 0.5);
#endif
    float d = length(viewPosition.xyz) * g_invLightRange;
    float slopeX = DDX(d);
    float slopeY = DDY(d);
    oColor = MOMENTS(d);
}

void shadow_dirlight_ps(float4 texcoord : TEXCOORD0, float4 depth : TEXCOORD2, out float4 oColor : COLOR0) {
#ifdef ALPHA_TEST
    ALPHA_CLIP(TEX2D(g_diffuseMap, texcoord.xy).a - 0.5);
#endif
    float d = depth.x / depth.y;
    float slopeX = DDX(d);
    float slopeY = DDY(d);
    oColor = MOMENTS(d);
}
