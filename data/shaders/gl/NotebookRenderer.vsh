#version 120
// The forward renderer's vertex stage: the surface's view-space position and
// normal for the per-pixel primary light, and the light of four vertex lights
// summed per vertex. Defines: SKINNING, NORMAL_MAP.

attribute vec3 position;
attribute vec3 normal;
attribute vec3 tangent;
attribute vec3 bitangent;
attribute vec2 texcoord;
attribute vec4 boneIndices;   // bytes, not normalised: 0 to 63
attribute vec4 boneWeights;   // bytes, not normalised: they sum to 255

uniform mat4 modelViewProj;
uniform mat4 modelView;

// The vertex lights, view space; a light of colour 0 adds nothing.
uniform vec3 vlightColor[4];
uniform vec3 vlightPosition[4];
uniform float vlightInvRange[4];

#ifdef SKINNING
// Three columns per bone: column j holds m0j, m1j, m2j, m3j.
uniform vec4 skinningMatrices[192];

vec3 skin(vec4 h, ivec4 bones, vec4 w) {
    vec3 sum = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        int bone = bones[i];
        sum += w[i] * vec3(dot(h, skinningMatrices[bone * 3]), dot(h, skinningMatrices[bone * 3 + 1]),
                           dot(h, skinningMatrices[bone * 3 + 2]));
    }
    return sum;
}
#endif

varying vec2 vTexcoord;
varying vec3 vViewPosition;
varying vec3 vViewNormal;
varying vec3 vVertexLight;
#ifdef NORMAL_MAP
varying vec3 vViewTangent;
varying vec3 vViewBitangent;
#endif

// The same falloff as the deferred point light: inverse square around a soft
// core, windowed to reach zero at the range.
float attenuation(float distance, float invRange) {
    float x = distance * invRange;
    float window = clamp(1.0 - x * x * x * x, 0.0, 1.0);
    return window * window / (1.0 + 4.0 * x * x);
}

void main() {
    vec3 p = position;
    vec3 n = normal;
#ifdef NORMAL_MAP
    vec3 t = tangent;
    vec3 b = bitangent;
#endif
#ifdef SKINNING
    ivec4 bones = ivec4(boneIndices);
    vec4 w = boneWeights / 255.0;
    p = skin(vec4(position, 1.0), bones, w);
    n = skin(vec4(normal, 0.0), bones, w);
#ifdef NORMAL_MAP
    t = skin(vec4(tangent, 0.0), bones, w);
    b = skin(vec4(bitangent, 0.0), bones, w);
#endif
#endif
    // The host's row-vector matrices, uploaded as stored, read transposed here.
    gl_Position = modelViewProj * vec4(p, 1.0);
    vViewPosition = (modelView * vec4(p, 1.0)).xyz;
    vViewNormal = (modelView * vec4(n, 0.0)).xyz;
#ifdef NORMAL_MAP
    vViewTangent = (modelView * vec4(t, 0.0)).xyz;
    vViewBitangent = (modelView * vec4(b, 0.0)).xyz;
#endif
    vTexcoord = texcoord;

    vec3 viewNormal = normalize(vViewNormal);
    vVertexLight = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        vec3 toLight = vlightPosition[i] - vViewPosition;
        float distance = length(toLight);
        float facing = max(dot(viewNormal, toLight / max(distance, 1e-6)), 0.0);
        vVertexLight += vlightColor[i] * facing * attenuation(distance, vlightInvRange[i]);
    }
}
