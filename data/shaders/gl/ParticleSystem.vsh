#version 120
// Particles. The host only births and retires them: every vertex carries its
// particle's spawn state, and this stage works out where the particle is now,
// how it looks at its age, and spreads the quad around it facing the camera.

attribute vec3 position;       // spawn position (world, or the node's space)
attribute vec3 velocity;       // spawn velocity
attribute vec2 texcoord;       // the quad corner: (0, 0), (1, 0), (1, 1), (0, 1)
attribute vec4 particleParms;  // age, size, random (0..1), lifetime

uniform mat4 localToWorld;
uniform mat4 modelView;
uniform mat4 proj;
uniform vec3 fadeParms;          // 1 / fade-in, 1 / fade-out (0: no fade), fade-out
uniform vec4 textureAnimParms;   // frame rate, frame count, frames per row, frame size / texture width
uniform vec3 gravity;
uniform float airResistance;
uniform float rotationSpeed;
uniform float clampToGroundPlane;  // the lowest height, or the lowest float for none
uniform float depthBias;           // view-space units toward the camera
uniform vec3 colorTable[4];
uniform float opacity;

varying vec2 vTexcoord;
varying vec4 vColor;
varying vec2 vDepth;  // view z, and the distance over which the particle fades into surfaces

// The solution of dV/dt = g - kV: P0 + V0 A + g (t - A) / k with
// A = (1 - e^(-kt)) / k. Near k = 0 the terms cancel in floats, so the series
// takes over there; its limit is P0 + V0 t + g t^2 / 2.
vec3 particlePosition(float t) {
    float k = airResistance;
    float kt = k * t;
    float a;
    float b;
    if (abs(kt) < 1e-3) {
        a = t * (1.0 - kt * 0.5 + kt * kt / 6.0);
        b = t * t * (0.5 - kt / 6.0);
    } else {
        a = (1.0 - exp(-kt)) / k;
        b = (t - a) / k;
    }
    return position + velocity * a + gravity * b;
}

// Colour over the life: the four entries spread evenly from birth to death.
// Without colour animation the host sends the first colour four times.
vec3 lifeColor(float life) {
    float x = clamp(life, 0.0, 1.0) * 3.0;
    if (x < 1.0)
        return mix(colorTable[0], colorTable[1], x);
    if (x < 2.0)
        return mix(colorTable[1], colorTable[2], x - 1.0);
    return mix(colorTable[2], colorTable[3], x - 2.0);
}

void main() {
    float age = particleParms.x;
    float size = particleParms.y;
    float random = particleParms.z;
    float lifetime = particleParms.w;

    // The host's row-vector matrices arrive as stored, which GLSL reads
    // transposed: matrix times column vector is the host's vector times matrix.
    vec4 world = localToWorld * vec4(particlePosition(age), 1.0);
    world.y = max(world.y, clampToGroundPlane);
    vec4 view = modelView * world;

    // Spin about the view direction. A spinning particle starts at a random
    // angle and turns one way or the other; one that does not spin stays
    // upright, so sprite sheets read the right way up.
    vec2 corner = (texcoord - 0.5) * size;
    if (rotationSpeed != 0.0) {
        float turn = random < 0.5 ? -1.0 : 1.0;
        float angle = random * 6.2831853 + turn * rotationSpeed * age;
        float c = cos(angle);
        float s = sin(angle);
        corner = vec2(c * corner.x - s * corner.y, s * corner.x + c * corner.y);
    }
    view.xy += corner;

    // The depth bias moves only the depth, not the size on screen: the quad is
    // placed where it is and takes the depth of a point nearer by depthBias.
    vec4 clip = proj * view;
    vec4 nearer = proj * vec4(view.xy, view.z - depthBias, 1.0);
    gl_Position = vec4(clip.xy, nearer.z / nearer.w * clip.w, clip.w);
    vDepth = vec2(view.z - depthBias, size * 0.5);

    // The animation frame at this age, looping; frames are square cells read
    // row by row from the top-left of the sheet.
    float frame = mod(floor(age * textureAnimParms.x), max(textureAnimParms.y, 1.0));
    float perRow = max(textureAnimParms.z, 1.0);
    vec2 cell = vec2(mod(frame, perRow), floor(frame / perRow));
    vTexcoord = (cell + vec2(texcoord.x, 1.0 - texcoord.y)) * textureAnimParms.w;

    // Fades: in over the first fade-in seconds, out over the last fade-out
    // seconds.
    float fadeIn = fadeParms.x > 0.0 ? min(age * fadeParms.x, 1.0) : 1.0;
    float fadeOut = fadeParms.y > 0.0 ? clamp((lifetime - age) * fadeParms.y, 0.0, 1.0) : 1.0;
    float life = lifetime > 0.0 ? age / lifetime : 0.0;
    vColor = vec4(lifeColor(life), clamp(opacity * fadeIn * fadeOut, 0.0, 1.0));
}
