#!/bin/sh
# Installs the Debian packages quill builds, runs and tests with.
# Safe to run again: apt is only asked when a package is missing.
set -eu

PACKAGES="
cmake ninja-build g++ clang pkg-config make
libluajit-5.1-dev luajit
zlib1g-dev libogg-dev libvorbis-dev
libfreetype-dev libfreeimage-dev libsquish-dev fonts-dejavu-core
libsdl2-dev libfaudio-dev libgl-dev libgl1-mesa-dri
libassimp-dev assimp-utils
libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth xdotool zenity libx11-dev
"

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
