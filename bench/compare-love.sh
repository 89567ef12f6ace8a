#!/bin/sh
# Reads the benchmark tree through quill's archive and through LOVE from a .love
# (zip) of the same files, on this machine. Needs `love` and `zip`.
#   bench/compare-love.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

QUILL_BENCH_TREE=$tree "$build/bin/archive_bench" --benchmark_min_time=0.5 \
    --benchmark_filter='_small|_all'
(cd "$tree/tree" && zip -q -r "$tree/bench.love" . && cd "$here/love" && zip -q "$tree/bench.love" conf.lua main.lua)
env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy love "$tree/bench.love"
