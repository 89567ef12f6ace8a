#version 120
// Copies the source texture to the target.

uniform sampler2D texture;

varying vec2 vTexcoord;

void main() {
    gl_FragColor = texture2D(texture, vTexcoord);
}
