// Screen-space ambient occlusion. The view depth is copied to its own
// texture; around each surface point, samples of it within a disc on screen
// are turned back into view-space points, and every point that lies above the
// surface's tangent plane and near the surface hides part of the sky. The
// disc is turned per pixel by a 4 x 4 rotation tile that the two blur passes
// then smooth out, keeping depth edges. The occlusion texture holds (open,
// view depth): 1 open, 0 closed; the last blur multiplies the final buffer.

#include "shared.hlsl"

SAMPLER2D(g_geometryBuffer);   // view-space normal, view depth (0: no surface)
SAMPLER2D(g_depthBuffer);
SAMPLER2D(g_rotTex);           // cos, -sin, sin, cos of the pixel's angle
SAMPLER2D(g_ssaoBuffer);
float2 g_invScreenSize;
float4x4 g_invProjectionMatrix;
float g_invNear;
float2 g_samples[17];
float g_pixRadius;             // largest disc radius, in pixels
float2 g_screenToView;         // view-space size of a pixel at depth 1
float g_threshold;             // the blur's largest depth step, as a share of the depth
float2 g_offset[4];

// View-space distance within which geometry occludes.
static const float Radius = 0.75;
// Ignores the surface's own slight bumps (as a cosine) and the precision of
// the stored depth (as a share of the depth), which would otherwise speckle
// flat surfaces seen at grazing angles.
static const float Bias = 0.1;
static const float DepthBias = 0.003;
static const float Strength = 1.6;

void quad(float2 position, out float4 oPosition, out float4 oScreen) {
    oPosition = float4(position, 0.0, 1.0);
    oScreen = oPosition;
}

void downscale_depth_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    quad(position, oPosition, oScreen);
}

void ssao_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    quad(position, oPosition, oScreen);
}

void blur_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    quad(position, oPosition, oScreen);
}

// The view depth alone, which the occlusion reads many times per pixel.
float4 downscale_depth_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    return float4(TEX2D(g_geometryBuffer, SCREEN_UV(g_invScreenSize)).a, 0.0, 0.0, 1.0);
}

float3 viewPosition(float2 uv, float z) {
    float4 h = mul(g_invProjectionMatrix, float4(uv.x * 2.0 - 1.0, 1.0 - uv.y * 2.0, 0.0, 1.0));
    return (h.xyz / h.w) * (z * g_invNear);
}

// How much the point seen through the depth texture at suv hides of the sky
// of the surface point p with normal n.
float occluder(float2 suv, float3 p, float3 n) {
    float z = TEX2D(g_depthBuffer, suv).r;
    float3 v = viewPosition(suv, z) - p;
    float d = length(v);
    float facing = max((dot(n, v) - DepthBias * p.z) / max(d, 1e-4) - Bias, 0.0);
    float nearness = saturate(1.0 - d / (2.0 * Radius));
    // No surface there, or the point itself: nothing hidden.
    return (z > 0.0 && d >= 1e-4) ? facing * nearness : 0.0;
}

// Every step-th sample of the disc. The tile is laid from the bottom row up
// and the disc turned with y up, as the other renderer does, so that both
// darken the same pixels alike.
float4 occlusion(float2 screenPixel, int step, int count) {
    float2 uv = (screenPixel + 0.5) * g_invScreenSize;
    float4 g = TEX2D(g_geometryBuffer, uv);
    float3 p = viewPosition(uv, g.a);
    float3 n = normalize(g.xyz);

    float rowFromBottom = floor(1.0 / g_invScreenSize.y + 0.5) - 1.0 - screenPixel.y;
    float4 r = TEX2D(g_rotTex, (float2(screenPixel.x, rowFromBottom) + 0.5) * 0.25) * 2.0 - 1.0;
    // The disc covers the occlusion radius at this depth, up to g_pixRadius pixels.
    float discPixels = min(g_pixRadius, Radius / (g_screenToView.x * max(g.a, 1e-4)));
    float2 scale = discPixels * g_invScreenSize;

    float occluded = 0.0;
    for (int i = 0; i < count; ++i) {
        float2 s = g_samples[i * step];
        float2 turned = float2(r.r * s.x + r.g * s.y, r.b * s.x + r.a * s.y);
        occluded += occluder(uv + float2(turned.x, -turned.y) * scale, p, n);
    }
    float open = saturate(1.0 - Strength * occluded / float(count));
    return g.a <= 0.0 ? float4(1.0, 0.0, 0.0, 1.0) : float4(open, g.a, 0.0, 1.0);
}

float4 ssao_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    return occlusion(screenPixel, 2, 9);
}

float4 ssao_high_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    return occlusion(screenPixel, 1, 17);
}

// The occlusion averaged with the neighbours at g_offset whose depth lies
// within the threshold of this pixel's, so that edges stay sharp.
float2 blurred(float2 uv) {
    float2 center = TEX2D(g_ssaoBuffer, uv).rg;
    float depth = center.g;
    float sum = center.r;
    float weight = 1.0;
    for (int k = 0; k < 4; ++k) {
        float2 s = TEX2D(g_ssaoBuffer, uv + g_offset[k]).rg;
        float near = abs(s.g - depth) <= g_threshold * depth ? 1.0 : 0.0;
        sum += s.r * near;
        weight += near;
    }
    return float2(sum / weight, depth);
}

float4 blurX_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    return float4(blurred(SCREEN_UV(g_invScreenSize)), 0.0, 1.0);
}

// Where there is no surface the final buffer keeps its colour.
float4 blurY_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    float2 b = blurred(SCREEN_UV(g_invScreenSize));
    return b.g <= 0.0 ? float4(1.0, 1.0, 1.0, 1.0) : float4(b.rrr, 1.0);
}
