#pragma once

// How the mesh passes of every renderer read a material's maps. Colour maps
// are painted in sRGB and are decoded to linear before filtering, so that the
// light they are lit with multiplies linear values; a normal map holds
// directions, whose bytes are read as they are stored.

namespace engine {

enum class MaterialMap { Diffuse, Specular, Normal };

constexpr bool decodesSrgb(MaterialMap map) {
    return map != MaterialMap::Normal;
}

} // namespace engine
