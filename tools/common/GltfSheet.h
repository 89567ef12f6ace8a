#pragma once

// A skinned sheet for tests and benchmarks of model conversion: quads × quads
// squares (two triangles each) standing in glTF's z = 0 plane, 10 wide and 10
// high, with normals, texture coordinates, the material "cloth" whose texture
// is "cloth.png" (not written here), and a skin of two bones, "base" and
// "top", that moves each row more with "top" the higher it is.

#include "GltfWriter.h"

#include <string>
#include <vector>

namespace gltf {

inline Writer skinnedSheet(int quads) {
    Writer file;
    std::vector<float> positions, normals, uvs, weights;
    std::vector<uint16_t> joints;
    std::vector<uint32_t> indices;
    for (int y = 0; y <= quads; ++y)
        for (int x = 0; x <= quads; ++x) {
            float u = float(x) / float(quads), v = float(y) / float(quads);
            positions.insert(positions.end(), {u * 10 - 5, v * 10, 0});
            normals.insert(normals.end(), {0, 0, 1});
            uvs.insert(uvs.end(), {u, 1 - v});
            joints.insert(joints.end(), {0, 1, 0, 0});
            weights.insert(weights.end(), {1 - v, v, 0, 0});
        }
    for (int y = 0; y < quads; ++y)
        for (int x = 0; x < quads; ++x) {
            uint32_t a = uint32_t(y * (quads + 1) + x), b = a + 1, c = a + uint32_t(quads) + 1, d = c + 1;
            indices.insert(indices.end(), {a, b, d, a, d, c});
        }
    int position = file.floats(positions, "VEC3", true);
    int normal = file.floats(normals, "VEC3");
    int uv = file.floats(uvs, "VEC2");
    int joint = file.joints(joints);
    int weight = file.floats(weights, "VEC4");
    int index = file.indices(indices);
    file.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(position) +
                          ",\"NORMAL\":" + std::to_string(normal) + ",\"TEXCOORD_0\":" + std::to_string(uv) +
                          ",\"JOINTS_0\":" + std::to_string(joint) + ",\"WEIGHTS_0\":" + std::to_string(weight) +
                          "},\"indices\":" + std::to_string(index) + ",\"material\":0}]}");
    int binds = file.floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,  //
                             1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -5, 0, 1},
                            "MAT4");
    file.nodes = {"{\"name\":\"sheet\",\"children\":[1,2]}", "{\"name\":\"cloth\",\"mesh\":0,\"skin\":0}",
                  "{\"name\":\"base\",\"children\":[3]}", "{\"name\":\"top\",\"translation\":[0,5,0]}"};
    file.skins.push_back("{\"joints\":[2,3],\"inverseBindMatrices\":" + std::to_string(binds) + "}");
    file.materials.push_back("{\"name\":\"cloth\",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}");
    file.textures.push_back("{\"source\":0,\"sampler\":0}");
    file.images.push_back("{\"uri\":\"cloth.png\"}");
    return file;
}

} // namespace gltf
