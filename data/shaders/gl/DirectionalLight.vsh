#version 120
// Directional light passes: the quad's corners come as clip-space positions,
// at the clip depth quadDepth. At -1 (the near plane) the depth test, which
// stays on through the light pass, never rejects a surface however close;
// a cascade places it just beyond its far end and tests the other way, so
// that surfaces beyond the cascade are never shaded.

attribute vec2 position;

uniform float quadDepth;

void main() {
    gl_Position = vec4(position, quadDepth, 1.0);
}
