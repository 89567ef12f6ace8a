#version 120
// Screen-space ambient occlusion. Around each surface point, samples of the
// depth texture within a disc on screen are turned back into view-space
// points; every point that lies above the surface's tangent plane and near
// the surface hides part of the sky. The disc is turned per pixel by a 4 × 4
// rotation pattern that the blur passes then smooth out.
// Defines: USE_HIGH_QUALITY (all 17 kernel samples instead of every other one).
// Output: occlusion factor (1 open, 0 closed) in rgb, view depth in a for the
// depth-aware blur.

uniform sampler2D geometryBuffer;
uniform sampler2D depthBuffer;
uniform sampler2D rotTex;
uniform mat4 invProjectionMatrix;
uniform float invNear;
uniform vec2 samples[17];
uniform float pixRadius;      // largest disc radius, in pixels
uniform vec2 screenToView;    // view-space size of a pixel at depth 1
uniform vec2 invScreenSize;

// View-space distance within which geometry occludes.
const float radius = 0.75;
// Ignores the surface's own slight bumps (as a cosine) and the precision of
// the stored depth (as a share of the depth), which would otherwise speckle
// flat surfaces seen at grazing angles.
const float bias = 0.1;
const float depthBias = 0.003;
const float strength = 1.6;

vec3 viewPosition(vec2 uv, float z) {
    vec4 h = invProjectionMatrix * vec4(uv * 2.0 - 1.0, 0.0, 1.0);
    return (h.xyz / h.w) * (z * invNear);
}

void main() {
    vec2 uv = gl_FragCoord.xy * invScreenSize;
    vec4 g = texture2D(geometryBuffer, uv);
    if (g.a <= 0.0) {
        gl_FragColor = vec4(1.0, 1.0, 1.0, 0.0);
        return;
    }
    vec3 p = viewPosition(uv, g.a);
    vec3 n = normalize(g.xyz);

    // (sin, -sin, cos, cos) of this pixel's angle.
    vec4 r = texture2D(rotTex, gl_FragCoord.xy * 0.25) * 2.0 - 1.0;
    // The disc covers the occlusion radius at this depth, up to pixRadius pixels.
    float discPixels = min(pixRadius, radius / (screenToView.x * g.a));
    vec2 scale = discPixels * invScreenSize;

#ifdef USE_HIGH_QUALITY
    const int step = 1;
#else
    const int step = 2;
#endif
    float occlusion = 0.0;
    float count = 0.0;
    for (int k = 0; k < 17; k += step) {
        vec2 s = samples[k];
        vec2 turned = vec2(r.b * s.x + r.g * s.y, r.r * s.x + r.a * s.y);
        vec2 suv = uv + turned * scale;
        float z = texture2D(depthBuffer, suv).r;
        count += 1.0;
        if (z <= 0.0)
            continue;
        vec3 v = viewPosition(suv, z) - p;
        float d = length(v);
        if (d < 1e-4)
            continue;
        float facing = max((dot(n, v) - depthBias * p.z) / d - bias, 0.0);
        float nearness = clamp(1.0 - d / (2.0 * radius), 0.0, 1.0);
        occlusion += facing * nearness;
    }
    float open = clamp(1.0 - strength * occlusion / count, 0.0, 1.0);
    gl_FragColor = vec4(open, open, open, g.a);
}
