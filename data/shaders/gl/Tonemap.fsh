#version 120
// Maps the linear colour of the lit scene to the display.
//
// Operator: the filmic curve fitted to the ACES reference rendering
// transform, f(x) = x (2.51 x + 0.03) / (x (2.43 x + 0.59) + 0.14), applied to
// each channel. It lifts the darks a little, keeps mid tones close to their
// value and rolls highlights off smoothly towards white instead of clipping
// them, so bright lights keep their shape. Colours are clamped to 0..1 after.
// The scene arrives linear (the mesh passes decode colour maps from sRGB);
// the curve's result goes to the display as it is, with no encoding step, as
// the Direct3D 9 frame writes it to a back buffer without sRGB conversion.

uniform sampler2D sourceTex;
uniform vec2 invScreenSize;

vec3 filmic(vec3 x) {
    return clamp(x * (2.51 * x + 0.03) / (x * (2.43 * x + 0.59) + 0.14), 0.0, 1.0);
}

void main() {
    vec3 color = max(texture2D(sourceTex, gl_FragCoord.xy * invScreenSize).rgb, vec3(0.0));
    gl_FragColor = vec4(filmic(color), 1.0);
}
