#!/usr/bin/env bash
# The full release check (long: two release builds from scratch, about 5 to 10 minutes on two
# cores). The checked-out commit is released twice with scripts/release.sh, in two folders of
# different names and lengths, without a compiler cache, and the DLL, the zip and the Debian
# package of the two must be the same bytes. Then the package passes the install test, lintian
# reports no error or warning, and the zip's DLL, unpacked, is loaded under Wine and passes the
# smoke check. scripts/test.sh runs a short form (tests/release/package_test.sh).
#
#   scripts/release_check.sh [--dpkg] [--keep]
#
# --dpkg  also installs the package on this machine with dpkg (as root, when devvorin is not
#         installed yet), runs the installed tools and man from PATH, and removes it again
# --keep  keeps the scratch folder with both releases
set -uo pipefail

cd "$(dirname "$0")/.."
root=$PWD
use_dpkg=0 keep=0
for arg in "$@"; do
    case $arg in
        --dpkg) use_dpkg=1 ;;
        --keep) keep=1 ;;
        *) echo "usage: release_check.sh [--dpkg] [--keep]" >&2; exit 2 ;;
    esac
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/devvorin-release-check.XXXXXX")
[[ $keep == 1 ]] || trap 'rm -rf "$scratch"' EXIT
first=$scratch/a
second=$scratch/second-release-in-a-folder-with-a-longer-name
export CCACHE_DISABLE=1

started=$SECONDS
step() { printf '\n=== [%d s] release check: %s\n' "$((SECONDS - started))" "$*"; }
. tests/release/checks.sh

for dir in "$first" "$second"; do
    step "release build in $dir"
    bash scripts/release.sh --work "$dir/work" --out "$dir/out" >"$dir.log" 2>&1 ||
        { tail -n 30 "$dir.log"; echo "FAILED scripts/release.sh in $dir"; exit 1; }
    grep '^=== ' "$dir.log"
done

step "comparing the two releases"
check "DevVorin.dll is the same bytes from both builds" \
    cmp "$first/work/win32/DevVorin.dll" "$second/work/win32/DevVorin.dll"
for artifact in "$first"/out/*; do
    name=$(basename "$artifact")
    check "$name is the same bytes from both builds" cmp "$artifact" "$second/out/$name"
done
if [[ $failures -gt 0 ]] && command -v diffoscope >/dev/null; then
    diffoscope "$first/out" "$second/out" | head -n 100
fi
cat "$first/out/SHA256SUMS"
sha256sum "$first/work/win32/DevVorin.dll" | sed "s|$first/work/win32/||"

deb=$(echo "$first"/out/*.deb)
step "install test"
bash tests/release/install_test.sh "$deb" || failures=$((failures + 1))

step "lintian"
if command -v lintian >/dev/null; then
    lintian -EvIL +pedantic --show-overrides --no-tag-display-limit "$deb" >"$scratch/lintian.log" 2>&1
    grep -E '^[EWIPXO]: ' "$scratch/lintian.log" | sort | uniq -c
    check "lintian reports no error and no warning" \
        bash -c "! grep -qE '^[EW]: ' '$scratch/lintian.log'"
else
    echo "FAILED lintian is not installed (scripts/setup.sh installs it)"
    failures=$((failures + 1))
fi

step "the zip's DLL under Wine"
bash tests/wine/release_zip_wine.sh "$first/work/win32" >"$scratch/wine.log" 2>&1
status=$?
tail -n 3 "$scratch/wine.log"
if [[ $status -eq 77 ]]; then
    echo "skipped: $(head -n 1 "$scratch/wine.log")"
else
    check "the unpacked zip's vantor-host.exe loads its DLL under Wine and passes smoke" \
        test "$status" -eq 0
fi

if [[ $use_dpkg == 1 ]]; then
    step "dpkg -i on this machine"
    if [[ $(id -u) -ne 0 ]]; then
        echo "FAILED --dpkg needs root"
        failures=$((failures + 1))
    elif dpkg-query -W devvorin >/dev/null 2>&1; then
        echo "FAILED devvorin is installed already; remove it first (dpkg -r devvorin)"
        failures=$((failures + 1))
    else
        check "dpkg installs the package" dpkg -i "$deb"
        check "vantor-host from PATH passes its smoke check" \
            bash -c 'cd / && vantor-host smoke | tail -n 1 | grep -qx "smoke: all checks passed"'
        check "man finds vantor-host(1) and vorin-sim(1)" man -w vantor-host vorin-sim
        check "dpkg removes the package and leaves nothing of it" \
            bash -c 'dpkg -P devvorin && ! test -e /usr/lib/devvorin && ! test -e /usr/bin/vantor-host'
    fi
fi

step "done on $(date -u +%Y-%m-%d), $(nproc) cores, $(uname -sr)"
if [[ $failures -gt 0 ]]; then
    echo "release check: $failures failures"
    exit 1
fi
echo "release check: two builds of $(git rev-parse --short HEAD) give the same bytes; the package installs, runs and is lintian-clean"
