#version 120
// Batched 2D drawing of images and text: the texture tinted by the vertex
// colour, or the colour alone for shapes without a texture.

uniform sampler2D texture;

varying vec4 vColor;
varying vec2 vTexcoord;
varying float vUntextured;

void main() {
    vec4 texel = vUntextured > 0.5 ? vec4(1.0) : texture2D(texture, vTexcoord);
    gl_FragColor = texel * vColor;
}
