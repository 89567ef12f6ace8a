#version 120
// Averages a cube over a cone around each texel's direction. The samples are
// directions around +Y; each texel turns them around its own direction.

uniform samplerCube tex;
uniform vec3 samples[16];
uniform mat3 faceRot;   // face coordinates (x, y, 1) to the texel's direction

varying vec2 vFace;

void main() {
    vec3 axis = normalize(faceRot * vec3(vFace, 1.0));
    vec3 helper = abs(axis.y) < 0.99 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0);
    vec3 side = normalize(cross(helper, axis));
    vec3 front = cross(side, axis);
    vec4 sum = vec4(0.0);
    for (int i = 0; i < 16; ++i)
        sum += textureCube(tex, samples[i].x * side + samples[i].y * axis + samples[i].z * front);
    gl_FragColor = sum / 16.0;
}
