# Shared part of the mingw-w64 toolchain files: the "-posix" compilers (their
# libstdc++ has std::thread and std::mutex) and the cross-built dependencies.
# QUILL_WINDOWS_DEPS is the prefix scripts/build-windows-deps.sh printed; the
# libraries of this architecture sit in its ${QUILL_MINGW_ARCH} folder.
set(CMAKE_SYSTEM_NAME Windows)
set(QUILL_MINGW_TRIPLE ${QUILL_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILL_MINGW_TRIPLE}-windres)

if(NOT QUILL_WINDOWS_DEPS AND DEFINED ENV{QUILL_WINDOWS_DEPS})
    set(QUILL_WINDOWS_DEPS $ENV{QUILL_WINDOWS_DEPS})
endif()
# try_compile projects read this file again and need the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILL_WINDOWS_DEPS QUILL_MINGW_ARCH)
set(QUILL_WINDOWS_PREFIX ${QUILL_WINDOWS_DEPS}/${QUILL_MINGW_ARCH})

set(CMAKE_FIND_ROOT_PATH /usr/${QUILL_MINGW_TRIPLE} ${QUILL_WINDOWS_PREFIX})
set(CMAKE_PREFIX_PATH ${QUILL_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
