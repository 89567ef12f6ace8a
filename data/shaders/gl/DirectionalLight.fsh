#version 120
// A light from one direction, everywhere: diffuse light in rgb, specular
// intensity in a, added to the light buffer. Define: CAST_SHADOW.
//
// With CAST_SHADOW the light is drawn once per cascade. Each pass lights only
// the pixels whose view depth lies in its cascade, so every pixel is lit by
// exactly one of them, and darkens them by that cascade's shadow map: the
// depth (0..1 through the light's box) of the casters and its square.

uniform sampler2D geometryBuffer;     // view-space normal, view-space z (0: no surface)
uniform sampler2D glossinessBuffer;   // glossiness, specular strength
uniform vec2 invScreenSize;
uniform float invNear;
uniform mat4 invProjectionMatrix;
uniform vec3 lightDirection;          // view space, the way the light travels
uniform vec3 lightColor;

#ifdef CAST_SHADOW
uniform sampler2D shadowMap;
uniform mat4 shadowProjMatrix;        // view space to shadow map x, y and box depth
uniform sampler2D rotTex;             // 4 x 4 rotations: sin, -sin, cos, cos
uniform vec2 samples[17];             // a disc of offsets, nearest first
uniform vec2 cascadeRange;            // view depths this pass lights: from, up to
uniform vec2 shadowFade;              // 0 at 80 % of the shadow distance, 1 at 100 %
uniform float invShadowMapSize;
uniform float normalOffset;           // view units to move a surface off itself first

float litSample(vec2 uv, float d) {
    vec2 moments = texture2D(shadowMap, uv).rg;
    if (d <= moments.x)
        return 1.0;
    float variance = max(moments.y - moments.x * moments.x, 0.0000005);
    float delta = d - moments.x;
    float p = variance / (variance + delta * delta);
    return clamp((p - 0.3) / 0.7, 0.0, 1.0);
}

// The disc turned by the pixel's rotation: neighbouring pixels sample
// different texels, so the edge reads as a soft gradient, not as steps.
float lit(vec3 position, vec3 n) {
    vec3 s = (shadowProjMatrix * vec4(position + n * normalOffset, 1.0)).xyz;
    float d = s.z - 0.0002;
    vec4 r = texture2D(rotTex, gl_FragCoord.xy * 0.25) * 2.0 - 1.0;
    float radius = 2.0 * invShadowMapSize;
    float sum = 0.0;
    for (int i = 0; i < 17; ++i) {
        vec2 o = samples[i] * radius;
        sum += litSample(s.xy + vec2(o.x * r.b + o.y * r.g, o.x * r.r + o.y * r.a), d);
    }
    return sum / 17.0;
}
#endif

void main() {
    vec2 uv = gl_FragCoord.xy * invScreenSize;
    vec4 g = texture2D(geometryBuffer, uv);
    if (g.a == 0.0)
        discard;
    vec4 h = invProjectionMatrix * vec4(uv * 2.0 - 1.0, 0.0, 1.0);
    vec3 position = (h.xyz / h.w) * (g.a * invNear);
#ifdef CAST_SHADOW
    if (position.z < cascadeRange.x || position.z >= cascadeRange.y)
        discard;
#endif
    vec3 n = normalize(g.xyz);
    vec3 l = -normalize(lightDirection);
    float diffuse = max(dot(n, l), 0.0);
    if (diffuse <= 0.0)
        discard;
#ifdef CAST_SHADOW
    diffuse *= mix(lit(position, n), 1.0, clamp(position.z * shadowFade.x + shadowFade.y, 0.0, 1.0));
#endif

    // Blinn-Phong, normalised so that glossier highlights are smaller but
    // brighter rather than simply dimmer.
    vec2 gloss = texture2D(glossinessBuffer, uv).xy;
    float exponent = max(gloss.x, 1.0);
    vec3 halfway = normalize(l - normalize(position));
    float specular = gloss.y * (exponent + 8.0) / 8.0 * pow(max(dot(n, halfway), 0.0), exponent) * diffuse;
    float intensity = dot(lightColor, vec3(0.2126, 0.7152, 0.0722));
    gl_FragColor = vec4(lightColor * diffuse, specular * intensity);
}
