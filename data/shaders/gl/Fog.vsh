#version 120
// Fog: a full-screen quad over the final buffer.

attribute vec2 position;

void main() {
    gl_Position = vec4(position, 0.0, 1.0);
}
