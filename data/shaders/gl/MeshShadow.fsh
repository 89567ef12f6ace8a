#version 120
// Shadow pass: the distance from the light, in units of the light's range,
// so that a cleared shadow cube (1, 1, 1, 1) reads as unshadowed.
// Define: ALPHA_TEST.

uniform sampler2D diffuseMap;
uniform float depthBias;
uniform vec4 lightPosition;   // view-space position, w = 1 / range

varying vec2 vTexcoord;
varying vec3 vViewPosition;

void main() {
#ifdef ALPHA_TEST
    if (texture2D(diffuseMap, vTexcoord).a <= 0.5)
        discard;
#endif
    float distance = length(vViewPosition - lightPosition.xyz) * lightPosition.w + depthBias;
    gl_FragColor = vec4(distance);
}
