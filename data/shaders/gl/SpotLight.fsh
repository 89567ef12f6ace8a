#version 120
// A spot light: a point light limited to a cone along spotDirection, whose
// edge softens from cos(half angle) (dark) to cos(sharpness × half angle)
// (full). Drawn with PointLight.vsh. Define: CAST_SHADOW.
//
// With CAST_SHADOW it is darkened where its shadow map, seen through the
// light's cone, holds something nearer to the light: the map holds the
// distance to the nearest caster in units of the range and its square, as
// the point lights' cubes do, blurred or not.

uniform sampler2D geometryBuffer;     // view-space normal, view-space z (0: no surface)
uniform sampler2D glossinessBuffer;   // glossiness, specular strength
uniform vec2 invScreenSize;
uniform float invNear;
uniform mat4 invProjectionMatrix;
uniform vec3 lightPosition;           // view space
uniform vec3 lightColor;
uniform float invLightRange;
uniform vec3 spotDirection;           // view space, unit
uniform vec2 spotFalloff;             // cos(half angle), cos(sharpness × half angle)

#ifdef CAST_SHADOW
uniform sampler2D shadowMap;
uniform mat4 shadowProjMatrix;        // view space to the shadow map's x, y (and w)

float lit(vec3 position, float distance) {
    vec4 s = shadowProjMatrix * vec4(position, 1.0);
    if (s.w <= 0.0)
        return 1.0;
    vec2 moments = texture2D(shadowMap, s.xy / s.w).rg;
    // A small offset keeps surfaces from shadowing themselves.
    float d = distance * invLightRange - 0.004;
    if (d <= moments.x)
        return 1.0;
    float variance = max(moments.y - moments.x * moments.x, 0.00002);
    float delta = d - moments.x;
    float p = variance / (variance + delta * delta);
    // Cut the faint tail of the bound, where light would bleed through
    // overlapping casters.
    return clamp((p - 0.25) / 0.75, 0.0, 1.0);
}
#endif

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
    // A sharpness of 1 gives a hard edge: keep the ramp from dividing by zero.
    float cone = clamp((dot(-l, spotDirection) - spotFalloff.x) / max(spotFalloff.y - spotFalloff.x, 1e-4), 0.0, 1.0);
    float diffuse = max(dot(n, l), 0.0) * attenuation * cone * cone * (3.0 - 2.0 * cone);
    if (diffuse <= 0.0) {
        gl_FragColor = vec4(0.0);
        return;
    }
#ifdef CAST_SHADOW
    diffuse *= lit(position, distance);
#endif

    vec2 gloss = texture2D(glossinessBuffer, uv).xy;
    float exponent = max(gloss.x, 1.0);
    vec3 halfway = normalize(l - normalize(position));
    float specular = gloss.y * (exponent + 8.0) / 8.0 * pow(max(dot(n, halfway), 0.0), exponent) * diffuse;
    float intensity = dot(lightColor, vec3(0.2126, 0.7152, 0.0722));
    gl_FragColor = vec4(lightColor * diffuse, specular * intensity);
}
