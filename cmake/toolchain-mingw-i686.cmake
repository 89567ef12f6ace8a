# Windows on 32-bit x86 with mingw-w64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
#   -DQUILL_WINDOWS_DEPS=<prefix of scripts/build-windows-deps.sh>
set(CMAKE_SYSTEM_PROCESSOR X86)
set(QUILL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
