#!/bin/sh
# quill-pack end to end: packs a folder in each storage kind, checks list,
# verify, extract and that the same folder gives the same bytes, runs the host
# on each archive with its init.lua inside the archive only, and checks that
# verify names a damaged entry.
set -eu
bin=$1
fixture=$2
pack="$bin/quill-pack"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

mkdir -p "$work/src"
cp -R "$fixture/." "$work/src/"
head -c 300000 /dev/urandom >"$work/src/data/random.bin"
cat >"$work/src/init.lua" <<'LUA'
for _, path in ipairs({ "data/hello.txt", "data/random.bin", "mods/deep/thing.lua" }) do
    local out = FileOutputStream.create("out/" .. path:gsub("/", "_"))
    out:writeBytes(FileSystem.readFile(path))
    out:dispose()
end
print("read " .. require("mods.deep.thing").where)
sys.exit()
LUA

for kind in "" "--compress" "--encrypt" "--compress --encrypt"; do
    name=$(echo "plain$kind" | tr -d ' -')
    echo "# $name"
    archive="$work/$name.dat"
    # shellcheck disable=SC2086
    "$pack" create "$archive" "$work/src" $kind >/dev/null || fail "$name: create"
    # shellcheck disable=SC2086
    "$pack" create "$work/again.dat" "$work/src" $kind >/dev/null
    cmp -s "$archive" "$work/again.dat" || fail "$name: the same folder packed to different bytes"
    "$pack" verify "$archive" >/dev/null || fail "$name: verify"
    [ "$("$pack" list "$archive" | tail -n 1)" = "5 entries" ] || fail "$name: list"
    rm -rf "$work/x"
    "$pack" extract "$archive" "$work/x" data/hello.txt data/random.bin >/dev/null || fail "$name: extract"
    cmp -s "$work/x/data/random.bin" "$work/src/data/random.bin" || fail "$name: extracted bytes differ"

    # The host runs init.lua from the archive alone.
    game="$work/game-$name"
    mkdir -p "$game/out"
    cp "$archive" "$game/tallowen.dat"
    (cd "$game" && env -u DISPLAY -u WAYLAND_DISPLAY "$bin/quill") >"$work/host.txt" 2>&1 || fail "$name: host: $(cat "$work/host.txt")"
    grep -q "^read archive$" "$work/host.txt" || fail "$name: host output: $(cat "$work/host.txt")"
    cmp -s "$game/out/data_random.bin" "$work/src/data/random.bin" || fail "$name: host read different bytes"
    cmp -s "$game/out/data_hello.txt" "$work/src/data/hello.txt" || fail "$name: host read different text"
    echo "ok $name"
done

# Damage the zlib stream of the biggest compressed entry: verify names it.
archive="$work/plaincompress.dat"
offset=$("$pack" list "$archive" | awk '$5 == "compressed" { print $2; exit }')
[ -n "$offset" ] || fail "no compressed entry"
printf '\377\377\377\377\377\377\377\377' | dd of="$archive" bs=1 seek=$((offset + 6)) conv=notrunc 2>/dev/null
if "$pack" verify "$archive" >"$work/verify.txt" 2>&1; then
    fail "verify passed a damaged archive"
fi
grep -q "^entry [0-9]* (hash [0-9a-f]*, compressed): " "$work/verify.txt" || fail "verify output: $(cat "$work/verify.txt")"
echo "ok verify names the damaged entry"
echo "# done"
