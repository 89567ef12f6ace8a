#version 120
// Ambient light reaches every surface alike: its colour is added to the
// diffuse light; it brings no specular light.

uniform vec3 lightColor;

void main() {
    gl_FragColor = vec4(lightColor, 0.0);
}
