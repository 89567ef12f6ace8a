#version 120
// Batched 2D drawing of images and text: as the plain program, with texture
// coordinates.

attribute vec3 position;
attribute vec2 texcoord;
attribute vec4 color;

uniform mat4 modelViewProj;

varying vec4 vColor;
varying vec2 vTexcoord;

void main() {
    gl_Position = modelViewProj * vec4(position, 1.0);
    vColor = color / 255.0;
    vTexcoord = texcoord;
}
