#!/bin/sh
# Runs one script test: the host starts in a fresh temporary folder with the
# test as its init.lua and the test helper under lib/. Header lines of the test
# steer the run:
#   -- expect-exit: N     the exit code of the first run (default 0)
#   -- check: FILE        then run FILE (beside the test) as init.lua in the same folder
#   -- fixture: DIR       copy fixtures/DIR/* into the folder first
#   -- archive: DIR [OPT] pack fixtures/DIR into the folder's tallowen.dat with
#                         quill-pack's options (--compress, --encrypt); without
#                         this line the test gets an empty archive
#   -- display            keep DISPLAY (windowed tests); otherwise it is unset
# The test fails on a "not ok" line, on a missing "# done:" summary, on an
# unexpected exit code (a crash included) or on a timeout.
set -u
quill=$1
script=$2
here=$(cd "$(dirname "$0")" && pwd)
tests=$(dirname "$script")

header() {
    sed -n "s/^-- $1: *//p" "$script" | head -n 1
}

expect_exit=$(header expect-exit)
expect_exit=${expect_exit:-0}
check=$(header check)
fixture=$(header fixture)
archive=$(header archive)
time_limit=$(header timeout)
time_limit=${time_limit:-60}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/game/lib" "$work/home"
cp "$here/lib/"*.lua "$work/game/lib/"
if [ -n "$fixture" ]; then
    cp -R "$tests/fixtures/$fixture/." "$work/game/"
fi
cp "$script" "$work/game/init.lua"

# The host does not start without its data archive.
pack="$(dirname "$quill")/quill-pack"
if [ -n "$archive" ]; then
    set -- $archive
    archive_dir=$1
    shift
    "$pack" create "$work/game/tallowen.dat" "$tests/fixtures/$archive_dir" "$@" >/dev/null || exit 1
else
    mkdir "$work/empty"
    "$pack" create "$work/game/tallowen.dat" "$work/empty" >/dev/null || exit 1
fi

export HOME="$work/home"
# Where the host's helper programs are (windowed tests use them).
QUILL_BIN_DIR=$(cd "$(dirname "$quill")" && pwd)
export QUILL_BIN_DIR
unset XDG_CONFIG_HOME XDG_DOCUMENTS_DIR
# Desktop programs the tests start keep their settings in memory.
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
if ! grep -q '^-- display$' "$script"; then
    unset DISPLAY WAYLAND_DISPLAY
fi

output="$work/output.txt"
run() {
    (cd "$work/game" && timeout "$time_limit" "$quill") >>"$output" 2>&1
}

run
status=$?
failed=0
if [ "$status" -eq 124 ]; then
    echo "TIMEOUT after ${time_limit}s" >>"$output"
    failed=1
elif [ "$status" -ne "$expect_exit" ]; then
    echo "EXIT CODE $status, expected $expect_exit" >>"$output"
    failed=1
fi

if [ -n "$check" ] && [ "$failed" -eq 0 ]; then
    cp "$tests/$check" "$work/game/init.lua"
    run
    status=$?
    if [ "$status" -ne 0 ]; then
        echo "CHECK EXIT CODE $status" >>"$output"
        failed=1
    fi
fi

cat "$output"
if grep -q '^not ok' "$output"; then
    failed=1
fi
if ! grep -q '^# done:' "$output"; then
    echo "MISSING SUMMARY: the test did not finish"
    failed=1
fi
exit "$failed"
