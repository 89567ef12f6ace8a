#version 120
// Geometry pass: view-space normal and depth into the geometry buffer,
// glossiness and specular strength into the glossiness buffer.
// Defines: NORMAL_MAP, ALPHA_TEST.

uniform sampler2D diffuseMap;
uniform sampler2D normalMap;
uniform sampler2D specularMap;
uniform float glossiness;

varying vec2 vTexcoord;
varying vec3 vViewPosition;
varying vec3 vViewNormal;
#ifdef NORMAL_MAP
varying vec3 vViewTangent;
varying vec3 vViewBitangent;
#endif

void main() {
#ifdef ALPHA_TEST
    if (texture2D(diffuseMap, vTexcoord).a <= 0.5)
        discard;
#endif
    vec3 n = normalize(vViewNormal);
#ifdef NORMAL_MAP
    vec3 m = texture2D(normalMap, vTexcoord).xyz * 2.0 - 1.0;
    n = normalize(m.x * vViewTangent + m.y * vViewBitangent + m.z * n);
#endif
    float specular = texture2D(specularMap, vTexcoord).r;
    gl_FragData[0] = vec4(n, vViewPosition.z);
    gl_FragData[1] = vec4(glossiness, specular, 0.0, 1.0);
}
