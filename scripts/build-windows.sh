#!/bin/sh
# Cross-builds quill for Windows: build-windows.sh ARCH BUILD_DIR [JOBS]
# (ARCH x86_64 or i686). The dependencies come from the machine's cache, built
# there first when missing.
set -eu
arch=$1
dir=$2
jobs=${3:-2}
cd "$(dirname "$0")/.."

prefix=$(JOBS=$jobs scripts/build-windows-deps.sh --arch "$arch")
# A new set of dependencies lives in a new prefix: configure from scratch.
if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx "QUILL_WINDOWS_DEPS:UNINITIALIZED=$prefix" "$dir/CMakeCache.txt" &&
   ! grep -qx "QUILL_WINDOWS_DEPS:PATH=$prefix" "$dir/CMakeCache.txt"; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles" "$dir/build.ninja"
fi
# Nothing runs 32-bit programs here, so that build is the programs alone.
testing=ON
if [ "$arch" = i686 ]; then
    testing=OFF
fi
if [ ! -f "$dir/build.ninja" ] || [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-$arch.cmake" \
        -DQUILL_WINDOWS_DEPS="$prefix" -DQUILL_BENCHMARKS=OFF -DBUILD_TESTING=$testing
fi
ninja -C "$dir" -j "$jobs"
# The tests run under Wine with a newer HLSL compiler than Wine's own.
if [ "$testing" = ON ]; then
    cp "$(JOBS=$jobs scripts/build-wine-d3dcompiler.sh "$arch")" "$dir/bin/"
fi
