#version 120
// Batched 2D drawing of images and text: the texture tinted by the vertex
// colour. Built with UNTEXTURED_WHITE it also draws shapes without a texture
// batched among them: their texture coordinate u lies below untexturedBelow,
// and they take the vertex colour alone.

uniform sampler2D texture;
#ifdef UNTEXTURED_WHITE
uniform float untexturedBelow;
#endif

varying vec4 vColor;
varying vec2 vTexcoord;

void main() {
#ifdef UNTEXTURED_WHITE
    if (vTexcoord.x < untexturedBelow) {
        gl_FragColor = vColor;
        return;
    }
#endif
    gl_FragColor = texture2D(texture, vTexcoord) * vColor;
}
