// What the programs of this folder share. Matrices are packed by rows and
// multiply column vectors: mul(M, v) is the engine's v x M.

#ifndef SHARED_HLSL
#define SHARED_HLSL

#define SAMPLER2D(name) sampler2D name
#define SAMPLERCUBE(name) samplerCUBE name
#define TEX2D(name, uv) tex2D(name, uv)
#define TEXCUBE(name, direction) texCUBE(name, direction)
#define ALPHA_CLIP(x) clip(x)
#define DDX(x) ddx(x)
#define DDY(x) ddy(x)
#define EXP(x) exp(x)
#define ABS(x) abs(x)
#define SINCOS(angle, s, c) sincos(angle, s, c)
// VPOS counts whole pixels; texel centres are half a pixel in.
#define SCREEN_INPUT(semantic) float2 screenPixel : VPOS
#define SCREEN_UV(invSize) ((screenPixel + 0.5) * (invSize))

// GLSL's mod: the remainder takes the divisor's sign (HLSL's fmod truncates).
#define FLOOR_MOD(a, b) ((a) - (b) * floor((a) / (b)))

#endif
