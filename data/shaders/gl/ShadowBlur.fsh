#version 120
// One direction of a separable blur of shadow moments: seven taps, each an
// offset in texture coordinates and a weight.

uniform sampler2D tex;
uniform vec3 samples[7];   // offset x, offset y, weight

varying vec2 vTexcoord;

void main() {
    vec4 sum = vec4(0.0);
    for (int i = 0; i < 7; ++i)
        sum += texture2D(tex, vTexcoord + samples[i].xy) * samples[i].z;
    gl_FragColor = sum;
}
