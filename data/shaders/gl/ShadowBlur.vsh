#version 120
// Blur of a square shadow map: the quad covers the target, whose texels line
// up with the source's.

attribute vec2 position;

varying vec2 vTexcoord;

void main() {
    gl_Position = vec4(position, 0.0, 1.0);
    vTexcoord = position * 0.5 + 0.5;
}
