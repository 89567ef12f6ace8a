#version 120
// Shadow pass, one cube face at a time: modelView takes the mesh into the
// face camera's space, whose origin is the light. Writes the distance to the
// light in units of the range and its square (the moments the light shaders
// and the blur work with), so that a cleared cube (1, 1, 1, 1) reads as
// unshadowed. Define: ALPHA_TEST.

uniform sampler2D diffuseMap;
uniform float invLightRange;

varying vec2 vTexcoord;
varying vec3 vViewPosition;

void main() {
#ifdef ALPHA_TEST
    if (texture2D(diffuseMap, vTexcoord).a <= 0.5)
        discard;
#endif
    float d = length(vViewPosition) * invLightRange;
    // The slope across the texel widens the spread, so sloped receivers do
    // not shadow themselves.
    float dx = dFdx(d);
    float dy = dFdy(d);
    gl_FragColor = vec4(d, d * d + 0.25 * (dx * dx + dy * dy), 0.0, 1.0);
}
