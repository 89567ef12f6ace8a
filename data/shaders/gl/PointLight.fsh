#version 120
// A light at a point, fading to nothing at its range: diffuse light in rgb,
// specular intensity in a, added to the light buffer.

uniform sampler2D geometryBuffer;     // view-space normal, view-space z (0: no surface)
uniform sampler2D glossinessBuffer;   // glossiness, specular strength
uniform vec2 invScreenSize;
uniform float invNear;
uniform mat4 invProjectionMatrix;
uniform vec3 lightPosition;           // view space
uniform vec3 lightColor;
uniform float invLightRange;

void main() {
    vec2 uv = gl_FragCoord.xy * invScreenSize;
    vec4 g = texture2D(geometryBuffer, uv);
    // Every pixel that passes the stencil test writes, even nothing, so that
    // the stencil goes back to 0 for the next light: a discarded fragment
    // would leave its mark.
    if (g.a == 0.0) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec4 h = invProjectionMatrix * vec4(uv * 2.0 - 1.0, 0.0, 1.0);
    vec3 position = (h.xyz / h.w) * (g.a * invNear);
    vec3 n = normalize(g.xyz);

    vec3 toLight = lightPosition - position;
    float distance = length(toLight);
    vec3 l = toLight / max(distance, 1e-6);
    // Inverse-square falloff around a soft core of half the range, in units
    // of the range, windowed so that it reaches exactly zero at the range
    // instead of being cut off.
    float x = distance * invLightRange;
    float window = clamp(1.0 - x * x * x * x, 0.0, 1.0);
    float attenuation = window * window / (1.0 + 4.0 * x * x);
    float diffuse = max(dot(n, l), 0.0) * attenuation;
    if (diffuse <= 0.0) {
        gl_FragColor = vec4(0.0);
        return;
    }

    vec2 gloss = texture2D(glossinessBuffer, uv).xy;
    float exponent = max(gloss.x, 1.0);
    vec3 halfway = normalize(l - normalize(position));
    float specular = gloss.y * (exponent + 8.0) / 8.0 * pow(max(dot(n, halfway), 0.0), exponent) * diffuse;
    float intensity = dot(lightColor, vec3(0.2126, 0.7152, 0.0722));
    gl_FragColor = vec4(lightColor * diffuse, specular * intensity);
}
