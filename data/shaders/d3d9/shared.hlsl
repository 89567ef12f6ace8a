// What the programs of this folder share. The host defines QUILL_MINIMAL_HLSL
// when its compiler offers only a small part of HLSL (Wine's: texture objects
// instead of tex2D, few intrinsics, no discard, no calls of functions a file
// defines); the macros below read the same with either compiler. Matrices are packed by rows and
// multiply column vectors: mul(M, v) is the engine's v x M.

#ifndef SHARED_HLSL
#define SHARED_HLSL

#ifdef QUILL_MINIMAL_HLSL
// The sampler carries the name the host sets; its texture object rides along.
#define SAMPLER2D(name) Texture2D name##_texture; SamplerState name
#define SAMPLERCUBE(name) TextureCube name##_texture; SamplerState name
#define TEX2D(name, uv) name##_texture.Sample(name, uv)
#define TEXCUBE(name, direction) name##_texture.Sample(name, direction)
// Without discard an alpha-tested surface is drawn whole.
#define ALPHA_CLIP(x)
#define DDX(x) 0.0
#define DDY(x) 0.0
#define EXP(x) pow(2.718281828, (x))

// Sets s and c to the sine and cosine of the angle: the series on
// [-pi/2, pi/2], other angles folded into it. Shared code is macros that call
// no other macro with their arguments: this compiler cannot call functions a
// file defines, and its preprocessor loses arguments handed on.
#define SINCOS(angle, s, c)                                                                         \
    {                                                                                               \
        float sc_x = (angle) - 6.2831853 * floor((angle) / 6.2831853 + 0.5);                        \
        sc_x = sc_x - 2.0 * max(sc_x - 1.5707963, 0.0) - 2.0 * min(sc_x + 1.5707963, 0.0);          \
        float sc_x2 = sc_x * sc_x;                                                                  \
        s = sc_x * (1.0 + sc_x2 * (-0.16666667 + sc_x2 * (0.0083333333 + sc_x2 *               \
                         (-0.00019841270 + sc_x2 * 0.0000027557319))));                             \
    }                                                                                               \
    {                                                                                               \
        float sc_x = ((angle) + 1.5707963) - 6.2831853 * floor(((angle) + 1.5707963) / 6.2831853 + 0.5);                        \
        sc_x = sc_x - 2.0 * max(sc_x - 1.5707963, 0.0) - 2.0 * min(sc_x + 1.5707963, 0.0);          \
        float sc_x2 = sc_x * sc_x;                                                                  \
        c = sc_x * (1.0 + sc_x2 * (-0.16666667 + sc_x2 * (0.0083333333 + sc_x2 *               \
                         (-0.00019841270 + sc_x2 * 0.0000027557319))));                             \
    }

// No VPOS either: the pixel's place comes from its clip position, which is
// the same wherever the viewport covers the target.
#define SCREEN_INPUT(semantic) float4 screenClip : semantic
#define SCREEN_UV(invSize) (screenClip.xy / screenClip.w * float2(0.5, -0.5) + 0.5 + 0.5 * (invSize))
#else
#define SAMPLER2D(name) sampler2D name
#define SAMPLERCUBE(name) samplerCUBE name
#define TEX2D(name, uv) tex2D(name, uv)
#define TEXCUBE(name, direction) texCUBE(name, direction)
#define ALPHA_CLIP(x) clip(x)
#define DDX(x) ddx(x)
#define DDY(x) ddy(x)
#define EXP(x) exp(x)
#define SINCOS(angle, s, c) sincos(angle, s, c)
// VPOS counts whole pixels; texel centres are half a pixel in.
#define SCREEN_INPUT(semantic) float2 screenPixel : VPOS
#define SCREEN_UV(invSize) ((screenPixel + 0.5) * (invSize))
#endif

// GLSL's mod: the remainder takes the divisor's sign (HLSL's fmod truncates).
#define FLOOR_MOD(a, b) ((a) - (b) * floor((a) / (b)))

#endif
