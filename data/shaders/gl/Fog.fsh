#version 120
// Fog blended over the lit scene by view depth: none before the near
// distance, full fog colour from the far distance on, linear between.
// fogParams turns a view depth z into that amount as z * x + y.

uniform sampler2D geometryBuffer;
uniform vec2 invScreenSize;
uniform vec3 fogColor;
uniform vec2 fogParams;

void main() {
    float z = texture2D(geometryBuffer, gl_FragCoord.xy * invScreenSize).a;
    // No surface there: leave the pixel alone.
    float amount = z > 0.0 ? clamp(z * fogParams.x + fogParams.y, 0.0, 1.0) : 0.0;
    gl_FragColor = vec4(fogColor, amount);
}
