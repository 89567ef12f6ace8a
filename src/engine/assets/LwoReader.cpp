#include "engine/assets/LwoReader.h"

#include "core/Exception.h"
#include "core/FileStreams.h"
#include "engine/assets/MeshGeometry.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace engine {

namespace {

// A chunk identifier as the stream reads it: four characters, big-endian.
constexpr uint32_t chunkId(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8 |
           uint32_t(uint8_t(name[3]));
}

std::string chunkName(uint32_t id) {
    char name[5] = {char(id >> 24), char(id >> 16), char(id >> 8), char(id), 0};
    return name;
}

int channelOf(uint32_t id) {
    switch (id) {
    case chunkId("COLR"): return LwoSurface::Color;
    case chunkId("DIFF"): return LwoSurface::Diffuse;
    case chunkId("LUMI"): return LwoSurface::Luminosity;
    case chunkId("SPEC"): return LwoSurface::Specular;
    case chunkId("REFL"): return LwoSurface::Reflection;
    case chunkId("TRAN"): return LwoSurface::Transparency;
    default: return -1;
    }
}

} // namespace

LwoReader::LwoReader(core::InputStream& stream, int layer)
    : m_stream(stream), m_path(stream.getFilename()), m_layer(layer) {}

uint16_t LwoReader::readU2() {
    m_left -= 2;
    return m_stream.readShort();
}

uint32_t LwoReader::readU4() {
    m_left -= 4;
    return m_stream.readInt();
}

float LwoReader::readF4() {
    m_left -= 4;
    return m_stream.readFloat();
}

uint32_t LwoReader::readID4() {
    return readU4();
}

// Two bytes, or 0xFF and three more for indices past 0xFEFF.
int32_t LwoReader::readVX() {
    uint8_t first = m_stream.readByte();
    if (first != 0xFF) {
        m_left -= 2;
        return int32_t(first) << 8 | m_stream.readByte();
    }
    m_left -= 4;
    uint8_t bytes[3];
    m_stream.readBytes(bytes, 3);
    return int32_t(bytes[0]) << 16 | int32_t(bytes[1]) << 8 | bytes[2];
}

// Up to a zero byte, padded to an even length.
std::string LwoReader::readS0() {
    std::string text;
    for (uint8_t byte; (byte = m_stream.readByte()) != 0;)
        text.push_back(char(byte));
    m_left -= int64_t(text.size()) + 1;
    if (text.size() % 2 == 0) {
        m_stream.readByte();
        m_left -= 1;
    }
    return text;
}

Vec3 LwoReader::readVec3() {
    float x = readF4();
    float y = readF4();
    float z = readF4();
    return {x, y, z};
}

// Reads what is passed over, so a file that ends early fails with the
// stream's error instead of a seek past its end.
void LwoReader::skip(int64_t count) {
    uint8_t buffer[4096];
    m_left -= std::max<int64_t>(count, 0);
    while (count > 0) {
        int64_t part = std::min<int64_t>(count, sizeof buffer);
        m_stream.readBytes(buffer, part);
        count -= part;
    }
}

template <class Handler>
void LwoReader::forEachSubChunk(Handler handle) {
    while (m_left > 0) {
        uint32_t id = readID4();
        uint16_t length = readU2();
        int64_t parentLeft = m_left;
        m_left = length;
        handle(id);
        skip(m_left);
        m_left = parentLeft - length;
    }
}

void LwoReader::read() {
    if (readID4() != chunkId("FORM"))
        throw core::Exception("Not a lightwave object %s", m_path.c_str());
    m_left = readU4();
    if (readID4() != chunkId("LWO2"))
        throw core::Exception("Not a lightwave object %s", m_path.c_str());
    m_currentLayer = -1;
    m_faces = false;
    while (m_left > 0) {
        uint32_t id = readID4();
        uint32_t length = readU4();
        int64_t formLeft = m_left;
        m_left = length;
        readChunk(id, length);
        skip(m_left);
        m_left = formLeft - length;
    }
}

void LwoReader::readChunk(uint32_t id, uint32_t length) {
    bool selected = m_currentLayer == m_layer;
    switch (id) {
    case chunkId("LAYR"): m_currentLayer = int16_t(readU2()); break;
    case chunkId("PNTS"): if (selected) readPoints(length); break;
    case chunkId("POLS"): if (selected) readPolygons(); break;
    case chunkId("PTAG"): if (selected && m_faces) readPolygonTags(); break;
    case chunkId("TAGS"): readTags(); break;
    case chunkId("SURF"): readSurface(); break;
    case chunkId("CLIP"): readClip(); break;
    case chunkId("VMAP"): if (selected) readVertexMap(); break;
    case chunkId("VMAD"): if (selected) readPolygonVertexMap(); break;
    default: break;
    }
}

void LwoReader::readPoints(uint32_t length) {
    uint32_t count = length / 12;
    m_points.clear();
    // The count comes from the file: memory grows with what the file holds.
    m_points.reserve(size_t(std::min<int64_t>(count, m_stream.availableBytes() / 12)));
    for (uint32_t i = 0; i < count; ++i)
        m_points.push_back(readVec3());
}

void LwoReader::readPolygons() {
    m_faces = readID4() == chunkId("FACE");
    if (!m_faces)
        return;
    while (m_left > 0) {
        int32_t count = readU2() & 0x3FF;  // the top six bits are flags
        LwoPolygon polygon;
        polygon.firstCorner = int32_t(m_corners.size());
        polygon.cornerCount = count;
        for (int32_t i = 0; i < count; ++i)
            m_corners.push_back(readVX());
        m_polygons.push_back(polygon);
    }
}

void LwoReader::readPolygonTags() {
    if (readID4() != chunkId("SURF"))
        return;
    while (m_left > 0) {
        int32_t polygon = readVX();
        if (size_t(polygon) >= m_polygons.size())
            throw core::Exception("Invalid poly index in file %s", m_path.c_str());
        uint16_t tag = readU2();
        if (tag >= m_tags.size())
            throw core::Exception("Invalid tag index in file %s", m_path.c_str());
        m_polygons[size_t(polygon)].surface = surfaceNamed(m_tags[tag]);
    }
}

void LwoReader::readTags() {
    while (m_left > 0)
        m_tags.push_back(readS0());
}

void LwoReader::readSurface() {
    std::string name = readS0();
    std::string source = readS0();
    if (!source.empty())
        std::printf("WARNING! Lwo source materials not supported!\n");
    int32_t index = surfaceNamed(name);
    forEachSubChunk([&](uint32_t id) {
        LwoSurface& surface = m_surfaces[size_t(index)];
        switch (id) {
        case chunkId("COLR"): surface.color = readVec3(); break;
        case chunkId("DIFF"): surface.diffuse = readF4(); break;
        case chunkId("LUMI"): surface.luminosity = readF4(); break;
        case chunkId("SPEC"): surface.specular = readF4(); break;
        case chunkId("GLOS"): surface.glossiness = readF4(); break;
        case chunkId("REFL"): surface.reflection = readF4(); break;
        case chunkId("TRAN"): surface.transparency = readF4(); break;
        case chunkId("SMAN"): surface.smoothingAngle = readF4(); break;
        case chunkId("CLRF"): surface.colorFilter = readF4(); break;
        case chunkId("ADTR"): surface.additiveTransparency = readF4(); break;
        case chunkId("SIDE"): surface.doubleSided = readU2() == 3; break;
        case chunkId("RIMG"): surface.reflectionImage = clipImage(uint32_t(readVX())); break;
        case chunkId("BLOK"): readTextureBlock(surface); break;
        default: break;
        }
    });
}

// Image maps only. The header's own sub-chunks (after its length and a
// two-byte ordinal) and the block's follow each other as one list.
void LwoReader::readTextureBlock(LwoSurface& surface) {
    if (readID4() != chunkId("IMAP"))
        return;
    skip(4);
    int channel = LwoSurface::Color;
    forEachSubChunk([&](uint32_t id) {
        LwoTexture& texture = surface.textures[channel];
        switch (id) {
        case chunkId("CHAN"): {
            uint32_t name = readID4();
            channel = channelOf(name);
            if (channel < 0)
                throw core::Exception("Unsupported material channel %s in file %s", chunkName(name).c_str(),
                                      m_path.c_str());
            break;
        }
        case chunkId("AXIS"): texture.axis = readU2(); break;
        case chunkId("PROJ"): texture.projection = readU2(); break;
        case chunkId("IMAG"):
            texture.clip = uint32_t(readVX());
            texture.image = clipImage(texture.clip);
            break;
        case chunkId("PIXB"): texture.pixelBlending = (readU2() & 1) != 0; break;
        case chunkId("WRPW"): texture.wrapWidth = readF4(); break;
        case chunkId("WRPH"): texture.wrapHeight = readF4(); break;
        case chunkId("VMAP"): texture.uvMap = readS0(); break;
        case chunkId("TMAP"):
            forEachSubChunk([&](uint32_t part) {
                switch (part) {
                case chunkId("CNTR"): texture.center = readVec3(); break;
                case chunkId("ROTA"): texture.rotation = readVec3(); break;
                case chunkId("SIZE"): texture.size = readVec3(); break;
                default: break;
                }
            });
            break;
        default: break;
        }
    });
}

void LwoReader::readClip() {
    uint32_t index = readU4();
    forEachSubChunk([&](uint32_t id) {
        if (id == chunkId("STIL"))
            m_clips[index] = readS0();
    });
}

void LwoReader::readVertexMap() {
    uint32_t type = readID4();
    uint16_t dimension = readU2();
    std::string name = readS0();
    std::vector<LwoVertexMap>* maps = nullptr;
    if (dimension == 1 && type == chunkId("WGHT"))
        maps = &m_weightMaps;
    else if (dimension == 2 && type == chunkId("TXUV"))
        maps = &m_uvMaps;
    else if (dimension == 3 && type == chunkId("MORF"))
        maps = &m_morphMaps;
    if (!maps)
        return;
    LwoVertexMap map;
    map.name = std::move(name);
    map.dimension = dimension;
    while (m_left > 0) {
        map.points.push_back(readVX());
        for (int i = 0; i < dimension; ++i)
            map.values.push_back(readF4());
    }
    maps->push_back(std::move(map));
}

// Per-polygon texture coordinates are walked but not kept.
void LwoReader::readPolygonVertexMap() {
    uint32_t type = readID4();
    uint16_t dimension = readU2();
    readS0();
    if (dimension != 2 || type != chunkId("TXUV"))
        return;
    while (m_left > 0) {
        readVX();
        readVX();
        readF4();
        readF4();
    }
}

int32_t LwoReader::surfaceNamed(const std::string& name) {
    for (size_t i = 0; i < m_surfaces.size(); ++i)
        if (m_surfaces[i].name == name)
            return int32_t(i);
    m_surfaces.emplace_back().name = name;
    return int32_t(m_surfaces.size() - 1);
}

std::string LwoReader::clipImage(uint32_t clip) const {
    auto found = m_clips.find(clip);
    return found != m_clips.end() ? found->second : std::string();
}

// Every polygon gets vertices of its own, fanned from its first corner;
// welding then joins equal positions so that their normals are averaged.
std::unique_ptr<Mesh> LwoReader::buildMesh() const {
    std::vector<Vec3> vertices;
    std::vector<int32_t> indices;
    for (const LwoPolygon& polygon : m_polygons) {
        if (polygon.cornerCount < 3)
            continue;
        if (vertices.size() + size_t(polygon.cornerCount) > size_t(INT_MAX))
            throw core::Exception("Too many vertices in file %s", m_path.c_str());
        int32_t base = int32_t(vertices.size());
        for (int32_t i = 0; i < polygon.cornerCount; ++i) {
            int32_t point = m_corners[size_t(polygon.firstCorner + i)];
            if (size_t(point) >= m_points.size())
                throw core::Exception("Invalid point index in file %s", m_path.c_str());
            vertices.push_back(m_points[size_t(point)]);
        }
        for (int32_t k = 2; k < polygon.cornerCount; ++k)
            indices.insert(indices.end(), {base, base + k - 1, base + k});
    }
    if (vertices.empty())
        throw core::Exception("No layer %d in file %s", m_layer, m_path.c_str());

    auto mesh = std::make_unique<Mesh>(int(vertices.size()));
    mesh->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, vertices.data());
    int32_t triangles = int32_t(indices.size() / 3);
    mesh->setIndices(std::move(indices));
    mesh->addSegment().count = triangles;
    weldVertices(*mesh);
    computeVertexNormals(*mesh);
    return mesh;
}

std::unique_ptr<Mesh> readLwoMesh(core::InputStream& stream, int layer) {
    LwoReader reader(stream, layer);
    reader.read();
    return reader.buildMesh();
}

std::unique_ptr<Mesh> readLwoMesh(const std::string& path, int layer) {
    core::FileInputStream stream(path, core::ByteOrder::BigEndian);
    return readLwoMesh(stream, layer);
}

} // namespace engine
