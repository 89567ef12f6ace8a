#version 120
// A point light with a shadow cube: as PointLight.fsh, darkened where the
// cube holds something nearer to the light than this surface.
//
// The cube holds, per direction from the light, the first two moments of the
// distance to the nearest caster in units of the range (d, d^2). A cleared
// cube (1, 1) reads as lit everywhere within the range. Blurred cubes hold
// averaged moments, whose spread gives soft edges (Chebyshev's bound).

uniform sampler2D geometryBuffer;     // view-space normal, view-space z (0: no surface)
uniform sampler2D glossinessBuffer;   // glossiness, specular strength
uniform vec2 invScreenSize;
uniform float invNear;
uniform mat4 invProjectionMatrix;
uniform vec3 lightPosition;           // view space
uniform vec3 lightColor;
uniform float invLightRange;
uniform samplerCube shadowCubeMap;
uniform mat4 shadowProjMatrix;        // view space to (world - light) / range

float lit(vec3 position) {
    vec3 fromLight = (shadowProjMatrix * vec4(position, 1.0)).xyz;
    // A small offset keeps surfaces from shadowing themselves.
    float d = length(fromLight) - 0.004;
    vec2 moments = textureCube(shadowCubeMap, fromLight).rg;
    if (d <= moments.x)
        return 1.0;
    float variance = max(moments.y - moments.x * moments.x, 0.00002);
    float delta = d - moments.x;
    float p = variance / (variance + delta * delta);
    // Cut the faint tail of the bound, where light would bleed through
    // overlapping casters.
    return clamp((p - 0.25) / 0.75, 0.0, 1.0);
}

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
    float x = distance * invLightRange;
    float window = clamp(1.0 - x * x * x * x, 0.0, 1.0);
    float attenuation = window * window / (1.0 + 4.0 * x * x);
    float diffuse = max(dot(n, l), 0.0) * attenuation;
    if (diffuse <= 0.0) {
        gl_FragColor = vec4(0.0);
        return;
    }
    diffuse *= lit(position);

    vec2 gloss = texture2D(glossinessBuffer, uv).xy;
    float exponent = max(gloss.x, 1.0);
    vec3 halfway = normalize(l - normalize(position));
    float specular = gloss.y * (exponent + 8.0) / 8.0 * pow(max(dot(n, halfway), 0.0), exponent) * diffuse;
    float intensity = dot(lightColor, vec3(0.2126, 0.7152, 0.0722));
    gl_FragColor = vec4(lightColor * diffuse, specular * intensity);
}
