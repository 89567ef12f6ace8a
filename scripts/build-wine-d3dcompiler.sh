#!/usr/bin/env bash
# Builds tools/wine-d3dcompiler into a d3dcompiler_47.dll for running the
# Windows build's tests under Wine 8, whose own HLSL compiler cannot sample
# textures. The compiler library is vkd3d-shader 1.14 as Wine 10 bundles it,
# taken from Debian's Wine 10 source archive, with the patches beside the
# tool's source. The result is cached on the machine under a key made from
# this script and the tool's sources.
#
# usage: build-wine-d3dcompiler.sh ARCH   (x86_64 or i686); prints the DLL's path
set -euo pipefail
ARCH=$1
case $ARCH in x86_64|i686) ;; *) echo "unknown architecture $ARCH" >&2; exit 2 ;; esac
cd "$(dirname "$0")/.."
REPO=$(pwd)
CACHE=${QUILL_WINDEPS_CACHE:-$HOME/.cache/quill-windeps}
TOOL=tools/wine-d3dcompiler
WINE_SOURCE=wine_10.0~repack.orig.tar.xz
WINE_SHA256=e87ff2971c9b2e79fc63341f044d7513e66f3c3782b49609746428caa87c6ee6
CC=$ARCH-w64-mingw32-gcc

KEY=$( { cat "$0" "$TOOL"/*; $CC --version | head -1; } | sha256sum | cut -c1-16)
OUT=$CACHE/wine-d3dcompiler/$KEY/$ARCH
if [ -f "$OUT/d3dcompiler_47.dll" ]; then
    echo "$OUT/d3dcompiler_47.dll"
    exit 0
fi
mkdir -p "$CACHE/wine-d3dcompiler"
exec 9>"$CACHE/wine-d3dcompiler/lock"
flock 9

# The machine's own Debian mirror, as its apt sources name it.
uri=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
[ -n "$uri" ] || uri=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
[ -n "$uri" ] || uri=http://deb.debian.org/debian
ARCHIVE=$CACHE/wine-d3dcompiler/$WINE_SOURCE
if ! echo "$WINE_SHA256  $ARCHIVE" | sha256sum -c --quiet >/dev/null 2>&1; then
    curl -sSfL -o "$ARCHIVE.part" "$uri/pool/main/w/wine/$WINE_SOURCE"
    echo "$WINE_SHA256  $ARCHIVE.part" | sha256sum -c --quiet
    mv "$ARCHIVE.part" "$ARCHIVE"
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
tar -xJf "$ARCHIVE" -C "$WORK" wine-10.0/libs/vkd3d wine-10.0/include/wine/list.h wine-10.0/include/wine/rbtree.h
V=$WORK/wine-10.0/libs/vkd3d
# Equal literals share a constant register (see the patch).
patch -s -d "$WORK/wine-10.0" -p1 < "$TOOL/shared-constant-registers.patch"
# Uniform array elements are read where they are used (see the patch).
patch -s -d "$WORK/wine-10.0" -p1 < "$TOOL/uniform-array-loads.patch"
cd "$WORK"
bison -d -o hlsl.tab.c "$V/libs/vkd3d-shader/hlsl.y"
bison -d -o preproc.tab.c "$V/libs/vkd3d-shader/preproc.y"
flex -o hlsl.yy.c "$V/libs/vkd3d-shader/hlsl.l"
flex -o preproc.yy.c "$V/libs/vkd3d-shader/preproc.l"
printf '%s\n' '#define PACKAGE_NAME "vkd3d"' '#define PACKAGE_STRING "vkd3d 1.14"' \
    '#define PACKAGE_VERSION "1.14"' '#define PATH_MAX 1024' > config.h
# Only the shader compiler: the Direct3D 12 part is not built.
FLAGS=(-O2 -w -std=gnu99 -DNONAMELESSUNION -DLIBVKD3D_SHADER_SOURCE -DVKD3D_NO_VULKAN_H -I. -I"$V/include"
       -I"$V/include/private" -I"$V/libs/vkd3d-shader" -I"$WORK/wine-10.0/include")
SOURCES=("$V"/libs/vkd3d-shader/*.c hlsl.tab.c hlsl.yy.c preproc.tab.c preproc.yy.c
         "$V"/libs/vkd3d-common/{debug,error,memory,utf8}.c)
JOBS=${JOBS:-$(nproc)}
printf '%s\n' "${SOURCES[@]}" | xargs -P "$JOBS" -I{} sh -c "$CC -c ${FLAGS[*]} {} -o \$(basename {} .c).o"
mkdir -p "$OUT"
$CC -O2 -std=gnu99 -Wall -shared -o "$OUT/d3dcompiler_47.dll" -I"$V/include" \
    "$REPO/$TOOL/d3dcompiler.c" "$REPO/$TOOL/d3dcompiler_47.def" ./*.o -static-libgcc -luuid >&2
echo "$OUT/d3dcompiler_47.dll"
