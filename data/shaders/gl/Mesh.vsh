#version 120
// Every surface program's vertex stage. Defines: SKINNING (bones move the
// vertex), NORMAL_MAP (pass the tangent frame on).

attribute vec3 position;
attribute vec3 normal;
attribute vec3 tangent;
attribute vec3 bitangent;
attribute vec2 texcoord;
attribute vec4 boneIndices;   // bytes, not normalised: 0 to 63
attribute vec4 boneWeights;   // bytes, not normalised: they sum to 255

uniform mat4 modelViewProj;
uniform mat4 modelView;
uniform vec2 texOffset;

#ifdef SKINNING
// Three columns per bone: column j holds m0j, m1j, m2j, m3j.
uniform vec4 skinningMatrices[192];

vec3 skinPoint(vec3 p, int bone) {
    vec4 h = vec4(p, 1.0);
    return vec3(dot(h, skinningMatrices[bone * 3]), dot(h, skinningMatrices[bone * 3 + 1]),
                dot(h, skinningMatrices[bone * 3 + 2]));
}

vec3 skinDirection(vec3 d, int bone) {
    vec4 h = vec4(d, 0.0);
    return vec3(dot(h, skinningMatrices[bone * 3]), dot(h, skinningMatrices[bone * 3 + 1]),
                dot(h, skinningMatrices[bone * 3 + 2]));
}
#endif

varying vec2 vTexcoord;
varying vec3 vViewPosition;
varying vec3 vViewNormal;
#ifdef NORMAL_MAP
varying vec3 vViewTangent;
varying vec3 vViewBitangent;
#endif

void main() {
    vec3 p = position;
    vec3 n = normal;
#ifdef NORMAL_MAP
    vec3 t = tangent;
    vec3 b = bitangent;
#endif
#ifdef SKINNING
    vec4 w = boneWeights / 255.0;
    ivec4 bones = ivec4(boneIndices);
    p = skinPoint(position, bones.x) * w.x + skinPoint(position, bones.y) * w.y +
        skinPoint(position, bones.z) * w.z + skinPoint(position, bones.w) * w.w;
    n = skinDirection(normal, bones.x) * w.x + skinDirection(normal, bones.y) * w.y +
        skinDirection(normal, bones.z) * w.z + skinDirection(normal, bones.w) * w.w;
#ifdef NORMAL_MAP
    t = skinDirection(tangent, bones.x) * w.x + skinDirection(tangent, bones.y) * w.y +
        skinDirection(tangent, bones.z) * w.z + skinDirection(tangent, bones.w) * w.w;
    b = skinDirection(bitangent, bones.x) * w.x + skinDirection(bitangent, bones.y) * w.y +
        skinDirection(bitangent, bones.z) * w.z + skinDirection(bitangent, bones.w) * w.w;
#endif
#endif
    // The host uploads its row-vector matrices as stored, which GLSL reads
    // transposed: matrix times column vector gives the host's vector times matrix.
    gl_Position = modelViewProj * vec4(p, 1.0);
    vViewPosition = (modelView * vec4(p, 1.0)).xyz;
    vViewNormal = (modelView * vec4(n, 0.0)).xyz;
#ifdef NORMAL_MAP
    vViewTangent = (modelView * vec4(t, 0.0)).xyz;
    vViewBitangent = (modelView * vec4(b, 0.0)).xyz;
#endif
    vTexcoord = texcoord + texOffset;
}
