#version 120
// Fast approximate anti-aliasing of the tone-mapped picture.
//
// The luma of the four diagonal neighbours gives the direction along which
// an edge runs; the pixel is blended with samples along that direction (two
// near ones, and two far ones when their average stays within the local luma
// range, so that thin lines are not smeared away). Flat areas, where the
// neighbours' luma barely differs, come out as they went in.

uniform sampler2D sourceTex;
uniform vec2 invScreenSize;  // pixel position to source coordinates
uniform vec2 invTexRes;      // one source pixel

const float ReduceMin = 1.0 / 128.0;
const float ReduceMul = 1.0 / 8.0;
const float SpanMax = 8.0;
const vec3 LumaWeights = vec3(0.299, 0.587, 0.114);

vec3 source(vec2 uv) {
    return texture2D(sourceTex, uv).rgb;
}

void main() {
    vec2 uv = gl_FragCoord.xy * invScreenSize;
    vec3 rgbM = source(uv);
    float lumaNW = dot(source(uv + vec2(-1.0, -1.0) * invTexRes), LumaWeights);
    float lumaNE = dot(source(uv + vec2(1.0, -1.0) * invTexRes), LumaWeights);
    float lumaSW = dot(source(uv + vec2(-1.0, 1.0) * invTexRes), LumaWeights);
    float lumaSE = dot(source(uv + vec2(1.0, 1.0) * invTexRes), LumaWeights);
    float lumaM = dot(rgbM, LumaWeights);
    float lumaMin = min(lumaM, min(min(lumaNW, lumaNE), min(lumaSW, lumaSE)));
    float lumaMax = max(lumaM, max(max(lumaNW, lumaNE), max(lumaSW, lumaSE)));

    vec2 dir = vec2(-((lumaNW + lumaNE) - (lumaSW + lumaSE)), (lumaNW + lumaSW) - (lumaNE + lumaSE));
    float dirReduce = max((lumaNW + lumaNE + lumaSW + lumaSE) * (0.25 * ReduceMul), ReduceMin);
    float rcpDirMin = 1.0 / (min(abs(dir.x), abs(dir.y)) + dirReduce);
    dir = clamp(dir * rcpDirMin, vec2(-SpanMax), vec2(SpanMax)) * invTexRes;

    vec3 rgbA = 0.5 * (source(uv + dir * (1.0 / 3.0 - 0.5)) + source(uv + dir * (2.0 / 3.0 - 0.5)));
    vec3 rgbB = rgbA * 0.5 + 0.25 * (source(uv - dir * 0.5) + source(uv + dir * 0.5));
    float lumaB = dot(rgbB, LumaWeights);
    gl_FragColor = vec4((lumaB < lumaMin || lumaB > lumaMax) ? rgbA : rgbB, 1.0);
}
