# Writes OUTPUT, a C++ source holding the Lua files of FILES ("|"-separated)
# as byte arrays, listed by module name (the file name without ".lua").
include(${CMAKE_CURRENT_LIST_DIR}/EmbedBytes.cmake)
string(REPLACE "|" ";" files "${FILES}")
set(arrays "")
set(entries "")
set(index 0)
foreach(file ${files})
    get_filename_component(name ${file} NAME_WE)
    embed_bytes(${file} bytes size)
    string(APPEND arrays "const unsigned char script${index}[] = {${bytes}};\n")
    string(APPEND entries "    {\"${name}\", reinterpret_cast<const char*>(script${index}), ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from lib/*.lua at build time; do not edit.
#include \"app/ScriptLibrary.h\"

namespace {
${arrays}} // namespace

const LibraryScript libraryScripts[] = {
${entries}    {nullptr, nullptr, 0},
};
")
# Rewrite only on change, so an unchanged library does not rebuild the host.
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
