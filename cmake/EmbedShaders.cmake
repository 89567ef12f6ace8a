# Writes OUTPUT, a C++ source holding the shader files of FILES ("|"-separated)
# as byte arrays, listed by their path relative to BASE ("shaders/gl/Mesh.vsh").
include(${CMAKE_CURRENT_LIST_DIR}/EmbedBytes.cmake)
string(REPLACE "|" ";" files "${FILES}")
set(arrays "")
set(entries "")
set(index 0)
foreach(file ${files})
    file(RELATIVE_PATH name ${BASE} ${file})
    embed_bytes(${file} bytes size)
    string(APPEND arrays "const unsigned char shader${index}[] = {${bytes}};\n")
    string(APPEND entries "    {\"${name}\", reinterpret_cast<const char*>(shader${index}), ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from data/shaders/ at build time; do not edit.
#include \"engine/render/BuiltinShaders.h\"

namespace {
${arrays}} // namespace

namespace engine {
const BuiltinShader builtinShaders[] = {
${entries}    {nullptr, nullptr, 0},
};
} // namespace engine
")
# Rewrite only on change, so unchanged shaders do not rebuild the host.
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
