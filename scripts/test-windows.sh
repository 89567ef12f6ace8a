#!/usr/bin/env bash
# Runs the Windows build's tests under wine64: test-windows.sh BUILD_DIR
#
# The unit tests and every script test run with a private Xvfb, a PulseAudio
# null sink and a fresh wine prefix. Wine's own exit codes cannot be trusted
# (a program that failed to start may return 0), so each test is judged by its
# own result lines; each runs under a timeout with its output in a file.
# Tests that cannot run on Windows are listed with the reason in
# tests/windows-skips.txt; they are counted as skipped. The last line is the
# summary: "N passed, N failed, N skipped".
#
# For a run of some tests: UNIT_FILTER is a GoogleTest filter for the unit
# tests ("none" runs none), SCRIPT_FILTER a regular expression for the names
# of the script tests to run.
set -u
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$(cd "$1" && pwd)
bin=$build/bin
results=$build/test-windows
skips=$repo/tests/windows-skips.txt
tests=$repo/tests/scripts
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
rm -rf "$results"
mkdir -p "$results"
work=$(mktemp -d /tmp/quill-windows-tests.XXXXXX)
started=$(date +%s)

xvfb_pid=
cleanup() {
    WINEPREFIX=$work/wine "$WINESERVER" -k 2>/dev/null
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null
    [ -d "$work/runtime" ] && XDG_RUNTIME_DIR=$work/runtime HOME=$work/home pulseaudio --kill 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# --- the machine the tests run on --------------------------------------------
mkdir -p "$work/home" "$work/runtime" "$work/tmp" "$work/wine"
chmod 700 "$work/runtime"
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEARCH=win64
# No .NET or browser engine: the prefix would ask to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine 8's HLSL compiler cannot compile the Direct3D 9 renderer's shaders; the
# build puts a newer one beside the programs (tools/wine-d3dcompiler).
if [ -f "$bin/d3dcompiler_47.dll" ]; then
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;d3dcompiler_47=n"
fi

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$results/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start (see $results/xvfb.log)"; exit 1; }
export DISPLAY=:$(cat "$work/display")

# Sound goes to a sink that plays nowhere.
if pulseaudio -D -n --exit-idle-time=-1 --load=module-native-protocol-unix \
       --load="module-null-sink sink_name=nullsink" >"$results/pulseaudio.log" 2>&1; then
    pactl set-default-sink nullsink >>"$results/pulseaudio.log" 2>&1
fi

# A persistent wineserver: each program then starts in a fraction of a second.
# Wine's helper processes outlive the programs and hold their output open, so
# every program writes to a file, never to a pipe.
"$WINESERVER" -p
"$WINE" wineboot -i </dev/null >"$results/wineboot.log" 2>&1
# A crashing program ends instead of waiting in Wine's crash dialog.
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
# Without a window manager nobody sends WM_TAKE_FOCUS: Wine then follows the X
# focus itself, so a window xdotool focuses becomes the active one.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
# Temporary files stay on drive Z:, beside the build's files the tests read.
for name in TEMP TMP; do
    "$WINE" reg add 'HKCU\Environment' /v $name /t REG_SZ /d "Z:$work/tmp" /f </dev/null >/dev/null 2>&1
done
echo "wine prefix ready in $(($(date +%s) - started)) s"

passed=0
failed=0
skipped=0

# skip_reason KIND NAME: the reason a test is not run here, or nothing.
skip_reason() {
    awk -v kind="$1" -v name="$2" '$1 == kind && $2 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print; exit }' "$skips"
}

# --- unit tests: one program, judged by GoogleTest's lines -------------------
unit_skips=$(awk '$1 == "unit" { printf "%s%s", sep, $2; sep = ":" }' "$skips")
unit_output=$results/unit-tests.txt
unit_filter=${UNIT_FILTER:-*}
if [ "$unit_filter" = none ]; then
    unit_filter=None.None
fi
# Each renderer test compiles the built-in Direct3D 9 programs, and a fresh
# checkout has no compiled programs cached: on a loaded 2-core machine the
# unit tests took over 15 minutes.
timeout 1800 "$WINE" "$bin/quill_unit_tests.exe" --gtest_filter="$unit_filter-$unit_skips" </dev/null >"$unit_output" 2>&1
tr -d '\r' <"$unit_output" >"$unit_output.tmp" && mv "$unit_output.tmp" "$unit_output"
unit_passed=$(grep -cE '^\[       OK \] [^ ]+ \([0-9]+ ms\)$' "$unit_output")
unit_failed=$(grep -cE '^\[  FAILED  \] [^ ]+ \([0-9]+ ms\)$' "$unit_output")
unit_skipped=$(grep -cE '^\[  SKIPPED \] [^ ]+ \([0-9]+ ms\)$' "$unit_output")
grep -E '^\[  SKIPPED \] [^ ]+ \([0-9]+ ms\)$' "$unit_output" | sed 's/^/unit: /'
passed=$((passed + unit_passed))
failed=$((failed + unit_failed))
skipped=$((skipped + unit_skipped))
grep -E '^\[  FAILED  \] [^ ]+ \([0-9]+ ms\)$' "$unit_output" | while read -r _ _ _ name _; do
    echo "FAILED unit test $name"
done
if ! grep -q '^\[  PASSED  \] [0-9]* test' "$unit_output"; then
    echo "FAILED: the unit tests did not finish (see $unit_output)"
    failed=$((failed + 1))
fi
# The listed ones, counted with their reason.
if [ -n "$unit_skips" ]; then
    "$WINE" "$bin/quill_unit_tests.exe" --gtest_list_tests --gtest_filter="$unit_skips" </dev/null \
        >"$results/unit-skipped.txt" 2>&1
    listed=$(tr -d '\r' <"$results/unit-skipped.txt" | grep -c '^  ')
    skipped=$((skipped + listed))
    awk '$1 == "unit" { $1 = ""; print "unit: skipped" $0 }' "$skips"
fi
echo "unit tests: $unit_passed passed, $unit_failed failed, $((unit_skipped + ${listed:-0})) skipped"

# --- script tests: the host runs each as its init.lua -------------------------
header() {
    sed -n "s/^-- $1: *//p" "$2" | tr -d '\r' | head -n 1
}

# run_script_test PROGRAM SCRIPT NAME: 0 passed, 1 failed
run_script_test() {
    local program=$1 script=$2 name=$3
    local game=$work/tests/$name/game output=$results/$name.txt
    local expect_exit check fixture archive limit status
    expect_exit=$(header expect-exit "$script")
    expect_exit=${expect_exit:-0}
    check=$(header check "$script")
    fixture=$(header fixture "$script")
    archive=$(header archive "$script")
    limit=$(header timeout "$script")
    limit=${limit:-60}
    mkdir -p "$game/lib" "$work/tests/$name/empty"
    cp "$tests/lib/"*.lua "$game/lib/"
    [ -z "$fixture" ] || cp -R "$tests/fixtures/$fixture/." "$game/"
    cp "$script" "$game/init.lua"
    : >"$output"
    (
        cd "$work/tests/$name" || exit 1
        if [ -n "$archive" ]; then
            set -- $archive
            local from=$tests/fixtures/$1
            shift
            timeout 60 "$WINE" "$bin/quill-pack.exe" create game/tallowen.dat "Z:$from" "$@"
        else
            timeout 60 "$WINE" "$bin/quill-pack.exe" create game/tallowen.dat empty
        fi
    ) </dev/null >>"$output" 2>&1
    if [ ! -s "$game/tallowen.dat" ]; then
        echo "COULD NOT PACK THE TEST'S ARCHIVE" >>"$output"
        return 1
    fi
    # Exit codes count from 0 to 255 here: the crash report's -1 is 255.
    expect_exit=$(( (expect_exit + 256) % 256 ))
    # Windowed tests find their helper programs there; a test of the host
    # without a sound device runs with no sound server to reach.
    local environment=(QUILL_BIN_DIR="Z:$bin" QUILL_API_REFERENCE="Z:$repo/docs/api")
    if grep -q '^-- no-sound-device' "$script"; then
        environment+=(PULSE_SERVER=unix:/nonexistent)
    fi
    (cd "$game" && env "${environment[@]}" timeout "$limit" "$WINE" "$program") </dev/null >>"$output" 2>&1
    status=$?
    local result=0
    if [ "$status" -eq 124 ]; then
        echo "TIMEOUT after ${limit}s" >>"$output"
        result=1
    elif [ "$status" -ne "$expect_exit" ]; then
        echo "EXIT CODE $status, expected $expect_exit" >>"$output"
        result=1
    fi
    if [ -n "$check" ] && [ "$result" -eq 0 ]; then
        cp "$tests/$check" "$game/init.lua"
        (cd "$game" && timeout "$limit" "$WINE" "$program") </dev/null >>"$output" 2>&1
        status=$?
        [ "$status" -eq 0 ] || { echo "CHECK EXIT CODE $status" >>"$output"; result=1; }
    fi
    tr -d '\r' <"$output" >"$output.tmp" && mv "$output.tmp" "$output"
    grep -q '^not ok' "$output" && result=1
    if ! grep -q '^# done:' "$output"; then
        echo "MISSING SUMMARY: the test did not finish" >>"$output"
        result=1
    fi
    return "$result"
}

# The Direct3D 9 renderer compiles its built-in shaders on its first start
# and keeps the code in the temporary folder: compiled here once, outside any
# test's time limit (a skinned program takes Wine's compiler seconds).
mkdir -p "$work/warmup/game" "$work/warmup/empty"
printf 'Frame.create{title = "warmup", width = 64, height = 48}\nassert(EngineSystems.create{width = 64, height = 48})\nsys.exit()\n' \
    >"$work/warmup/game/init.lua"
warmup_started=$(date +%s)
(
    cd "$work/warmup" && timeout 60 "$WINE" "$bin/quill-pack.exe" create game/tallowen.dat empty &&
        cd game && timeout 300 "$WINE" "$bin/quill.exe"
) </dev/null >"$results/shader-warmup.txt" 2>&1
echo "shaders compiled in $(($(date +%s) - warmup_started)) s"

script_passed=0
script_failed=0
script_skipped=0
for script in "$tests"/*_test.lua "$tests"/hooked/*_test.lua; do
    name=$(basename "$script" .lua)
    program=$bin/quill.exe
    case "$script" in */hooked/*) name=hooked.$name; program=$bin/quill_test_host.exe ;; esac
    [[ $name =~ ${SCRIPT_FILTER:-.} ]] || continue
    reason=$(skip_reason script "$name")
    if [ -n "$reason" ]; then
        echo "script.$name: skipped: $reason"
        script_skipped=$((script_skipped + 1))
        continue
    fi
    if run_script_test "$program" "$script" "$name"; then
        script_passed=$((script_passed + 1))
    else
        echo "FAILED script.$name:"
        sed 's/^/    /' "$results/$name.txt" | tail -n 30
        script_failed=$((script_failed + 1))
    fi
done
echo "script tests: $script_passed passed, $script_failed failed, $script_skipped skipped"

# --- the demo as `make run` packs it, run unattended -------------------------
if [[ demo.run =~ ${SCRIPT_FILTER:-.} ]]; then
    demo=$work/demo
    mkdir -p "$demo/pack" "$demo/game"
    cp -R "$repo/data/." "$repo/examples/demo/." "$demo/pack/"
    rm -f "$demo/pack/tallowen.dat"
    output=$results/demo.txt
    (
        cd "$demo" || exit 1
        timeout 120 "$WINE" "$bin/quill-demo-assets.exe" pack &&
            timeout 120 "$WINE" "$bin/quill-pack.exe" create game/tallowen.dat pack --compress --encrypt &&
            cd game && QUILL_DEMO_SECONDS=3 timeout 90 "$WINE" "$bin/quill.exe"
    ) </dev/null >"$output" 2>&1
    status=$?
    tr -d '\r' <"$output" >"$output.tmp" && mv "$output.tmp" "$output"
    if [ "$status" -eq 0 ] && grep -q "^3 s are up: closing$" "$output" && grep -q "frames, " "$output" &&
        ! grep -q "^no \(materials\|sparks\|smoke\)" "$output"; then
        passed=$((passed + 1))
    else
        echo "FAILED demo.run (exit $status):"
        sed 's/^/    /' "$output" | tail -n 30
        failed=$((failed + 1))
    fi
fi

passed=$((passed + script_passed))
failed=$((failed + script_failed))
skipped=$((skipped + script_skipped))
echo "windows tests took $(($(date +%s) - started)) s; outputs in $results"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
