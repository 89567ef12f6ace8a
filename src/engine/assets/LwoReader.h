#pragma once

// LightWave object files in their LWO2 layout: an IFF form of big-endian
// chunks. Only the points and polygons of one layer become a mesh; the tags,
// surfaces, clips and vertex maps are read so that the file is walked as a
// whole, and go with the reader.

#include "engine/assets/Mesh.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace core {
class InputStream;
}

namespace engine {

// The image texture of one surface channel.
struct LwoTexture {
    int axis = 0;
    int projection = 0;
    uint32_t clip = 0;
    std::string image;  // the clip's still image, when the clip came first
    bool pixelBlending = false;
    float wrapWidth = 1;
    float wrapHeight = 1;
    std::string uvMap;
    Vec3 center{0, 0, 0};
    Vec3 rotation{0, 0, 0};
    Vec3 size{1, 1, 1};
};

struct LwoSurface {
    // The texture channels, in the order the surface holds them.
    enum Channel { Color, Diffuse, Luminosity, Specular, Reflection, Transparency, ChannelCount };

    std::string name;
    Vec3 color{0, 0, 0};
    float diffuse = 0;
    float luminosity = 0;
    float specular = 0;
    float glossiness = 0;
    float reflection = 0;
    float transparency = 0;
    float smoothingAngle = 0;
    float colorFilter = 0;
    float additiveTransparency = 0;
    bool doubleSided = false;
    std::string reflectionImage;
    LwoTexture textures[ChannelCount];
};

struct LwoPolygon {
    int32_t firstCorner = 0;  // into the corner list
    int32_t cornerCount = 0;
    int32_t surface = -1;     // into the surface list, or -1
};

struct LwoVertexMap {
    std::string name;
    int dimension = 0;
    std::vector<int32_t> points;
    std::vector<float> values;  // dimension values per point
};

class LwoReader {
public:
    // The stream must read big-endian. Messages name the stream's file.
    LwoReader(core::InputStream& stream, int layer);

    // Walks the whole form. Throws core::Exception "Not a lightwave object
    // <file>" for anything but an LWO2 form, and the reader's other messages
    // for bad tags and texture channels; stream errors pass through.
    void read();
    // The points and polygons of the layer as a welded triangle mesh with
    // vertex normals. Throws "No layer <n> in file <file>" when they give no
    // vertices, and for a corner naming a point the layer does not have.
    std::unique_ptr<Mesh> buildMesh() const;

    const std::vector<Vec3>& points() const { return m_points; }
    const std::vector<LwoPolygon>& polygons() const { return m_polygons; }
    const std::vector<int32_t>& corners() const { return m_corners; }
    const std::vector<std::string>& tags() const { return m_tags; }
    const std::vector<LwoSurface>& surfaces() const { return m_surfaces; }
    const std::map<uint32_t, std::string>& clips() const { return m_clips; }
    const std::vector<LwoVertexMap>& weightMaps() const { return m_weightMaps; }
    const std::vector<LwoVertexMap>& uvMaps() const { return m_uvMaps; }
    const std::vector<LwoVertexMap>& morphMaps() const { return m_morphMaps; }

private:
    // Each read takes its size off the count of the chunk being read.
    uint16_t readU2();
    uint32_t readU4();
    float readF4();
    uint32_t readID4();
    int32_t readVX();
    std::string readS0();
    Vec3 readVec3();
    void skip(int64_t count);
    // Runs handle(id) over each sub-chunk of the chunk being read, each with
    // its own count, skipping what the handler leaves.
    template <class Handler>
    void forEachSubChunk(Handler handle);

    void readChunk(uint32_t id, uint32_t length);
    void readPoints(uint32_t length);
    void readPolygons();
    void readPolygonTags();
    void readTags();
    void readSurface();
    void readTextureBlock(LwoSurface& surface);
    void readClip();
    void readVertexMap();
    void readPolygonVertexMap();
    int32_t surfaceNamed(const std::string& name);
    std::string clipImage(uint32_t clip) const;

    core::InputStream& m_stream;
    std::string m_path;
    int m_layer;
    int64_t m_left = 0;  // bytes left in the chunk being read
    int m_currentLayer = -1;
    bool m_faces = false;

    std::vector<Vec3> m_points;
    std::vector<LwoPolygon> m_polygons;
    std::vector<int32_t> m_corners;
    std::vector<std::string> m_tags;
    std::vector<LwoSurface> m_surfaces;
    std::map<uint32_t, std::string> m_clips;
    std::vector<LwoVertexMap> m_weightMaps;
    std::vector<LwoVertexMap> m_uvMaps;
    std::vector<LwoVertexMap> m_morphMaps;
};

// The mesh of one layer of a LightWave file (see LwoReader).
std::unique_ptr<Mesh> readLwoMesh(core::InputStream& stream, int layer);
// Opens the file through the file systems, big-endian.
std::unique_ptr<Mesh> readLwoMesh(const std::string& path, int layer);

} // namespace engine
