// Fuzz target: any bytes through the structured text parser and its getters.
#include "core/Exception.h"
#include "core/TextDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {
void visit(const core::block& node) {
    for (const core::field& f : node.fields()) {
        node.getString(f.name.c_str(), "");
        node.getInt(f.name.c_str(), 0);
        node.getVec3(f.name.c_str(), {0, 0, 0});
        node.getRange(f.name.c_str(), {0, 0});
    }
    for (int i = 0; i < node.childCount(); ++i)
        visit(*node.child(i));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::document doc;
    try {
        doc.parse(std::string(reinterpret_cast<const char*>(data), size), "fuzz.def");
        visit(doc.root());
    } catch (const core::Exception&) {
    }
    return 0;
}
