#pragma once

// How a mesh segment is shaded. Materials are shared by name: mesh files,
// importers and scripts that name the same material get the same object.

#include <string>

namespace engine {

class Material {
public:
    // Registers the new material; the registry keeps creation order, so a
    // later material of an existing name is found after the older one.
    explicit Material(std::string name);
    virtual ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    const std::string& getName() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

private:
    std::string m_name;
};

// The first registered material of that exact name, or null.
Material* findMaterial(const std::string& name);
// As findMaterial, but creates the material when none has that name.
Material* getMaterial(const std::string& name);
// The material "default", created on first use and kept for the life of the
// process; new mesh segments refer to it.
Material* defaultMaterial();

} // namespace engine
