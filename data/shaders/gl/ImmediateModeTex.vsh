#version 120
// Batched 2D drawing of images and text: as the plain program, with texture
// coordinates. A vertex whose u lies below untexturedBelow belongs to a shape
// without a texture drawn in the same batch: it takes its colour alone.

attribute vec3 position;
attribute vec2 texcoord;
attribute vec4 color;

uniform mat4 modelViewProj;
uniform float untexturedBelow;

varying vec4 vColor;
varying vec2 vTexcoord;
varying float vUntextured;

void main() {
    gl_Position = modelViewProj * vec4(position, 1.0);
    vColor = color / 255.0;
    vTexcoord = texcoord;
    vUntextured = texcoord.x < untexturedBelow ? 1.0 : 0.0;
}
