# Windows x86_64 with mingw-w64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
#   -DQUILL_WINDOWS_DEPS=<prefix of scripts/build-windows-deps.sh>
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUILL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
