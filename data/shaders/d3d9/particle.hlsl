// Particles. The host only births and retires them: every vertex carries its
// particle's spawn state, and particle_vs works out where the particle is
// now, how it looks at its age, and spreads the quad around it facing the
// camera. particle_ps tints the sprite (or its animation frame) and fades it
// where it comes near the surface behind it.

#include "shared.hlsl"

float4x4 g_localToWorld;
float4x4 g_modelView;
float4x4 g_proj;
float3 g_fadeParams;         // 1 / fade-in, 1 / fade-out (0: no fade), fade-out
float4 g_textureAnimParams;  // frame rate, frame count, frames per row, frame size / texture width
float3 g_gravity;
float g_airResistance;
float g_rotationSpeed;
float g_clampToGroundPlane;  // the lowest height, or the lowest float for none
float g_depthBias;           // view-space units toward the camera
float4 g_colorTable[4];      // rgb; spread evenly from birth to death
float g_opacity;

// The velocity arrives as the normal, the particle's age, size, random (0..1)
// and lifetime as colour 0. The sprite's texture coordinates and the depth
// fade's view depth and half size share one varying: every varying fills a
// whole register, as the compiler under Wine otherwise puts two of them in one
// register, which shader model 3 cannot declare.
void particle_vs(float3 position : POSITION, float3 velocity : NORMAL, float2 corner : TEXCOORD0,
                 float4 parameters : COLOR0, out float4 oPosition : POSITION, out float4 oTexcoord : TEXCOORD0,
                 out float4 oColor : TEXCOORD1, out float4 oScreen : TEXCOORD3) {
    float age = parameters.x;
    float size = parameters.y;
    float random = parameters.z;
    float lifetime = parameters.w;

    // The solution of dV/dt = g - kV: P0 + V0 A + g (t - A) / k with
    // A = (1 - e^(-kt)) / k. Near k = 0 the terms cancel in floats, so the
    // series takes over there; its limit is P0 + V0 t + g t^2 / 2.
    float k = g_airResistance;
    float kt = k * age;
    float a = age * (1.0 - kt * 0.5 + kt * kt / 6.0);
    float b = age * age * (0.5 - kt / 6.0);
    // Both sides may be computed, so the exact one never divides by zero.
    float safeK = k;
    if (ABS(kt) < 1e-3)
        safeK = 1.0;
    float exactA = (1.0 - EXP(-safeK * age)) / safeK;
    if (ABS(kt) >= 1e-3) {
        a = exactA;
        b = (age - exactA) / safeK;
    }
    float3 moved = position + velocity * a + g_gravity * b;

    float4 world = mul(g_localToWorld, float4(moved, 1.0));
    world.y = max(world.y, g_clampToGroundPlane);
    float4 view = mul(g_modelView, world);

    // Spin about the view direction. A spinning particle starts at a random
    // angle and turns one way or the other; one that does not spin stays
    // upright, so sprite sheets read the right way up.
    float2 offset = (corner - 0.5) * size;
    if (g_rotationSpeed != 0.0) {
        float turn = 1.0;
        if (random < 0.5)
            turn = -1.0;
        float angle = random * 6.2831853 + turn * g_rotationSpeed * age;
        float s = 0.0;
        float c = 1.0;
        SINCOS(angle, s, c);
        offset = float2(c * offset.x - s * offset.y, s * offset.x + c * offset.y);
    }
    view.xy += offset;

    // The depth bias moves only the depth, not the size on screen.
    float4 projected = mul(g_proj, view);
    float4 nearer = mul(g_proj, float4(view.xy, view.z - g_depthBias, 1.0));
    oPosition = float4(projected.xy, nearer.z / nearer.w * projected.w, projected.w);
    oScreen = oPosition;

    // The animation frame at this age, looping; frames are square cells read
    // row by row from the top-left of the sheet.
    float frame = FLOOR_MOD(floor(age * g_textureAnimParams.x), max(g_textureAnimParams.y, 1.0));
    float perRow = max(g_textureAnimParams.z, 1.0);
    float2 cell = float2(FLOOR_MOD(frame, perRow), floor(frame / perRow));
    oTexcoord = float4((cell + float2(corner.x, 1.0 - corner.y)) * g_textureAnimParams.w, view.z - g_depthBias,
                       size * 0.5);

    // Fades: in over the first fade-in seconds, out over the last fade-out seconds.
    float fadeIn = 1.0;
    if (g_fadeParams.x > 0.0)
        fadeIn = min(age * g_fadeParams.x, 1.0);
    float fadeOut = 1.0;
    if (g_fadeParams.y > 0.0)
        fadeOut = clamp((lifetime - age) * g_fadeParams.y, 0.0, 1.0);
    float life = 0.0;
    if (lifetime > 0.0)
        life = age / lifetime;
    // Colour over the life: the four entries spread evenly from birth to death.
    float x = clamp(life, 0.0, 1.0) * 3.0;
    float3 color = lerp(g_colorTable[2].rgb, g_colorTable[3].rgb, x - 2.0);
    if (x < 2.0)
        color = lerp(g_colorTable[1].rgb, g_colorTable[2].rgb, x - 1.0);
    if (x < 1.0)
        color = lerp(g_colorTable[0].rgb, g_colorTable[1].rgb, x);
    oColor = float4(color, clamp(g_opacity * fadeIn * fadeOut, 0.0, 1.0));
}

SAMPLER2D(g_texture);
SAMPLER2D(g_geometryBuffer); // view-space normal, view z (0: no surface)
float2 g_invScreenSize;
float g_softParticles;       // 1 when the geometry buffer is bound

void particle_ps(float4 texcoord : TEXCOORD0, float4 color : TEXCOORD1, SCREEN_INPUT(TEXCOORD3),
                 out float4 oColor : COLOR0) {
    float4 sprite = TEX2D(g_texture, texcoord.xy);
    float2 depth = texcoord.zw;
    float alpha = sprite.a * color.a;
    if (g_softParticles > 0.5 && depth.y > 0.0) {
        float sceneZ = TEX2D(g_geometryBuffer, SCREEN_UV(g_invScreenSize)).w;
        if (sceneZ > 0.0)
            alpha *= clamp((sceneZ - depth.x) / depth.y, 0.0, 1.0);
    }
    oColor = float4(sprite.rgb * color.rgb, alpha);
}
