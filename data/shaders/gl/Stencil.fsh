#version 120
// Colour writes are off while light volumes mark the stencil buffer.

void main() {
    gl_FragColor = vec4(0.0);
}
