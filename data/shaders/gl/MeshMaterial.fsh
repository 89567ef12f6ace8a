#version 120
// Material pass: the material's colour lit by the accumulated light buffer.
// The light buffer holds diffuse light in rgb and specular strength in a.

uniform sampler2D diffuseMap;
uniform sampler2D specularMap;
uniform sampler2D lightBuffer;
uniform vec2 invScreenSize;
uniform vec3 emissiveColor;

varying vec2 vTexcoord;

void main() {
    vec4 diffuse = texture2D(diffuseMap, vTexcoord);
    vec3 specular = texture2D(specularMap, vTexcoord).rgb;
    vec4 light = texture2D(lightBuffer, gl_FragCoord.xy * invScreenSize);
    gl_FragColor = vec4(diffuse.rgb * light.rgb + specular * light.a + emissiveColor, diffuse.a);
}
