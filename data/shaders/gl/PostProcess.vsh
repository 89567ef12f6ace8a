#version 120
// Full-screen passes: the quad's corners come as clip-space positions.

attribute vec2 position;

varying vec2 vTexcoord;

void main() {
    gl_Position = vec4(position, 0.0, 1.0);
    vTexcoord = position * 0.5 + 0.5;
}
