#version 120
// Ambient occlusion passes: a full-screen quad; inputs are read by pixel position.

attribute vec2 position;

void main() {
    gl_Position = vec4(position, 0.0, 1.0);
}
