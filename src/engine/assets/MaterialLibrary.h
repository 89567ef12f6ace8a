#pragma once

// A set of materials defined together in one text file. Loading defines new
// materials and redefines existing ones in place, so everything already
// holding a material of that name sees the library's values.

#include "core/RefRegistry.h"
#include "engine/assets/Material.h"

#include <string>
#include <vector>

namespace core {
class document;
}

namespace engine {

class MaterialLibrary {
public:
    // Reads every top-level "material" block of the file; textures load with
    // the given number of levels skipped, their names taken relative to the
    // texture folder when one is given. Throws core::Exception for file,
    // parse and texture failures; materials already read keep their values.
    void load(const std::string& path, int textureSkip, const std::string& textureFolder = {});
    // The same from text in memory; path only names it in messages.
    void parse(const std::string& text, const std::string& path, int textureSkip);

    int getMaterialCount() const { return int(m_materials.size()); }
    Material* getMaterial(int index) const { return m_materials[size_t(index)].get(); }
    // Searches this library only, in load order.
    Material* findMaterial(const std::string& name) const;

private:
    void read(core::document& document, int textureSkip, const std::string& textureFolder);

    std::vector<core::CountedRef<Material>> m_materials;
};

} // namespace engine
