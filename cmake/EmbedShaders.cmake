# Writes OUTPUT, a C++ source holding the shader files of FILES ("|"-separated)
# as byte arrays, listed by their path relative to BASE ("shaders/gl/Mesh.vsh").
string(REPLACE "|" ";" files "${FILES}")
set(arrays "")
set(entries "")
set(index 0)
foreach(file ${files})
    file(RELATIVE_PATH name ${BASE} ${file})
    file(READ ${file} bytes HEX)
    string(LENGTH "${bytes}" hexLength)
    math(EXPR size "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
    string(APPEND arrays "const unsigned char shader${index}[] = {${bytes}0};\n")
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
