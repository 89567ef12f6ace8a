// Bones for the vertex programs compiled with SKINNING: three registers per
// bone, register j holding the bone matrix's column j (m0j, m1j, m2j, m3j).
// Bone indices arrive as bytes (0 to 63), weights normalised to sum to 1.

#ifndef SKINNING_HLSL
#define SKINNING_HLSL

#ifdef QUILL_MINIMAL_HLSL
// That compiler places an array of n registers near register 2n and the
// device refuses programs past its constant registers: 12 bones fit.
float4 g_skinningMatrices[36];
#else
float4 g_skinningMatrices[192];
#endif

// Declares c0, c1 and c2: the columns of the weighted sum of the four bones.
#ifdef QUILL_NO_INDEXED_CONSTANTS
// The host defines QUILL_NO_INDEXED_CONSTANTS for a compiler that cannot read
// a constant array at a computed index: every bone is visited instead, with
// the summed weights of the influences that name it. The indices count down
// to zero rather than being compared with each bone's number, so that the
// unrolled loop needs no literal per bone: those would take constant
// registers the bones need.
#define SKIN_MATRIX(bones, weights, c0, c1, c2)                                                     \
    float4 c0 = 0, c1 = 0, c2 = 0;                                                                  \
    float4 left = bones;                                                                            \
    [unroll] for (int bone = 0; bone < 64; ++bone) {                                                \
        float w = dot(float4(left == 0), weights);                                                  \
        c0 += g_skinningMatrices[bone * 3] * w;                                                     \
        c1 += g_skinningMatrices[bone * 3 + 1] * w;                                                 \
        c2 += g_skinningMatrices[bone * 3 + 2] * w;                                                 \
        left -= 1;                                                                                  \
    }
#else
#define SKIN_MATRIX(bones, weights, c0, c1, c2)                                                     \
    float4 c0 = g_skinningMatrices[(int)bones.x * 3] * weights.x +                                  \
                g_skinningMatrices[(int)bones.y * 3] * weights.y +                                  \
                g_skinningMatrices[(int)bones.z * 3] * weights.z +                                  \
                g_skinningMatrices[(int)bones.w * 3] * weights.w;                                   \
    float4 c1 = g_skinningMatrices[(int)bones.x * 3 + 1] * weights.x +                              \
                g_skinningMatrices[(int)bones.y * 3 + 1] * weights.y +                              \
                g_skinningMatrices[(int)bones.z * 3 + 1] * weights.z +                              \
                g_skinningMatrices[(int)bones.w * 3 + 1] * weights.w;                               \
    float4 c2 = g_skinningMatrices[(int)bones.x * 3 + 2] * weights.x +                              \
                g_skinningMatrices[(int)bones.y * 3 + 2] * weights.y +                              \
                g_skinningMatrices[(int)bones.z * 3 + 2] * weights.z +                              \
                g_skinningMatrices[(int)bones.w * 3 + 2] * weights.w;

#endif

// A point (w = 1) or a direction (w = 0) moved by those columns.
#define SKIN_APPLY(p, c0, c1, c2) float3(dot(p, c0), dot(p, c1), dot(p, c2))

#endif
