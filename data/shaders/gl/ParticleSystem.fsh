#version 120
// Particles: the sprite (or its animation frame) tinted by the particle's
// colour, its alpha scaled by the opacity and fades. Additive emitters blend
// with (source alpha, one), so alpha dims them as well. Where a particle
// comes near the surface behind it, it fades out over half its size, so that
// smoke on the ground shows no hard line where the quad cuts the floor.

uniform sampler2D texture;
uniform sampler2D geometryBuffer;  // view-space normal, view z (0: no surface)
uniform vec2 invScreenSize;
uniform float softParticles;       // 1 when the geometry buffer is bound

varying vec2 vTexcoord;
varying vec4 vColor;
varying vec2 vDepth;

void main() {
    vec4 sprite = texture2D(texture, vTexcoord);
    float alpha = sprite.a * vColor.a;
    if (softParticles > 0.5 && vDepth.y > 0.0) {
        float sceneZ = texture2D(geometryBuffer, gl_FragCoord.xy * invScreenSize).w;
        if (sceneZ > 0.0)
            alpha *= clamp((sceneZ - vDepth.x) / vDepth.y, 0.0, 1.0);
    }
    gl_FragColor = vec4(sprite.rgb * vColor.rgb, alpha);
}
