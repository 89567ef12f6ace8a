#!/bin/sh
# Regenerates the pixels of the host's two built-in fonts from a freely licensed
# monospaced typeface (Debian fonts-dejavu-core), drawn with FreeType.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
font=${1:-/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf}
tool=$(mktemp)
trap 'rm -f "$tool"' EXIT
g++ -std=c++17 -O1 -o "$tool" "$here/make-builtin-fonts.cpp" $(pkg-config --cflags --libs freetype2)
"$tool" "$font" > "$root/src/core/BuiltinFontData.cpp"
