#!/bin/sh
# The host refuses to start without a sound data archive: exit code 1, a
# message naming the file and the reason, and no script run.
set -u
quill=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

check() {
    name=$1
    expected=$2
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY "$quill") >"$work/out.txt" 2>&1
    status=$?
    if [ "$status" -ne 1 ] || ! grep -q "tallowen.dat could not be mounted" "$work/out.txt" ||
        ! grep -qF "$expected" "$work/out.txt" || grep -q "script ran" "$work/out.txt"; then
        echo "not ok - $name (exit $status)"
        cat "$work/out.txt"
        failed=1
    else
        echo "ok - $name"
    fi
}

echo 'print("script ran") sys.exit()' >"$work/init.lua"
check "missing archive" "Failed to open file tallowen.dat"
printf 'ZIP!\0\0\0\0' >"$work/tallowen.dat"
check "wrong magic" "Archive file tallowen.dat is corrupted"
printf 'GRA2\2\0\0\0' >"$work/tallowen.dat"
check "truncated directory" "Read failed on file tallowen.dat"
mkdir -p "$work/dir.dat" && rm "$work/tallowen.dat" && mv "$work/dir.dat" "$work/tallowen.dat"
check "a folder in its place" "Failed to open file tallowen.dat"
exit "$failed"
