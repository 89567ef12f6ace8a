#version 120
// Batched 2D drawing of images and text: the texture tinted by the vertex colour.

uniform sampler2D texture;

varying vec4 vColor;
varying vec2 vTexcoord;

void main() {
    gl_FragColor = texture2D(texture, vTexcoord) * vColor;
}
