#version 120
// Full-screen light passes: the quad's corners come as clip-space positions.

attribute vec2 position;

void main() {
    gl_Position = vec4(position, 0.0, 1.0);
}
