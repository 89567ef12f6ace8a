#!/bin/sh
# The demo as `make run` packs it, run unattended: QUILL_DEMO_SECONDS ends it
# after that many seconds with exit code 0 and its closing line, having drawn
# frames and reported on them, its particles converted from the archive's
# pictures and its waver from the archive's glTF file; without the variable
# it stays open.
set -u
bin=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/pack" "$work/game" "$work/home"
cp -R "$source/data/." "$source/examples/demo/." "$work/pack/"
rm -f "$work/pack/tallowen.dat"
"$bin/quill-demo-assets" "$work/pack" >/dev/null || exit 1
"$bin/quill-pack" create "$work/game/tallowen.dat" "$work/pack" --compress --encrypt >/dev/null || exit 1
export HOME="$work/home" SDL_AUDIODRIVER=dummy
failed=0

(cd "$work/game" && QUILL_DEMO_SECONDS=3 timeout 90 "$bin/quill") >"$work/out.txt" 2>&1
status=$?
if [ "$status" -ne 0 ] || ! grep -q "^3 s are up: closing$" "$work/out.txt" ||
    ! grep -q "frames, " "$work/out.txt" || grep -q "^no \(materials\|sparks\|smoke\|waver\)" "$work/out.txt" ||
    grep -q "loading the baked files" "$work/out.txt"; then
    echo "not ok - QUILL_DEMO_SECONDS=3 ends the demo (exit $status)"
    tail -n 30 "$work/out.txt"
    failed=1
else
    echo "ok - QUILL_DEMO_SECONDS=3 ends the demo"
fi

# Left alone without the variable, the demo is still running well after the
# old five idle seconds.
(cd "$work/game" && exec timeout 12 "$bin/quill") >"$work/open.txt" 2>&1
status=$?
if [ "$status" -ne 124 ] || grep -q "closing" "$work/open.txt"; then
    echo "not ok - the demo stays open without QUILL_DEMO_SECONDS (exit $status)"
    tail -n 30 "$work/open.txt"
    failed=1
else
    echo "ok - the demo stays open without QUILL_DEMO_SECONDS"
fi
exit $failed
