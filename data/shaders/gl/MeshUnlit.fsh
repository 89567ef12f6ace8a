#version 120
// Unlit and transparent surfaces: the material's own colour.

uniform sampler2D diffuseMap;
uniform vec3 emissiveColor;
uniform float opacity;

varying vec2 vTexcoord;

void main() {
    vec4 diffuse = texture2D(diffuseMap, vTexcoord);
    gl_FragColor = vec4(diffuse.rgb + emissiveColor, diffuse.a);
}
