#pragma once

// Writes small glTF 2.0 files for tests, benchmarks and the demo's content:
// the binary data goes into one buffer (inline as a data URI, or a ".bin"
// file beside the model), and the caller adds the JSON of meshes, nodes,
// materials, skins and animations that refer to the accessors made here.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace gltf {

inline std::string base64(const uint8_t* data, size_t size) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (size_t i = 0; i < size; i += 3) {
        uint32_t n = uint32_t(data[i]) << 16;
        if (i + 1 < size)
            n |= uint32_t(data[i + 1]) << 8;
        if (i + 2 < size)
            n |= data[i + 2];
        out += digits[(n >> 18) & 63];
        out += digits[(n >> 12) & 63];
        out += i + 1 < size ? digits[(n >> 6) & 63] : '=';
        out += i + 2 < size ? digits[n & 63] : '=';
    }
    return out;
}

inline std::string join(const std::vector<std::string>& items) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + items[i];
    return out;
}

class Writer {
public:
    static constexpr int Float = 5126, UnsignedShort = 5123, UnsignedInt = 5125;

    // An accessor of floats; positions also need their bounds.
    int floats(const std::vector<float>& values, const char* type, bool bounds = false) {
        int components = componentsOf(type);
        std::string extra;
        if (bounds && !values.empty()) {
            std::vector<float> lo(values.begin(), values.begin() + components), hi = lo;
            for (size_t i = 0; i < values.size(); ++i) {
                size_t c = i % size_t(components);
                lo[c] = std::min(lo[c], values[i]);
                hi[c] = std::max(hi[c], values[i]);
            }
            extra = ",\"min\":[" + numbers(lo) + "],\"max\":[" + numbers(hi) + "]";
        }
        return accessor(values.data(), values.size() * 4, Float, type, int(values.size()) / components, extra);
    }
    int indices(const std::vector<uint32_t>& values) {
        return accessor(values.data(), values.size() * 4, UnsignedInt, "SCALAR", int(values.size()), "", 34963);
    }
    int joints(const std::vector<uint16_t>& values) {
        return accessor(values.data(), values.size() * 2, UnsignedShort, "VEC4", int(values.size()) / 4, "");
    }

    std::vector<std::string> meshes, nodes, materials, textures, images, skins, animations, extraAccessors;
    std::string scene = "{\"nodes\":[0]}";

    // The whole file; the buffer inline, or named by uri (written by saveBin).
    std::string json(const std::string& bufferUri = {}) const {
        std::string uri = bufferUri.empty()
                              ? "data:application/octet-stream;base64," +
                                    base64(reinterpret_cast<const uint8_t*>(m_bin.data()), m_bin.size())
                              : bufferUri;
        return document(",\"uri\":\"" + uri + "\"");
    }

    // A binary glTF file: the JSON chunk, then the buffer as the BIN chunk.
    std::string glb() const {
        std::string text = document(""), bin = m_bin;
        while (text.size() % 4)
            text += ' ';
        while (bin.size() % 4)
            bin += '\0';
        std::string out;
        auto word = [&out](uint32_t value) { out.append(reinterpret_cast<const char*>(&value), 4); };
        out += "glTF";
        word(2);
        word(uint32_t(12 + 8 + text.size() + 8 + bin.size()));
        word(uint32_t(text.size()));
        out += "JSON" + text;
        word(uint32_t(bin.size()));
        out += std::string("BIN\0", 4) + bin;
        return out;
    }

private:
    std::string document(const std::string& bufferUri) const {
        std::vector<std::string> accessors = m_accessors;
        accessors.insert(accessors.end(), extraAccessors.begin(), extraAccessors.end());
        std::string out = "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[" + scene + "]";
        out += ",\"buffers\":[{\"byteLength\":" + std::to_string(m_bin.size()) + bufferUri + "}]";
        out += ",\"bufferViews\":[" + join(m_views) + "],\"accessors\":[" + join(accessors) + "]";
        auto section = [&](const char* name, const std::vector<std::string>& items) {
            if (!items.empty())
                out += std::string(",\"") + name + "\":[" + join(items) + "]";
        };
        section("meshes", meshes);
        section("nodes", nodes);
        section("materials", materials);
        section("textures", textures);
        section("images", images);
        section("skins", skins);
        section("animations", animations);
        if (!textures.empty())
            out += ",\"samplers\":[{}]";
        return out + "}";
    }

public:
    bool save(const std::string& path, const std::string& text) const {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            return false;
        bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        return std::fclose(file) == 0 && ok;
    }
    bool save(const std::string& path) const { return save(path, json()); }
    // The model with its buffer in a file of its own beside it.
    bool saveWithBin(const std::string& path, const std::string& binName) const {
        std::string folder = path.substr(0, path.find_last_of('/') + 1);
        return save(folder + binName, m_bin) && save(path, json(binName));
    }

private:
    static int componentsOf(const std::string& type) {
        if (type == "SCALAR")
            return 1;
        if (type == "VEC2")
            return 2;
        if (type == "VEC3")
            return 3;
        if (type == "MAT4")
            return 16;
        return 4;
    }

    static std::string numbers(const std::vector<float>& values) {
        std::string out;
        char text[32];
        for (size_t i = 0; i < values.size(); ++i) {
            std::snprintf(text, sizeof text, "%s%.9g", i ? "," : "", double(values[i]));
            out += text;
        }
        return out;
    }

    int accessor(const void* data, size_t bytes, int componentType, const char* type, int count,
                 const std::string& extra, int target = 0) {
        while (m_bin.size() % 4)
            m_bin.push_back('\0');
        size_t offset = m_bin.size();
        m_bin.append(static_cast<const char*>(data), bytes);
        std::string view = "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) +
                           ",\"byteLength\":" + std::to_string(bytes) +
                           (target ? ",\"target\":" + std::to_string(target) : std::string()) + "}";
        m_views.push_back(view);
        m_accessors.push_back("{\"bufferView\":" + std::to_string(m_views.size() - 1) +
                              ",\"componentType\":" + std::to_string(componentType) +
                              ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type + "\"" + extra + "}");
        return int(m_accessors.size()) - 1;
    }

    std::string m_bin;
    std::vector<std::string> m_views;
    std::vector<std::string> m_accessors;
};

} // namespace gltf
