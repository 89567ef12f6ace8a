#include "engine/assets/AssimpGltfCheck.h"

#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Path.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace engine {

namespace {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    double number = 0;
    std::string text;
    std::vector<Json> items;     // an array's values, or an object's
    std::vector<std::string> keys;  // an object's names, one per item

    const Json* get(const char* name) const {
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == name)
                return &items[i];
        return nullptr;
    }
};

struct Failure {
    const char* reason;
};

// Just enough JSON to walk the file's structure; nesting is bounded so a
// hostile file cannot exhaust the stack.
class JsonParser {
public:
    JsonParser(const char* begin, const char* end) : m_at(begin), m_end(end) {}

    Json parseDocument() {
        Json value = parse(0);
        skipSpace();
        if (m_at != m_end)
            throw Failure{"text after the JSON document"};
        return value;
    }

private:
    static constexpr int MaxDepth = 64;

    void skipSpace() {
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\n' || *m_at == '\r'))
            ++m_at;
    }

    bool take(char c) {
        skipSpace();
        if (m_at < m_end && *m_at == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    bool word(const char* w) {
        size_t n = std::strlen(w);
        if (size_t(m_end - m_at) >= n && std::memcmp(m_at, w, n) == 0) {
            m_at += n;
            return true;
        }
        return false;
    }

    std::string string() {
        if (!take('"'))
            throw Failure{"malformed JSON"};
        std::string out;
        while (m_at < m_end && *m_at != '"') {
            if (*m_at == '\\') {
                if (++m_at == m_end)
                    break;
                // Escapes only matter for names the checks never compare.
            }
            out += *m_at++;
        }
        if (m_at == m_end)
            throw Failure{"malformed JSON"};
        ++m_at;
        return out;
    }

    Json parse(int depth) {
        if (depth > MaxDepth)
            throw Failure{"JSON nested too deeply"};
        skipSpace();
        if (m_at == m_end)
            throw Failure{"malformed JSON"};
        Json value;
        if (*m_at == '{') {
            ++m_at;
            value.kind = Json::Object;
            if (take('}'))
                return value;
            do {
                std::string key = string();
                if (!take(':'))
                    throw Failure{"malformed JSON"};
                value.keys.push_back(std::move(key));
                value.items.push_back(parse(depth + 1));
            } while (take(','));
            if (!take('}'))
                throw Failure{"malformed JSON"};
        } else if (*m_at == '[') {
            ++m_at;
            value.kind = Json::Array;
            if (take(']'))
                return value;
            do
                value.items.push_back(parse(depth + 1));
            while (take(','));
            if (!take(']'))
                throw Failure{"malformed JSON"};
        } else if (*m_at == '"') {
            value.kind = Json::String;
            value.text = string();
        } else if (word("true") || word("false")) {
            value.kind = Json::Bool;
        } else if (word("null")) {
            value.kind = Json::Null;
        } else {
            std::string digits;
            while (m_at < m_end && std::strchr("+-.eE0123456789", *m_at))
                digits += *m_at++;
            if (digits.empty())
                throw Failure{"malformed JSON"};
            value.kind = Json::Number;
            value.number = std::strtod(digits.c_str(), nullptr);
        }
        return value;
    }

    const char* m_at;
    const char* m_end;
};

const std::vector<Json>& list(const Json& root, const char* name) {
    static const std::vector<Json> none;
    const Json* value = root.get(name);
    if (!value)
        return none;
    if (value->kind != Json::Array)
        throw Failure{"a top-level list is not an array"};
    return value->items;
}

// An index into a list of that many, or a failure.
size_t indexIn(const Json* value, size_t count, const char* reason) {
    if (!value || value->kind != Json::Number || value->number < 0 || value->number >= double(count) ||
        value->number != double(int64_t(value->number)))
        throw Failure{reason};
    return size_t(value->number);
}

const char* typeOf(const Json& accessor) {
    const Json* type = accessor.get("type");
    return type && type->kind == Json::String ? type->text.c_str() : "";
}

double countOf(const Json& accessor) {
    const Json* count = accessor.get("count");
    return count && count->kind == Json::Number ? count->number : -1;
}

double numberOf(const Json* value, double fallback) {
    return value && value->kind == Json::Number ? value->number : fallback;
}

int componentTypeOf(const Json& accessor) {
    const Json* type = accessor.get("componentType");
    return type && type->kind == Json::Number ? int(type->number) : 0;
}

constexpr int Byte = 5120, UnsignedByte = 5121, Short = 5122, UnsignedShort = 5123, UnsignedInt = 5125,
              Float = 5126;

int componentBytes(int type) {
    return type == Byte || type == UnsignedByte ? 1 : type == Short || type == UnsignedShort ? 2 : 4;
}

int componentCount(const std::string& type) {
    if (type == "SCALAR")
        return 1;
    if (type == "VEC2")
        return 2;
    if (type == "VEC3")
        return 3;
    if (type == "MAT3")
        return 9;
    if (type == "MAT4")
        return 16;
    return 4;  // VEC4, MAT2
}

// Each accessor's elements lie inside its view, each view inside its buffer.
void checkAccessors(const std::vector<Json>& accessors, const std::vector<Json>& views,
                    const std::vector<Json>& buffers) {
    for (const Json& view : views) {
        const Json& buffer = buffers[indexIn(view.get("buffer"), buffers.size(), "a buffer view names a missing buffer")];
        double offset = numberOf(view.get("byteOffset"), 0), length = numberOf(view.get("byteLength"), -1);
        if (offset < 0 || length < 0 || offset + length > numberOf(buffer.get("byteLength"), -1))
            throw Failure{"a buffer view lies outside its buffer"};
    }
    for (const Json& accessor : accessors) {
        std::string type = typeOf(accessor);
        static const char* const types[] = {"SCALAR", "VEC2", "VEC3", "VEC4", "MAT2", "MAT3", "MAT4"};
        bool known = false;
        for (const char* t : types)
            known |= type == t;
        int component = componentTypeOf(accessor);
        if (!known || component < Byte || component > Float || component == 5124)
            throw Failure{"an accessor has an unknown type"};
        const Json* count = accessor.get("count");
        if (!count || count->kind != Json::Number || count->number < 0)
            throw Failure{"an accessor has no count"};
        const Json* view = accessor.get("bufferView");
        if (!view)
            throw Failure{"an accessor has no buffer view"};
        const Json& within = views[indexIn(view, views.size(), "an accessor names a missing buffer view")];
        double element = componentBytes(component) * componentCount(type);
        double stride = std::max(numberOf(within.get("byteStride"), element), element);
        double offset = numberOf(accessor.get("byteOffset"), 0);
        if (offset < 0 || (count->number > 0 && offset + stride * (count->number - 1) + element >
                                                    numberOf(within.get("byteLength"), -1)))
            throw Failure{"an accessor reaches past its buffer view"};
    }
}

// The accessor of a vertex attribute must have the shape its meaning needs.
void checkAttribute(const std::string& name, const Json& accessor) {
    std::string type = typeOf(accessor);
    int component = componentTypeOf(accessor);
    auto starts = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
    bool ok = true;
    if (name == "POSITION" || name == "NORMAL")
        ok = type == "VEC3" && component == Float;
    else if (name == "TANGENT")
        ok = type == "VEC4" && component == Float;
    else if (starts("TEXCOORD_"))
        ok = type == "VEC2" && (component == Float || component == UnsignedByte || component == UnsignedShort);
    else if (starts("COLOR_"))
        ok = (type == "VEC3" || type == "VEC4") &&
             (component == Float || component == UnsignedByte || component == UnsignedShort);
    else if (starts("JOINTS_"))
        ok = type == "VEC4" && (component == UnsignedByte || component == UnsignedShort);
    else if (starts("WEIGHTS_"))
        ok = type == "VEC4" && (component == Float || component == UnsignedByte || component == UnsignedShort);
    if (!ok)
        throw Failure{"a vertex attribute's accessor has the wrong type"};
}

void checkMeshes(const std::vector<Json>& meshes, const std::vector<Json>& accessors, size_t materials) {
    for (const Json& mesh : meshes) {
        const Json* primitives = mesh.get("primitives");
        if (!primitives || primitives->kind != Json::Array)
            throw Failure{"a mesh has no primitives"};
        for (const Json& primitive : primitives->items) {
            const Json* attributes = primitive.get("attributes");
            if (!attributes || attributes->kind != Json::Object)
                throw Failure{"a primitive has no attributes"};
            double vertices = -1;
            for (size_t i = 0; i < attributes->keys.size(); ++i) {
                const Json& accessor = accessors[indexIn(&attributes->items[i], accessors.size(),
                                                         "an attribute names a missing accessor")];
                checkAttribute(attributes->keys[i], accessor);
                if (vertices >= 0 && countOf(accessor) != vertices)
                    throw Failure{"a primitive's attributes differ in length"};
                vertices = countOf(accessor);
            }
            if (const Json* indices = primitive.get("indices")) {
                const Json& accessor = accessors[indexIn(indices, accessors.size(), "indices name a missing accessor")];
                int component = componentTypeOf(accessor);
                if (std::strcmp(typeOf(accessor), "SCALAR") != 0 ||
                    (component != UnsignedByte && component != UnsignedShort && component != UnsignedInt))
                    throw Failure{"the indices' accessor has the wrong type"};
            }
            if (const Json* material = primitive.get("material"))
                indexIn(material, materials, "a primitive names a missing material");
        }
    }
}

// Every node has at most one parent and none is its own ancestor.
void checkNodes(const std::vector<Json>& nodes, size_t meshes, size_t skins) {
    std::vector<int> parents(nodes.size(), -1);
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (const Json* mesh = nodes[i].get("mesh"))
            indexIn(mesh, meshes, "a node names a missing mesh");
        if (const Json* skin = nodes[i].get("skin"))
            indexIn(skin, skins, "a node names a missing skin");
        const Json* children = nodes[i].get("children");
        if (!children)
            continue;
        if (children->kind != Json::Array)
            throw Failure{"a node's children are not a list"};
        for (const Json& child : children->items) {
            size_t c = indexIn(&child, nodes.size(), "a node names a missing child");
            if (parents[c] != -1 || c == i)
                throw Failure{"the nodes form a loop or share a child"};
            parents[c] = int(i);
        }
    }
    for (size_t i = 0; i < nodes.size(); ++i) {
        size_t steps = 0;
        for (int p = parents[i]; p != -1; p = parents[size_t(p)])
            if (++steps > nodes.size())
                throw Failure{"the nodes form a loop or share a child"};
    }
}

void checkSkins(const std::vector<Json>& skins, const std::vector<Json>& accessors, size_t nodes) {
    for (const Json& skin : skins) {
        const Json* joints = skin.get("joints");
        if (!joints || joints->kind != Json::Array)
            throw Failure{"a skin has no joints"};
        for (const Json& joint : joints->items)
            indexIn(&joint, nodes, "a skin names a missing joint");
        // Optional in the format, but assimp cannot do without them.
        const Json* binds = skin.get("inverseBindMatrices");
        if (!binds)
            throw Failure{"a skin has no inverse bind matrices"};
        const Json& accessor = accessors[indexIn(binds, accessors.size(), "a skin names a missing accessor")];
        if (std::strcmp(typeOf(accessor), "MAT4") != 0 || componentTypeOf(accessor) != Float ||
            countOf(accessor) < double(joints->items.size()))
            throw Failure{"a skin's matrices have the wrong type"};
    }
}

void checkAnimations(const std::vector<Json>& animations, const std::vector<Json>& accessors, size_t nodes) {
    for (const Json& animation : animations) {
        const Json* samplers = animation.get("samplers");
        const Json* channels = animation.get("channels");
        if (!samplers || samplers->kind != Json::Array || !channels || channels->kind != Json::Array)
            throw Failure{"an animation has no samplers or channels"};
        for (const Json& sampler : samplers->items) {
            const Json& input = accessors[indexIn(sampler.get("input"), accessors.size(), "a sampler names a missing accessor")];
            indexIn(sampler.get("output"), accessors.size(), "a sampler names a missing accessor");
            if (std::strcmp(typeOf(input), "SCALAR") != 0 || componentTypeOf(input) != Float)
                throw Failure{"a sampler's times have the wrong type"};
        }
        for (const Json& channel : channels->items) {
            const Json& sampler = samplers->items[indexIn(channel.get("sampler"), samplers->items.size(),
                                                          "a channel names a missing sampler")];
            const Json* target = channel.get("target");
            const Json* path = target ? target->get("path") : nullptr;
            if (!target || !path || path->kind != Json::String)
                throw Failure{"a channel has no target"};
            if (const Json* node = target->get("node"))
                indexIn(node, nodes, "a channel names a missing node");
            const char* type = typeOf(accessors[size_t(sampler.get("output")->number)]);
            const char* wanted = path->text == "rotation" ? "VEC4" : path->text == "weights" ? "SCALAR" : "VEC3";
            if (std::strcmp(type, wanted) != 0)
                throw Failure{"a channel's values have the wrong type"};
        }
    }
}

// The JSON of a binary glTF file is its first chunk.
bool jsonOf(const std::string& bytes, const char*& begin, const char*& end) {
    begin = bytes.data();
    end = begin + bytes.size();
    if (bytes.size() < 4 || std::memcmp(begin, "glTF", 4) != 0)
        return true;
    if (bytes.size() < 20)
        return false;
    uint32_t length;
    std::memcpy(&length, begin + 12, 4);
    if (std::memcmp(begin + 16, "JSON", 4) != 0 || length > bytes.size() - 20)
        return false;
    begin += 20;
    end = begin + length;
    return true;
}

// The bytes the check needs: a text file whole, and of a binary file its
// header and JSON chunk only, not the buffers after them (tens of megabytes
// in a large model, which assimp reads again).
std::string structureBytes(const std::string& path) {
    std::unique_ptr<core::File> file = core::openFile(path);
    int64_t length = file->getLength();
    std::string bytes(size_t(std::min<int64_t>(length, 20)), '\0');
    file->read(bytes.data(), int64_t(bytes.size()));
    size_t head = bytes.size();
    if (head < 20 || std::memcmp(bytes.data(), "glTF", 4) != 0) {
        bytes.resize(size_t(length));
        if (bytes.size() > head)
            file->read(bytes.data() + head, int64_t(bytes.size() - head));
        return bytes;
    }
    uint32_t chunk;
    std::memcpy(&chunk, bytes.data() + 12, 4);
    if (std::memcmp(bytes.data() + 16, "JSON", 4) == 0 && chunk <= length - 20) {
        bytes.resize(20 + size_t(chunk));
        file->read(bytes.data() + 20, chunk);
    }
    return bytes;
}

} // namespace

void checkGltfStructure(const std::string& path) {
    std::string extension = core::getFileExtension(path);
    if (extension != "gltf" && extension != "glb")
        return;
    std::string bytes = structureBytes(path);
    try {
        const char* begin;
        const char* end;
        if (!jsonOf(bytes, begin, end))
            throw Failure{"a broken binary glTF header"};
        Json root = JsonParser(begin, end).parseDocument();
        if (root.kind != Json::Object)
            throw Failure{"the file is not a JSON object"};
        const auto& accessors = list(root, "accessors");
        const auto& nodes = list(root, "nodes");
        checkAccessors(accessors, list(root, "bufferViews"), list(root, "buffers"));
        checkMeshes(list(root, "meshes"), accessors, list(root, "materials").size());
        checkNodes(nodes, list(root, "meshes").size(), list(root, "skins").size());
        checkSkins(list(root, "skins"), accessors, nodes.size());
        checkAnimations(list(root, "animations"), accessors, nodes.size());
    } catch (const Failure& failure) {
        throw core::Exception("Could not import %s: %s", path.c_str(), failure.reason);
    }
}

} // namespace engine
