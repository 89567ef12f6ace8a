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

// Where the output's rows start: (1, 0) for the window, (-1, 1) for a target
// texture, which keeps its picture bottom row first as the other renderer's
// targets do, so that a mesh shows it the same way up on both.
float2 g_rowOrder;

float4 tonemap_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    float2 uv = SCREEN_UV(g_invTexRes);
    uv.y = uv.y * g_rowOrder.x + g_rowOrder.y;
    float3 x = max(TEX2D(g_tex, uv).rgb, float3(0.0, 0.0, 0.0));
    return float4(saturate(x * (2.51 * x + 0.03) / (x * (2.43 * x + 0.59) + 0.14)), 1.0);
}

// Fast approximate anti-aliasing of the tone-mapped picture. The luma of the
// four diagonal neighbours gives the direction along which an edge runs; the
// pixel is blended with samples along that direction (two near ones, and two
// far ones when their average stays within the local luma range, so that thin
// lines are not smeared away). Flat areas come out as they went in.

void fxaa_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    oPosition = float4(position, 0.0, 1.0);
    oScreen = oPosition;
}

float4 fxaa_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    const float reduceMin = 1.0 / 128.0;
    const float reduceMul = 1.0 / 8.0;
    const float spanMax = 8.0;
    const float3 lumaWeights = float3(0.299, 0.587, 0.114);
    float2 uv = SCREEN_UV(g_invTexRes);
    uv.y = uv.y * g_rowOrder.x + g_rowOrder.y;
    float3 rgbM = TEX2D(g_tex, uv).rgb;
    float lumaNW = dot(TEX2D(g_tex, uv + float2(-1.0, -1.0) * g_invTexRes).rgb, lumaWeights);
    float lumaNE = dot(TEX2D(g_tex, uv + float2(1.0, -1.0) * g_invTexRes).rgb, lumaWeights);
    float lumaSW = dot(TEX2D(g_tex, uv + float2(-1.0, 1.0) * g_invTexRes).rgb, lumaWeights);
    float lumaSE = dot(TEX2D(g_tex, uv + float2(1.0, 1.0) * g_invTexRes).rgb, lumaWeights);
    float lumaM = dot(rgbM, lumaWeights);
    float lumaMin = min(lumaM, min(min(lumaNW, lumaNE), min(lumaSW, lumaSE)));
    float lumaMax = max(lumaM, max(max(lumaNW, lumaNE), max(lumaSW, lumaSE)));

    float2 dir = float2(-((lumaNW + lumaNE) - (lumaSW + lumaSE)), (lumaNW + lumaSW) - (lumaNE + lumaSE));
    float dirReduce = max((lumaNW + lumaNE + lumaSW + lumaSE) * (0.25 * reduceMul), reduceMin);
    float rcpDirMin = 1.0 / (min(ABS(dir.x), ABS(dir.y)) + dirReduce);
    dir = clamp(dir * rcpDirMin, float2(-spanMax, -spanMax), float2(spanMax, spanMax)) * g_invTexRes;

    float3 rgbA = 0.5 * (TEX2D(g_tex, uv + dir * (1.0 / 3.0 - 0.5)).rgb + TEX2D(g_tex, uv + dir * (2.0 / 3.0 - 0.5)).rgb);
    float3 rgbB = rgbA * 0.5 + 0.25 * (TEX2D(g_tex, uv - dir * 0.5).rgb + TEX2D(g_tex, uv + dir * 0.5).rgb);
    float lumaB = dot(rgbB, lumaWeights);
    return float4((lumaB < lumaMin || lumaB > lumaMax) ? rgbA : rgbB, 1.0);
}

// One direction of a separable blur of shadow moments: seven taps, each an
// offset in texture coordinates and a weight.
float4 g_samples[7]; // offset x, offset y, weight

void blur_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    oPosition = float4(position, 0.0, 1.0);
    oScreen = oPosition;
}

float4 blur_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    float2 uv = SCREEN_UV(g_invTexRes);
    float4 sum = TEX2D(g_tex, uv + g_samples[0].xy) * g_samples[0].z;
    sum += TEX2D(g_tex, uv + g_samples[1].xy) * g_samples[1].z;
    sum += TEX2D(g_tex, uv + g_samples[2].xy) * g_samples[2].z;
    sum += TEX2D(g_tex, uv + g_samples[3].xy) * g_samples[3].z;
    sum += TEX2D(g_tex, uv + g_samples[4].xy) * g_samples[4].z;
    sum += TEX2D(g_tex, uv + g_samples[5].xy) * g_samples[5].z;
    sum += TEX2D(g_tex, uv + g_samples[6].xy) * g_samples[6].z;
    return sum;
}

// A scene buffer shown as it is, its colour scaled, for the debug views; a
// buffer of one value (the occlusion's, beside its depth) shown in grey.
float g_scale;
float g_greyFromRed;

void view_vs(float2 position : POSITION, out float4 oPosition : POSITION, out float4 oScreen : TEXCOORD0) {
    oPosition = float4(position, 0.0, 1.0);
    oScreen = oPosition;
}

float4 view_ps(SCREEN_INPUT(TEXCOORD0)) : COLOR0 {
    float3 c = TEX2D(g_tex, SCREEN_UV(g_invTexRes)).rgb;
    return float4(saturate(lerp(c, c.rrr, g_greyFromRed) * g_scale), 1.0);
}
