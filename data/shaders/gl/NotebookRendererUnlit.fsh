#version 120
// The forward renderer's unlit and transparent surfaces: their own colour.

uniform sampler2D diffuseMap;
uniform vec3 emissiveColor;

varying vec2 vTexcoord;

void main() {
    vec4 diffuse = texture2D(diffuseMap, vTexcoord);
    gl_FragColor = vec4(diffuse.rgb + emissiveColor, diffuse.a);
}
