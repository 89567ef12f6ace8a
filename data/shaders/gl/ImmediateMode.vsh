#version 120
// Batched 2D drawing: positions in pixels (or world space for debug lines)
// through the given matrix; colours arrive as bytes 0..255.

attribute vec3 position;
attribute vec4 color;

uniform mat4 modelViewProj;

varying vec4 vColor;

void main() {
    gl_Position = modelViewProj * vec4(position, 1.0);
    vColor = color / 255.0;
}
