#!/bin/sh
# A short bounded fuzzing run of one target, seeded from archives that
# quill-pack builds of a fixture folder in every storage kind.
set -eu
fuzzer=$1
pack=$2
fixture=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
for kind in "" "--compress" "--encrypt" "--compress --encrypt"; do
    # shellcheck disable=SC2086
    "$pack" create "$work/corpus/seed$(echo "$kind" | tr -d ' -').dat" "$fixture" $kind >/dev/null
done
"$fuzzer" -runs=20000 -max_total_time=5 -max_len=4096 -rss_limit_mb=1024 -print_final_stats=1 \
    "$work/corpus" 2>&1 | tail -n 12
