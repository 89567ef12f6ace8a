#!/bin/sh
# A short bounded fuzzing run of one target.
#   run-fuzz.sh FUZZER --pack QUILL_PACK FIXTURE   seeds: archives of FIXTURE in every storage kind
#   run-fuzz.sh FUZZER --seeds DIR [FLAGS...]      seeds: the files of DIR; FLAGS go to the fuzzer
set -eu
fuzzer=$1
mode=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
if [ "$mode" = "--pack" ]; then
    pack=$3
    fixture=$4
    for kind in "" "--compress" "--encrypt" "--compress --encrypt"; do
        # shellcheck disable=SC2086
        "$pack" create "$work/corpus/seed$(echo "$kind" | tr -d ' -').dat" "$fixture" $kind >/dev/null
    done
    shift 4
else
    cp "$3"/* "$work/corpus/"
    shift 3
fi
# The fuzzer's own exit status decides: a crash or a leak fails the test.
status=0
"$fuzzer" -runs=20000 -max_total_time=5 -max_len=4096 -rss_limit_mb=1024 -print_final_stats=1 \
    "$@" "$work/corpus" >"$work/log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    cat "$work/log"
else
    tail -n 12 "$work/log"
fi
exit "$status"
