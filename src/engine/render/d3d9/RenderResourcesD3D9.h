#pragma once

// The default resources every Direct3D 9 pass may draw with, made by the
// renderer's init, all in the managed pool (they survive a device reset).

#include "core/RefRegistry.h"

#include <cstdint>

namespace engine {

class Font;
class Material;
class Material;
class RenderableMeshD3D9;
class RenderableShaderD3D9;
class RenderableTextureD3D9;

struct RenderResourcesD3D9 {
    // Defined where the held types are complete, so that they are destroyed whole.
    RenderResourcesD3D9();
    ~RenderResourcesD3D9();

    // Makes them all, in order; the live set becomes renderResourcesD3D9().
    void create();

    core::CountedRef<RenderableTextureD3D9> whiteTexture;      // 0xFFFFFFFF
    core::CountedRef<RenderableTextureD3D9> flatNormalTexture; // 0xFF8080FF: the normal (0, 0, 1)
    core::CountedRef<RenderableTextureD3D9> rotationTexture;   // 32 x 32 random rotations
    core::CountedRef<RenderableMeshD3D9> lightVolumeSphere;    // icosphere of level 2
    core::CountedRef<RenderableMeshD3D9> spotLightVolume;      // cone of 10 sides
    core::CountedRef<Font> debugFont;                          // built-in font 1
    // Copies a texture to the target; null where the HLSL compiler cannot sample textures.
    core::CountedRef<RenderableShaderD3D9> postProcessShader;
    core::CountedRef<Material> postProcessMaterial; // unnamed, with the post-process shader
};

// The live renderer's resources, or null when there is none.
RenderResourcesD3D9* renderResourcesD3D9();

// Byte i of the fixed table the rotation texture is made from.
uint8_t rotationAngleByte(int i);
// The rotation texture's pixel for an angle byte, as A8R8G8B8 (0xAARRGGBB).
uint32_t rotationPixel(uint8_t angle);

} // namespace engine
