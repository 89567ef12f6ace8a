#version 120
// Particles: the sprite (or its animation frame) tinted by the particle's
// colour, its alpha scaled by the opacity and fades. Additive emitters blend
// with (source alpha, one), so alpha dims them as well.

uniform sampler2D texture;

varying vec2 vTexcoord;
varying vec4 vColor;

void main() {
    vec4 sprite = texture2D(texture, vTexcoord);
    gl_FragColor = vec4(sprite.rgb * vColor.rgb, sprite.a * vColor.a);
}
