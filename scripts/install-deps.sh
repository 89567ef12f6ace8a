#!/bin/sh
# Installs the Debian packages quill builds, runs and tests with.
#   install-deps.sh            the Linux build
#   install-deps.sh windows    the Windows build: the mingw-w64 cross compilers,
#                              what scripts/build-windows-deps.sh builds the
#                              dependencies with, and wine64 with Xvfb and
#                              PulseAudio to run the tests
# Safe to run again: apt is only asked when a package is missing.
set -eu

case "${1:-linux}" in
linux)
    PACKAGES="
cmake ninja-build g++ clang pkg-config make
libluajit-5.1-dev luajit
zlib1g-dev libdeflate-dev libogg-dev libvorbis-dev
libfreetype-dev libfreeimage-dev libsquish-dev fonts-dejavu-core
libsdl2-dev libfaudio-dev libgl-dev libgl1-mesa-dri
libassimp-dev assimp-utils
libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth xdotool zenity libx11-dev
"
    ;;
windows)
    PACKAGES="
cmake ninja-build make pkg-config gcc g++ bc nasm dpkg-dev bison flex xz-utils curl
g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix gcc-multilib qemu-user libz-mingw-w64-dev
libgtest-dev libutfcpp-dev
wine64 xvfb xauth xdotool pulseaudio pulseaudio-utils
"
    ;;
*)
    echo "usage: $0 [linux|windows]" >&2
    exit 2
    ;;
esac

missing=""
for pkg in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $pkg"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi

echo "Installing:$missing"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
