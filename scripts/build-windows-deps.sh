#!/usr/bin/env bash
# Cross-builds quill's Windows dependencies with mingw-w64, from Debian 12's
# source packages (Debian's patches applied), as static libraries:
#   LuaJIT 2.1, libogg, libvorbis (+vorbisfile, +vorbisenc), FreeType 2,
#   libpng 1.6, libjpeg-turbo, a reduced FreeImage 3.18, libsquish, minizip,
#   assimp (only the glTF, FBX and Collada importers and the FBX exporter), and
#   GoogleTest (from libgtest-dev's source). zlib is libz-mingw-w64-dev's libz.a;
#   utf8cpp (header-only) comes from libutfcpp-dev's headers.
#
# The result is cached on the machine under a key made from this script, the
# source package versions and the compiler, so a second run only checks the key.
#
# usage: build-windows-deps.sh [--arch x86_64|i686]... [--cache DIR] [--record FILE]
#   prints the prefix; DIR/<key>/<arch>/{include,lib} holds an architecture's
#   libraries; --record writes the prefix DIR/<key> into FILE.
set -euo pipefail

CACHE=${QUILL_WINDEPS_CACHE:-$HOME/.cache/quill-windeps}
ARCHS=()
RECORD=
while [ $# -gt 0 ]; do
    case "$1" in
        --arch) ARCHS+=("$2"); shift 2 ;;
        --cache) CACHE=$2; shift 2 ;;
        --record) RECORD=$2; shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
[ ${#ARCHS[@]} -gt 0 ] || ARCHS=(x86_64)
for A in "${ARCHS[@]}"; do
    case $A in x86_64|i686) ;; *) echo "unknown architecture $A" >&2; exit 2 ;; esac
done
JOBS=${JOBS:-$(nproc)}
SCRIPT=$(readlink -f "$0")
mkdir -p "$CACHE"

# Checkouts on one machine share the cache: one builder at a time.
exec 9>"$CACHE/lock"
flock 9

T0=$(date +%s.%N)
elapsed() { echo "$(date +%s.%N) - $1" | bc; }

# --- sources: an index of Debian's source packages kept inside the cache, so
# /etc/apt stays untouched and a machine without deb-src entries works too ----
PKGS="luajit libogg libvorbis freetype freeimage libpng1.6 libjpeg-turbo libsquish minizip assimp"
INDEX=$CACHE/apt
APTSRC=(-o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts="$INDEX" -o Dir::State::lists="$INDEX/lists"
        -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
mkdir -p "$INDEX/lists/partial"
# The machine's own Debian mirror, as its apt sources name it.
uri=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
[ -n "$uri" ] || uri=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
[ -n "$uri" ] || uri=http://deb.debian.org/debian
printf '%s\n' 'Types: deb-src' "URIs: $uri" 'Suites: bookworm bookworm-updates' 'Components: main' \
    'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' > "$INDEX/src.sources"
# An index younger than a day is used as it is.
if [ -z "$(find "$INDEX/lists" -maxdepth 1 -name '*Sources*' -mmin -1440 2>/dev/null | head -1)" ]; then
    apt-get "${APTSRC[@]}" update > "$CACHE/apt-update.log" 2>&1 ||
        { echo "could not read Debian's source index (see $CACHE/apt-update.log)" >&2; exit 1; }
fi
DSCS=$(apt-get "${APTSRC[@]}" source --print-uris $PKGS 2>/dev/null | awk '$2 ~ /\.dsc$/ {print $2}' | sort)
[ "$(echo "$DSCS" | wc -l)" -eq "$(echo $PKGS | wc -w)" ] || { echo "source packages missing: $DSCS" >&2; exit 1; }
GTEST_VERSION=$(dpkg-query -W -f='${Version}' libgtest-dev)
UTFCPP_VERSION=$(dpkg-query -W -f='${Version}' libutfcpp-dev)
# Both architectures' compilers come from one mingw-w64 gcc version.
KEY=$( { cat "$SCRIPT"; echo "$DSCS"; echo "gtest $GTEST_VERSION"; echo "utfcpp $UTFCPP_VERSION"; x86_64-w64-mingw32-g++-posix --version | head -1; } |
       sha256sum | cut -c1-16)
PREFIX=$CACHE/$KEY
WORK=$PREFIX/work

built_all=1
for A in "${ARCHS[@]}"; do [ -f "$PREFIX/$A/.complete" ] || built_all=0; done
if [ $built_all = 1 ]; then
    [ -z "$RECORD" ] || { mkdir -p "$(dirname "$RECORD")"; echo "$PREFIX" > "$RECORD"; }
    printf 'windows dependencies: cached in %s (%s s)\n' "$PREFIX" "$(elapsed "$T0")" >&2
    echo "$PREFIX"
    exit 0
fi

step() { # step NAME command...: times each step, its log in $WORK/NAME.log
    # runs in a background subshell so that `set -e` holds inside the step's functions
    local name=$1; shift; local t; t=$(date +%s.%N)
    "$@" > "$WORK/$name.log" 2>&1 &
    wait $! || { echo "FAILED: $name (see $WORK/$name.log)" >&2; tail -20 "$WORK/$name.log" >&2; exit 1; }
    printf '  %-26s %6.1f s\n' "$name" "$(elapsed "$t")" >&2
}

# Unpacked sources are kept per set of versions, apart from the builds.
SOURCES=$CACHE/sources/$(echo "$DSCS" | sha256sum | cut -c1-16)
mkdir -p "$WORK" "$SOURCES"
fetch() {
    rm -rf "$SOURCES"/* && mkdir -p "$SOURCES/dl" "$SOURCES/src"
    cd "$SOURCES/dl" && apt-get "${APTSRC[@]}" source --download-only $PKGS
    cd "$SOURCES/src"
    for d in "$SOURCES"/dl/*.dsc; do dpkg-source --no-check -x "$d" > /dev/null; done
}
[ -f "$SOURCES/.complete" ] || { step sources fetch; touch "$SOURCES/.complete"; }
{ echo "$DSCS" | sed 's/\.dsc$//'; echo "googletest $GTEST_VERSION"; echo "utfcpp $UTFCPP_VERSION"; } > "$PREFIX/versions.txt"
S() { ls -d "$SOURCES"/src/"$1"-[0-9]* | head -1; }

# FreeImage, reduced to the formats without further libraries.
mkdir -p "$WORK/freeimage-cmake"
cat > "$WORK/freeimage-cmake/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(FreeImageReduced C CXX)
set(FI_SRC "" CACHE PATH "FreeImage source tree")
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
file(GLOB core ${FI_SRC}/Source/FreeImage/*.cpp ${FI_SRC}/Source/FreeImage/*.c)
file(GLOB meta ${FI_SRC}/Source/Metadata/*.cpp)
file(GLOB tk   ${FI_SRC}/Source/FreeImageToolkit/*.cpp)
list(FILTER core EXCLUDE REGEX "/(PluginTIFF|PluginG3|PluginEXR|PluginJ2K|PluginJP2|J2KHelper|PluginRAW|PluginWebP|PluginJXR)\\.cpp$")
list(FILTER meta EXCLUDE REGEX "/XTIFF\\.cpp$")
add_library(freeimage STATIC ${core} ${meta} ${tk} ${CMAKE_CURRENT_SOURCE_DIR}/PluginStubs.cpp)
target_compile_definitions(freeimage PUBLIC FREEIMAGE_LIB)
target_include_directories(freeimage PRIVATE ${FI_SRC}/Source ${FI_SRC}/Source/Metadata ${FI_SRC}/Source/FreeImageToolkit)
target_compile_definitions(freeimage PRIVATE NDEBUG WINVER=0x0601)
target_compile_options(freeimage PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-std=gnu++14 -Wno-ctor-dtor-privacy> -fexceptions -w)
target_link_libraries(freeimage PRIVATE PNG::PNG JPEG::JPEG ZLIB::ZLIB)
install(TARGETS freeimage ARCHIVE DESTINATION lib)
install(FILES ${FI_SRC}/Source/FreeImage.h DESTINATION include)
EOF
cat > "$WORK/freeimage-cmake/PluginStubs.cpp" <<'EOF'
// Plugins left out of this build keep their FREE_IMAGE_FORMAT id (Plugin.cpp registers plugins in
// enum order) but have no load/save/validate procs, so FreeImage reports them as unsupported.
#include "FreeImage.h"
#include "Plugin.h"
#define FI_STUB(NAME, FMT, DESC, EXT) \
  static const char *DLL_CALLCONV NAME##Format() { return FMT; } \
  static const char *DLL_CALLCONV NAME##Desc() { return DESC " (not built)"; } \
  static const char *DLL_CALLCONV NAME##Ext() { return EXT; } \
  void DLL_CALLCONV Init##NAME(Plugin *plugin, int) { \
    plugin->format_proc = NAME##Format; plugin->description_proc = NAME##Desc; plugin->extension_proc = NAME##Ext; }
FI_STUB(TIFF, "TIFF", "Tagged Image File Format", "tif,tiff")
FI_STUB(G3,   "G3",   "Raw fax format CCITT G.3", "g3")
FI_STUB(EXR,  "EXR",  "ILM OpenEXR", "exr")
FI_STUB(J2K,  "J2K",  "JPEG-2000 codestream", "j2k,j2c")
FI_STUB(JP2,  "JP2",  "JPEG-2000 File Format", "jp2")
FI_STUB(RAW,  "RAW",  "RAW camera image", "3fr,arw,cr2,crw,dng,nef,orf,raf")
FI_STUB(WEBP, "WebP", "Google WebP image format", "webp")
FI_STUB(JXR,  "JPEG-XR", "JPEG XR image format", "jxr,wdp,hdp")
EOF

# minizip (assimp reads zipped archives through it), as a static library.
mkdir -p "$WORK/minizip-cmake"
cat > "$WORK/minizip-cmake/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(MiniZip C)
set(MZ_SRC "" CACHE PATH "minizip source tree")
find_package(ZLIB REQUIRED)
add_library(minizip STATIC ${MZ_SRC}/ioapi.c ${MZ_SRC}/unzip.c ${MZ_SRC}/zip.c ${MZ_SRC}/iowin32.c)
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PRIVATE ZLIB::ZLIB)
install(TARGETS minizip ARCHIVE DESTINATION lib)
install(FILES ${MZ_SRC}/ioapi.h ${MZ_SRC}/unzip.h ${MZ_SRC}/zip.h ${MZ_SRC}/iowin32.h DESTINATION include/minizip)
EOF

# --- per architecture --------------------------------------------------------
for A in "${ARCHS[@]}"; do
    [ -f "$PREFIX/$A/.complete" ] && continue
    echo "building the Windows dependencies for $A into $PREFIX/$A" >&2
    T=$A-w64-mingw32; P=$PREFIX/$A; B=$WORK/build/$A
    rm -rf "$P" "$B"; mkdir -p "$P/include" "$P/lib" "$B"
    case $A in x86_64) CPU=AMD64; HOSTCC=gcc ;; i686) CPU=X86; HOSTCC="gcc -m32" ;; esac
    # LuaJIT's build runs helpers made for the target's word size. A kernel
    # without 32-bit support runs the i686 ones under qemu's user emulation.
    HOSTRUN=()
    if [ $A = i686 ]; then
        echo 'int main(void) { return 0; }' > "$WORK/probe32.c"
        gcc -m32 "$WORK/probe32.c" -o "$WORK/probe32"
        "$WORK/probe32" 2>/dev/null || HOSTRUN=(MINILUA_X="qemu-i386 host/minilua" BUILDVM_X="qemu-i386 host/buildvm")
    fi
    cat > "$B/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $CPU)
set(CMAKE_C_COMPILER   $T-gcc-posix)
set(CMAKE_CXX_COMPILER $T-g++-posix)
set(CMAKE_RC_COMPILER  $T-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$T $P)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
    ZL=(-DZLIB_LIBRARY=/usr/$T/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$T/include)
    cm() { # cm NAME SRC [cmake args...]
        local n=$1 s=$2; shift 2
        cmake -S "$s" -B "$B/$n" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$B/toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$P" \
            -DCMAKE_PREFIX_PATH="$P" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF "$@"
        cmake --build "$B/$n" -j "$JOBS"
        cmake --install "$B/$n"
    }
    luajit() {
        local d=$B/luajit; rm -rf "$d"; cp -a "$(S luajit)" "$d"
        make -C "$d" -j "$JOBS" HOST_CC="$HOSTCC" CROSS=$T- TARGET_SYS=Windows BUILDMODE=static CCDEBUG= "${HOSTRUN[@]}"
        mkdir -p "$P/include/luajit-2.1"
        cp "$d"/src/{lua.h,lualib.h,lauxlib.h,luaconf.h,lua.hpp,luajit.h} "$P/include/luajit-2.1/"
        cp "$d/src/libluajit.a" "$P/lib/libluajit-5.1.a"
        mkdir -p "$P/lib/pkgconfig"
        printf '%s\n' "prefix=$P" 'Name: LuaJIT' 'Description: Just-in-time compiler for Lua' 'Version: 2.1.0' \
            'Cflags: -I${prefix}/include/luajit-2.1' 'Libs: -L${prefix}/lib -lluajit-5.1' > "$P/lib/pkgconfig/luajit.pc"
    }
    step "$A-luajit"        luajit
    step "$A-libogg"        cm ogg "$(S libogg)" -DBUILD_TESTING=OFF -DINSTALL_DOCS=OFF
    step "$A-libvorbis"     cm vorbis "$(S libvorbis)"
    step "$A-freetype"      cm freetype "$(S freetype)" -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
                              -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_REQUIRE_ZLIB=ON "${ZL[@]}"
    step "$A-libpng"        cm png "$(S libpng1.6)" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
                              -DPNG_EXECUTABLES=OFF "${ZL[@]}"
    step "$A-libjpeg-turbo" cm jpeg "$(S libjpeg-turbo)" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
                              -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
    step "$A-freeimage"     cm freeimage "$WORK/freeimage-cmake" -DFI_SRC="$(S freeimage)" "${ZL[@]}"
    step "$A-libsquish"     cm squish "$(S libsquish)" -DBUILD_SQUISH_WITH_OPENMP=OFF -DBUILD_SQUISH_EXTRA=OFF
    minizip() {
        cm minizip "$WORK/minizip-cmake" -DMZ_SRC="$(S minizip)" "${ZL[@]}"
        printf '%s\n' "prefix=$P" 'Name: minizip' 'Description: zip archives' 'Version: 1.1' \
            'Cflags: -I${prefix}/include/minizip' 'Libs: -L${prefix}/lib -lminizip' > "$P/lib/pkgconfig/minizip.pc"
    }
    assimp() {
        # Debian builds its assimp with draco; quill's build leaves it out.
        local d=$B/assimp-src; rm -rf "$d"; cp -a "$(S assimp)" "$d"
        patch -R -p1 -d "$d" < "$d/debian/patches/use-system-libdraco.patch"
        cp -r /usr/include/utf8cpp/. "$P/include/"
        export PKG_CONFIG_LIBDIR=$P/lib/pkgconfig PKG_CONFIG_PATH=''
        cm assimp "$d" "${ZL[@]}" -DCMAKE_CXX_FLAGS="-I$P/include" \
            -DASSIMP_BUILD_ZLIB=OFF -DASSIMP_BUILD_ASSIMP_TOOLS=OFF -DASSIMP_BUILD_TESTS=OFF -DASSIMP_BUILD_SAMPLES=OFF \
            -DASSIMP_BUILD_DOCS=OFF -DASSIMP_WARNINGS_AS_ERRORS=OFF -DASSIMP_IGNORE_GIT_HASH=ON \
            -DASSIMP_INJECT_DEBUG_POSTFIX=OFF -DASSIMP_BUILD_ALL_IMPORTERS_BY_DEFAULT=OFF \
            -DASSIMP_BUILD_GLTF_IMPORTER=ON -DASSIMP_BUILD_FBX_IMPORTER=ON -DASSIMP_BUILD_COLLADA_IMPORTER=ON \
            -DASSIMP_BUILD_ALL_EXPORTERS_BY_DEFAULT=OFF -DASSIMP_BUILD_FBX_EXPORTER=ON
        # A static library: its users need minizip and zlib after it.
        printf '%s\n' "prefix=$P" 'Name: assimp' 'Description: 3D model import library' \
            "Version: $(sed -n 's/^Version: *//p' "$P/lib/pkgconfig/assimp.pc")" \
            'Cflags: -I${prefix}/include' 'Libs: -L${prefix}/lib -lassimp -lminizip -lz' > "$P/lib/pkgconfig/assimp.pc"
    }
    step "$A-minizip"       minizip
    step "$A-assimp"        assimp
    step "$A-googletest"    cm googletest /usr/src/googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
                              -Dgtest_disable_pthreads=OFF
    cp /usr/$T/lib/libz.a "$P/lib/libz.a"
    cp /usr/$T/include/zlib.h /usr/$T/include/zconf.h "$P/include/"
    rm -rf "$B"
    touch "$P/.complete"
done
rm -rf "$WORK/build"

[ -z "$RECORD" ] || { mkdir -p "$(dirname "$RECORD")"; echo "$PREFIX" > "$RECORD"; }
printf 'windows dependencies: built in %s (%s s)\n' "$PREFIX" "$(elapsed "$T0")" >&2
echo "$PREFIX"
