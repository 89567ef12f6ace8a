#!/bin/sh
# quill side by side with LOVE (Debian's `love`) on this machine: each row is
# one workload, run in RUNS processes of each (alternated, quill first), and
# printed as the two medians and their ratio (quill / LOVE, above 1 is faster).
# bench/scripts/compare/init.lua and bench/love/compare/main.lua are the two
# halves of every row.
#
#   bench/compare-love.sh [--install] [BUILD_DIR [ROW...]]
#
# --install installs love and zip with apt-get first. Without a display the
# rows run under a private Xvfb. RUNS sets the processes per side (5). Rows marked "noop" run with GALLIUM_NOOP=1
# (drawing discarded: the host's own cost), the other drawing rows on llvmpipe.
set -eu
if [ "${1:-}" = "--install" ]; then
    shift
    apt-get install -y --no-install-recommends love zip
fi
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec "$here/../scripts/with-display.sh" "$0" "$@"
fi
build=$(cd "${1:-$here/../build}" && pwd)
[ $# -gt 0 ] && shift
rows=${*:-"method property transform pixel archive_text archive_all archive_plain empty_frame
    rects_10k rects_100k rects_images_10k sprites_10k text images_100k_8x8"}
runs=${RUNS:-5}
command -v love >/dev/null || { echo "love is not installed (bench/compare-love.sh --install)" >&2; exit 1; }

# The archive rows' files: archive_bench writes the tree and its archives,
# kept in QUILL_COMPARE_TREE when that names a folder (made once, reused).
tree=${QUILL_COMPARE_TREE:-}
if [ -z "$tree" ]; then
    tree=$(mktemp -d)
    trap 'rm -rf "$tree"' EXIT
fi
if [ ! -f "$tree/bench.love" ]; then
    mkdir -p "$tree"
    QUILL_BENCH_TREE=$tree "$build/bin/archive_bench" --benchmark_filter=disk_small --benchmark_min_time=0.01 >/dev/null
    (cd "$tree/tree" && find . -type f | sed 's|^\./||' | sort >"$tree/files.txt" && cp "$tree/files.txt" .)
    (cd "$tree/tree" && zip -q -r "$tree/bench.love" .)
fi
# The peer's script is packed fresh each time, in a copy of the archive.
cp "$tree/bench.love" "$tree/peer.love"
(cd "$here/love/compare" && zip -q "$tree/peer.love" conf.lua main.lua)

# A failing script would wait on its error box: rows without drawing run with
# no display, and every process has a time limit.
quill() {
    case $1 in
    method | property | transform | pixel | archive_*) display= ;;
    *) display=$DISPLAY ;;
    esac
    (cd "$here/scripts/compare" && DISPLAY=$display QUILL_COMPARE_ROW=$1 QUILL_COMPARE_TREE=$tree \
        timeout 300 "$build/bin/quill_bench")
}
peer() {
    case $1 in
    archive_*) game=$tree/peer.love ;;
    *) game=$here/love/compare ;;
    esac
    QUILL_COMPARE_ROW=$1 SDL_AUDIODRIVER=dummy timeout 300 love "$game"
}
median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
value() { awk -v row="$1" '$1 == row { print $2 }'; }

printf '%-18s %14s %14s %7s  %s\n' row quill love ratio unit
for row in $rows; do
    case $row in
    rects_* | sprites_* | text) noop=1 unit="frames/s (noop)" ;;
    empty_frame | images_*) noop= unit="frames/s" ;;
    archive_*) noop= unit="MB/s" ;;
    *) noop= unit="calls/s" ;;
    esac
    q=$(mktemp) p=$(mktemp)
    i=0
    while [ $i -lt "$runs" ]; do
        GALLIUM_NOOP=${noop:-0} quill "$row" 2>/dev/null | value "$row" >>"$q"
        GALLIUM_NOOP=${noop:-0} peer "$row" 2>/dev/null | value "$row" >>"$p"
        i=$((i + 1))
    done
    mq=$(median <"$q") mp=$(median <"$p")
    rm -f "$q" "$p"
    awk -v r="$row" -v q="$mq" -v p="$mp" -v u="$unit" \
        'BEGIN { printf "%-18s %14.6g %14.6g %7.2f  %s\n", r, q, p, (p > 0 ? q / p : 0), u }'
done
