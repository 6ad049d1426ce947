#!/usr/bin/env bash
# The short form of the release check, cheap enough for every test run: the builds at hand are
# packed twice, in two folders, and the zips and the packages must be the same bytes (member
# order, times, owners, compressed pages and changelog); the DLL must carry no link time stamp
# and no debug directory; the package must install and run (install_test.sh). The full check,
# two release builds of a commit from scratch in two folders, is scripts/release_check.sh.
#
# Usage: package_test.sh <native build dir> [<win32 build dir>]
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
native=${1:?usage: package_test.sh <native build dir> [<win32 build dir>]}
win32=${2:-}

. "$here/checks.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A checkout without git history (an exported tree) still packs: any fixed time will do here.
[[ -n ${SOURCE_DATE_EPOCH:-} ]] ||
    SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || echo 1700000000)
export SOURCE_DATE_EPOCH

sides=(--native "$native")
if [[ -n $win32 && -f $win32/DevVorin.dll && -f $win32/vantor-host.exe ]]; then
    sides+=(--win32 "$win32")
else
    echo "note   no Windows build in '${win32:-(none given)}': the zip is not checked"
fi

first=$work/first
second=$work/second-packing-in-a-longer-folder
for dir in "$first" "$second"; do
    # The second packing runs in a folder of another name and length, a second later.
    [[ $dir == "$first" ]] || sleep 1
    if ! bash "$source_dir/scripts/package.sh" --source "$source_dir" --out "$dir" \
        "${sides[@]}" >"$work/package.log" 2>&1; then
        cat "$work/package.log"
        echo "FAILED scripts/package.sh"
        exit 1
    fi
done
for artifact in "$first"/*; do
    name=$(basename "$artifact")
    check "$name is the same bytes when packed again elsewhere" cmp -s "$artifact" "$second/$name"
done

zip=$(ls "$first"/*.zip 2>/dev/null)
if [[ -n $zip ]]; then
    mkdir -p "$work/zip"
    unzip -q "$zip" -d "$work/zip"
    dll=$(ls "$work"/zip/*/DevVorin.dll)
    check "the zip's SHA256SUMS match its files" \
        bash -c "cd '$(dirname "$dll")' && sha256sum --quiet -c SHA256SUMS"
    headers=$(i686-w64-mingw32-objdump -p "$dll" 2>/dev/null)
    check "the DLL's PE header carries no link time (TimeDateStamp 0)" \
        grep -qE $'^Time/Date\t+Thu Jan  1 00:00:00 1970$' <<<"$headers"
    check "the DLL's export directory carries no time (stamp 0)" \
        grep -qE $'^Time/Date stamp[ \t]+0$' <<<"$headers"
    check "the DLL has no debug directory" \
        grep -qE '^Entry 6 00000000 00000000 Debug Directory' <<<"$headers"
fi

bash "$here/install_test.sh" "$(ls "$first"/*.deb)" || failures=$((failures + 1))

if [[ $failures -gt 0 ]]; then
    echo "package test: $failures failures"
    exit 1
fi
echo "package test: the artifacts pack the same twice and install"
