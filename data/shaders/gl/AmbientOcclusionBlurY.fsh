#version 120
// Vertical blur of the occlusion, edges kept as in the horizontal pass.
// Reads (occlusion, depth); the result multiplies the final buffer.

uniform sampler2D ssaoBuffer;
uniform float threshold;
uniform vec2 offset[4];
uniform vec2 invScreenSize;

void main() {
    vec2 uv = gl_FragCoord.xy * invScreenSize;
    vec4 center = texture2D(ssaoBuffer, uv);
    float depth = center.g;
    if (depth <= 0.0) {
        gl_FragColor = vec4(1.0);
        return;
    }
    float sum = center.r;
    float weight = 1.0;
    for (int k = 0; k < 4; ++k) {
        vec4 s = texture2D(ssaoBuffer, uv + offset[k]);
        if (abs(s.g - depth) <= threshold * depth) {
            sum += s.r;
            weight += 1.0;
        }
    }
    gl_FragColor = vec4(vec3(sum / weight), 1.0);
}
