#version 120
// Light volumes drawn into the stencil buffer only.

attribute vec3 position;

uniform mat4 viewProjMatrix;   // volume to clip space

void main() {
    gl_Position = viewProjMatrix * vec4(position, 1.0);
}
