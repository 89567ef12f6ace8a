#version 120
// The view depth alone, in a one-channel texture that the occlusion pass
// reads many times per pixel. 0 where there is no surface.

uniform sampler2D geometryBuffer;
uniform vec2 invScreenSize;

void main() {
    float z = texture2D(geometryBuffer, gl_FragCoord.xy * invScreenSize).a;
    gl_FragColor = vec4(z, 0.0, 0.0, 1.0);
}
