#version 120
// Batched 2D drawing without a texture: the vertex colour.

varying vec4 vColor;

void main() {
    gl_FragColor = vColor;
}
