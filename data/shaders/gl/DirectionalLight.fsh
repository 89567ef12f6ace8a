#version 120
// A light from one direction, everywhere: diffuse light in rgb, specular
// intensity in a, added to the light buffer.

uniform sampler2D geometryBuffer;     // view-space normal, view-space z (0: no surface)
uniform sampler2D glossinessBuffer;   // glossiness, specular strength
uniform vec2 invScreenSize;
uniform float invNear;
uniform mat4 invProjectionMatrix;
uniform vec3 lightDirection;          // view space, the way the light travels
uniform vec3 lightColor;

void main() {
    vec2 uv = gl_FragCoord.xy * invScreenSize;
    vec4 g = texture2D(geometryBuffer, uv);
    if (g.a == 0.0)
        discard;
    vec4 h = invProjectionMatrix * vec4(uv * 2.0 - 1.0, 0.0, 1.0);
    vec3 position = (h.xyz / h.w) * (g.a * invNear);
    vec3 n = normalize(g.xyz);
    vec3 l = -normalize(lightDirection);
    float diffuse = max(dot(n, l), 0.0);
    if (diffuse <= 0.0)
        discard;

    // Blinn-Phong, normalised so that glossier highlights are smaller but
    // brighter rather than simply dimmer.
    vec2 gloss = texture2D(glossinessBuffer, uv).xy;
    float exponent = max(gloss.x, 1.0);
    vec3 halfway = normalize(l - normalize(position));
    float specular = gloss.y * (exponent + 8.0) / 8.0 * pow(max(dot(n, halfway), 0.0), exponent) * diffuse;
    float intensity = dot(lightColor, vec3(0.2126, 0.7152, 0.0722));
    gl_FragColor = vec4(lightColor * diffuse, specular * intensity);
}
