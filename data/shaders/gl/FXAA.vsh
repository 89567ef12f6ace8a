#version 120
// Anti-aliasing: a full-screen quad; the source is read by pixel position.

attribute vec2 position;

void main() {
    gl_Position = vec4(position, 0.0, 1.0);
}
