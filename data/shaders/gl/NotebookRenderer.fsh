#version 120
// The forward renderer's lit surfaces: the primary light per pixel with a
// normalised Blinn-Phong highlight, the vertex lights from the vertex stage,
// and the emissive colour. Defines: NORMAL_MAP.

uniform sampler2D diffuseMap;
uniform sampler2D specularMap;
uniform sampler2D normalMap;
uniform vec3 emissiveColor;
uniform float glossiness;

uniform vec3 lightColor;
uniform vec3 lightPosition;   // view space
uniform float invLightRange;

varying vec2 vTexcoord;
varying vec3 vViewPosition;
varying vec3 vViewNormal;
varying vec3 vVertexLight;
#ifdef NORMAL_MAP
varying vec3 vViewTangent;
varying vec3 vViewBitangent;
#endif

float attenuation(float distance, float invRange) {
    float x = distance * invRange;
    float window = clamp(1.0 - x * x * x * x, 0.0, 1.0);
    return window * window / (1.0 + 4.0 * x * x);
}

void main() {
    vec4 diffuse = texture2D(diffuseMap, vTexcoord);
    vec3 specularColor = texture2D(specularMap, vTexcoord).rgb;
    vec3 n = normalize(vViewNormal);
#ifdef NORMAL_MAP
    vec3 m = texture2D(normalMap, vTexcoord).xyz * 2.0 - 1.0;
    n = normalize(m.x * vViewTangent + m.y * vViewBitangent + m.z * n);
#endif
    vec3 toLight = lightPosition - vViewPosition;
    float distance = length(toLight);
    vec3 l = toLight / max(distance, 1e-6);
    float lit = max(dot(n, l), 0.0) * attenuation(distance, invLightRange);
    float exponent = max(glossiness, 1.0);
    vec3 halfway = normalize(l - normalize(vViewPosition));
    float highlight = (exponent + 8.0) / 8.0 * pow(max(dot(n, halfway), 0.0), exponent) * lit;

    vec3 light = lightColor * lit + vVertexLight;
    gl_FragColor = vec4(diffuse.rgb * light + specularColor * lightColor * highlight + emissiveColor, diffuse.a);
}
