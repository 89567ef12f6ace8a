#version 120
// Ambient light: a full-screen quad on the near plane, so that it passes the
// depth test (less or equal) in front of every surface.

attribute vec2 position;

void main() {
    gl_Position = vec4(position, -1.0, 1.0);
}
