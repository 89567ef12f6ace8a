#version 120
// Full-screen light passes: the quad's corners come as clip-space positions.
// The quad lies on the near plane (depth 0), so that the depth test, which
// stays on through the light pass, never rejects a surface however close.

attribute vec2 position;

void main() {
    gl_Position = vec4(position, -1.0, 1.0);
}
