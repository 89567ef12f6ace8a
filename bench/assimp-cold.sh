#!/bin/sh
# Converting the benchmark's glTF model (about 1,000,000 triangles, a texture,
# a two-bone skin) against assimp's ReadFile of it, each in a process of its
# own: what a changed model costs when the asset processor meets it, with
# every allocation fresh from the system. RUNS processes of each (5),
# alternated, read first; prints both medians of CPU and wall milliseconds
# and the ratios (conversion / read). The model's file already exists for
# every timed conversion, as it does when a source has changed.
#
#   bench/assimp-cold.sh [BUILD_DIR]
set -eu
build=${1:-build}
bench="$build/bin/quill_bench_assimp"
runs=${RUNS:-5}
folder=$(mktemp -d "${TMPDIR:-/tmp}/quill-assimp-cold-XXXXXX")
trap 'rm -rf "$folder"' EXIT
model=$("$bench" --write-model "$folder")
"$bench" --convert "$model" >/dev/null
i=0
while [ "$i" -lt "$runs" ]; do
    "$bench" --read "$model" >>"$folder/read"
    "$bench" --convert "$model" >>"$folder/convert"
    i=$((i + 1))
done
median() {  # column $2 of file $1
    sort -n -k "$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
readCpu=$(median "$folder/read" 1)
readWall=$(median "$folder/read" 2)
convertCpu=$(median "$folder/convert" 1)
convertWall=$(median "$folder/convert" 2)
echo "runs: $runs each"
echo "assimp ReadFile:  cpu $readCpu ms, wall $readWall ms (medians)"
echo "quill conversion: cpu $convertCpu ms, wall $convertWall ms (medians)"
awk -v a="$convertCpu" -v b="$readCpu" -v c="$convertWall" -v d="$readWall" \
    'BEGIN { printf "ratio: cpu %.2f, wall %.2f\n", a / b, c / d }'
