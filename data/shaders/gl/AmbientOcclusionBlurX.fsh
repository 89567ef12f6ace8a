#version 120
// Horizontal blur of the occlusion that keeps edges: neighbours whose depth
// differs from this pixel's by more than the threshold (relative to the
// depth) do not take part. Reads (occlusion rgb, depth a); writes
// (occlusion, depth) for the vertical pass.

uniform sampler2D ssaoBuffer;
uniform float threshold;
uniform vec2 offset[4];
uniform vec2 invScreenSize;

void main() {
    vec2 uv = gl_FragCoord.xy * invScreenSize;
    vec4 center = texture2D(ssaoBuffer, uv);
    float depth = center.a;
    float sum = center.r;
    float weight = 1.0;
    for (int k = 0; k < 4; ++k) {
        vec4 s = texture2D(ssaoBuffer, uv + offset[k]);
        if (abs(s.a - depth) <= threshold * depth) {
            sum += s.r;
            weight += 1.0;
        }
    }
    gl_FragColor = vec4(sum / weight, depth, 0.0, 1.0);
}
