#version 120
// One face of a cube per full-screen quad: the corner positions are the
// face coordinates, turned into directions by the fragment stage.

attribute vec2 position;

varying vec2 vFace;

void main() {
    gl_Position = vec4(position, 0.0, 1.0);
    vFace = position;
}
