#!/bin/sh
# Runs one fuzz target.
#   run-fuzz.sh FUZZ_DIR TARGET QUILL_PACK
# FUZZ_DIR holds the built targets (TARGET_fuzz); QUILL_PACK makes the seeds of
# the archive and stream targets (archives of the test fixture in every storage
# kind); the other targets start from seeds/TARGET.
# Without FUZZ_SECONDS this is the short bounded run of the tests, in a
# throw-away corpus. With FUZZ_SECONDS=N it runs N seconds in the corpus
# folder FUZZ_CORPUS (kept between runs, seeds added), leaves what it finds in
# FUZZ_CORPUS/../artifacts, and ends with a one-line summary.
set -eu
fuzz_dir=$1
target=$2
pack=$3
here=$(cd "$(dirname "$0")" && pwd)
fuzzer="$fuzz_dir/${target}_fuzz"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus=${FUZZ_CORPUS:-$work/corpus}
mkdir -p "$corpus"
case $target in
archive | stream)
    for kind in "" "--compress" "--encrypt" "--compress --encrypt"; do
        # shellcheck disable=SC2086
        "$pack" create "$corpus/seed$(echo "$kind" | tr -d ' -').dat" "$here/../scripts/fixtures/archive" $kind >/dev/null
    done
    ;;
*)
    cp -L "$here/seeds/$target"/* "$corpus/"
    ;;
esac

# Fonts are whole files and glTF seeds carry their buffers inline; everything
# else is small. Every target keeps within the host's own bounds, so the
# default memory limit holds for all of them.
max_len=4096
case $target in
truetype) max_len=1048576 ;;
gltf)
    max_len=16384
    # The import library keeps a few process-wide allocations for good.
    LSAN_OPTIONS="suppressions=$here/assimp-leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    export LSAN_OPTIONS
    ;;
esac
if [ -n "${FUZZ_SECONDS:-}" ]; then
    artifacts="$(dirname "$corpus")/artifacts"
    mkdir -p "$artifacts"
    limits="-max_total_time=$FUZZ_SECONDS -artifact_prefix=$artifacts/$target-"
else
    limits="-runs=20000 -max_total_time=5 -artifact_prefix=$work/"
fi

# The fuzzer's own exit status decides: a crash, a leak, undefined behaviour
# or an input slower than the timeout fails the run.
status=0
# shellcheck disable=SC2086
"$fuzzer" $limits -max_len=$max_len -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
    "$corpus" >"$work/log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    cat "$work/log"
elif [ -n "${FUZZ_SECONDS:-}" ]; then
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$work/log")
    done_line=$(grep 'DONE' "$work/log" | tail -n 1)
    cov=$(echo "$done_line" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$done_line" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
    files=$(find "$corpus" -type f | wc -l)
    echo "fuzz $target: ${FUZZ_SECONDS}s, $execs execs ($rate/s), cov $cov, ft $ft, corpus $files files, peak rss ${rss} MB"
else
    tail -n 12 "$work/log"
fi
exit "$status"
