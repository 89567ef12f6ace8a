// The light passes: each adds one light to the light buffer, diffuse light in
// rgb and specular intensity in a, read back from the geometry buffer (view-
// space normal, view-space depth; depth 0: no surface) and the glossiness
// buffer (glossiness, specular strength). Full-screen quads come with their
// corners in clip space; light volumes mark the stencil with stencil_vs.

#include "shared.hlsl"

SAMPLER2D(g_geometryBuffer);
SAMPLER2D(g_glossinessBuffer);
float2 g_invScreenSize;
float g_invNear;
float4x4 g_invProjectionMatrix;
float3 g_lightPosition;  // view space
float3 g_lightDirection; // view space, the way the light travels
float3 g_lightColor;
float g_invLightRange;
float2 g_spotFalloff;    // cos(half angle), cos(sharpness x half angle)
float4x4 g_viewProjMatrix;

// The quad on the near plane (depth 0).
void quad_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    oPosition = float4(position, 0.0, 1.0);
    oScreen = oPosition;
}

void ambientlight_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    quad_vs(position, oPosition, oScreen);
}

void pointlight_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    quad_vs(position, oPosition, oScreen);
}

void spotlight_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    quad_vs(position, oPosition, oScreen);
}

void dirlight_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    quad_vs(position, oPosition, oScreen);
}

void stencil_vs(float3 position : POSITION, out float4 oPosition : POSITION) {
    oPosition = mul(g_viewProjMatrix, float4(position, 1.0));
}

// Colour writes are off while light volumes mark the stencil.
float4 stencil_ps() : COLOR0 {
    return float4(0.0, 0.0, 0.0, 0.0);
}

// Ambient light reaches every surface alike and brings no specular light.
float4 ambientlight_ps() : COLOR0 {
    return float4(g_lightColor, 0.0);
}

// The surface under the pixel in view space; g.a is its view depth.
float3 viewPosition(float2 uv, float depth) {
    float4 h = mul(g_invProjectionMatrix, float4(uv.x * 2.0 - 1.0, 1.0 - uv.y * 2.0, 0.0, 1.0));
    return (h.xyz / h.w) * (depth * g_invNear);
}

// Blinn-Phong, normalised so that glossier highlights are smaller but
// brighter rather than simply dimmer; the light's colour in rgb, its
// specular intensity in a.
float4 shade(float2 uv, float3 n, float3 l, float3 position, float diffuse) {
    float2 gloss = TEX2D(g_glossinessBuffer, uv).xy;
    float exponent = max(gloss.x, 1.0);
    float3 halfway = normalize(l - normalize(position));
    float specular = gloss.y * (exponent + 8.0) / 8.0 * pow(max(dot(n, halfway), 0.0), exponent) * diffuse;
    float intensity = dot(g_lightColor, float3(0.2126, 0.7152, 0.0722));
    return float4(g_lightColor * diffuse, specular * intensity);
}

// Inverse-square falloff around a soft core of half the range, windowed so
// that it reaches exactly zero at the range instead of being cut off.
float attenuation(float distance) {
    float x = distance * g_invLightRange;
    float window = saturate(1.0 - x * x * x * x);
    return window * window / (1.0 + 4.0 * x * x);
}

SAMPLERCUBE(g_shadowCubeMap);
float4x4 g_shadowProjMatrix; // the shadow map's or cube's projection of view space

// How much of a point light reaches the surface past the casters in its
// cube, which holds, per direction from the light, the distance to the
// nearest caster in units of the range and its square; a cleared cube
// (1, 1) reads as lit. Blurred cubes hold averaged moments, whose spread
// gives soft edges (Chebyshev's bound).
float pointLit(float3 position) {
    float3 fromLight = mul(g_shadowProjMatrix, float4(position, 1.0)).xyz;
    // A small offset keeps surfaces from shadowing themselves.
    float d = length(fromLight) - 0.004;
    float2 moments = TEXCUBE(g_shadowCubeMap, fromLight).rg;
    if (d <= moments.x)
        return 1.0;
    float variance = max(moments.y - moments.x * moments.x, 0.00002);
    float delta = d - moments.x;
    float p = variance / (variance + delta * delta);
    // Cut the faint tail of the bound, where light would bleed through
    // overlapping casters.
    return saturate((p - 0.25) / 0.75);
}

// Every pixel that passes the stencil test writes, even nothing, so that the
// stencil goes back to 0 for the next light.
float4 pointLighting(float2 uv, bool shadowed) {
    float4 g = TEX2D(g_geometryBuffer, uv);
    if (g.a == 0.0)
        return float4(0.0, 0.0, 0.0, 0.0);
    float3 position = viewPosition(uv, g.a);
    float3 n = normalize(g.xyz);
    float3 toLight = g_lightPosition - position;
    float distance = length(toLight);
    float3 l = toLight / max(distance, 1e-6);
    float diffuse = max(dot(n, l), 0.0) * attenuation(distance);
    if (diffuse <= 0.0)
        return float4(0.0, 0.0, 0.0, 0.0);
    if (shadowed)
        diffuse *= pointLit(position);
    return shade(uv, n, l, position, diffuse);
}

float4 pointlight_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    return pointLighting(SCREEN_UV(g_invScreenSize), false);
}

float4 pointlight_shadow_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    return pointLighting(SCREEN_UV(g_invScreenSize), true);
}

SAMPLER2D(g_shadowMap);

// How much of the spot's light reaches the surface past the casters in its
// shadow map, which holds the distance to the nearest caster in units of the
// range and its square (blurred or not): Chebyshev's bound on the moments.
float spotLit(float3 position, float distance) {
    float4 s = mul(g_shadowProjMatrix, float4(position, 1.0));
    if (s.w <= 0.0)
        return 1.0;
    float2 moments = TEX2D(g_shadowMap, s.xy / s.w).rg;
    // A small offset keeps surfaces from shadowing themselves.
    float d = distance * g_invLightRange - 0.004;
    if (d <= moments.x)
        return 1.0;
    float variance = max(moments.y - moments.x * moments.x, 0.00002);
    float delta = d - moments.x;
    float p = variance / (variance + delta * delta);
    // Cut the faint tail of the bound, where light would bleed through
    // overlapping casters.
    return saturate((p - 0.25) / 0.75);
}

// A point light limited to a cone along g_lightDirection, whose edge softens
// from cos(half angle) (dark) to cos(sharpness x half angle) (full).
float4 spotLighting(float2 uv, bool shadowed) {
    float4 g = TEX2D(g_geometryBuffer, uv);
    if (g.a == 0.0)
        return float4(0.0, 0.0, 0.0, 0.0);
    float3 position = viewPosition(uv, g.a);
    float3 n = normalize(g.xyz);
    float3 toLight = g_lightPosition - position;
    float distance = length(toLight);
    float3 l = toLight / max(distance, 1e-6);
    // A sharpness of 1 gives a hard edge: keep the ramp from dividing by zero.
    float cone = saturate((dot(-l, g_lightDirection) - g_spotFalloff.x) / max(g_spotFalloff.y - g_spotFalloff.x, 1e-4));
    float diffuse = max(dot(n, l), 0.0) * attenuation(distance) * cone * cone * (3.0 - 2.0 * cone);
    if (diffuse <= 0.0)
        return float4(0.0, 0.0, 0.0, 0.0);
    if (shadowed)
        diffuse *= spotLit(position, distance);
    return shade(uv, n, l, position, diffuse);
}

float4 spotlight_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    return spotLighting(SCREEN_UV(g_invScreenSize), false);
}

float4 spotlight_shadow_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    return spotLighting(SCREEN_UV(g_invScreenSize), true);
}

// A light from one direction, everywhere.
float4 dirlight_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    float2 uv = SCREEN_UV(g_invScreenSize);
    float4 g = TEX2D(g_geometryBuffer, uv);
    if (g.a == 0.0)
        return float4(0.0, 0.0, 0.0, 0.0);
    float3 position = viewPosition(uv, g.a);
    float3 n = normalize(g.xyz);
    float3 l = -normalize(g_lightDirection);
    float diffuse = max(dot(n, l), 0.0);
    if (diffuse <= 0.0)
        return float4(0.0, 0.0, 0.0, 0.0);
    return shade(uv, n, l, position, diffuse);
}

// The sun through cascaded shadow maps, drawn once per cascade: each pass
// lights only the pixels whose view depth lies in its cascade, so every pixel
// is lit by exactly one of them, darkened by that cascade's map of the
// casters' depth (0..1 through the light's box) and its square.
float2 g_cascadeRange;        // view depths this pass lights: from, up to
float2 g_shadowFade;          // 0 at 80 % of the shadow distance, 1 at 100 %
float g_invShadowMapSize;
float g_normalOffset;         // view units to move a surface off itself first
SAMPLER2D(g_rotTex);          // 4 x 4 rotations: cos, -sin, sin, cos
float2 g_samples[17];         // a disc of offsets, nearest first

float cascadeLitSample(float2 uv, float d) {
    float2 moments = TEX2D(g_shadowMap, uv).rg;
    if (d <= moments.x)
        return 1.0;
    float variance = max(moments.y - moments.x * moments.x, 0.0000005);
    float delta = d - moments.x;
    float p = variance / (variance + delta * delta);
    return saturate((p - 0.3) / 0.7);
}

// The disc turned by the pixel's rotation: neighbouring pixels read
// different texels, so the edge reads as a soft gradient, not as steps. The
// tile is laid from the bottom row up and the map's rows run down, so that
// each pixel reads the texels the other renderer's reads.
float cascadeLit(float3 position, float3 n, float2 screenPixel) {
    float3 s = mul(g_shadowProjMatrix, float4(position + n * g_normalOffset, 1.0)).xyz;
    float d = s.z - 0.0002;
    float rowFromBottom = floor(1.0 / g_invScreenSize.y + 0.5) - 1.0 - screenPixel.y;
    float4 r = TEX2D(g_rotTex, (float2(screenPixel.x, rowFromBottom) + 0.5) * 0.25) * 2.0 - 1.0;
    float radius = 2.0 * g_invShadowMapSize;
    float sum = 0.0;
    for (int i = 0; i < 17; ++i) {
        float2 o = g_samples[i] * radius;
        sum += cascadeLitSample(s.xy + float2(o.x * r.r + o.y * r.g, -(o.x * r.b + o.y * r.a)), d);
    }
    return sum / 17.0;
}

float4 dirlight_shadow_ps(float2 screenPixel : VPOS) : COLOR0 {
    float2 uv = (screenPixel + 0.5) * g_invScreenSize;
    float4 g = TEX2D(g_geometryBuffer, uv);
    if (g.a == 0.0)
        return float4(0.0, 0.0, 0.0, 0.0);
    float3 position = viewPosition(uv, g.a);
    if (position.z < g_cascadeRange.x || position.z >= g_cascadeRange.y)
        return float4(0.0, 0.0, 0.0, 0.0);
    float3 n = normalize(g.xyz);
    float3 l = -normalize(g_lightDirection);
    float diffuse = max(dot(n, l), 0.0);
    if (diffuse <= 0.0)
        return float4(0.0, 0.0, 0.0, 0.0);
    diffuse *= lerp(cascadeLit(position, n, screenPixel), 1.0, saturate(position.z * g_shadowFade.x + g_shadowFade.y));
    return shade(uv, n, l, position, diffuse);
}
