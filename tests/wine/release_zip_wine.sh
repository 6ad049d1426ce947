#!/usr/bin/env bash
# The Windows zip as a technician meets it: packed from the Windows build, unpacked into a folder
# of its own, its sums checked, and the vantor-host.exe there loads the DevVorin.dll beside it
# under Wine: --version and the plug-in's GetVersionInfo tell the release's version, and the
# smoke check passes (every export, bitmap 129, the whole string table). The win64 way has no zip
# (the release is i686): there the win64 build's own host runs the smoke check.
#
# Usage: release_zip_wine.sh <win32 build dir>
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:?usage: release_zip_wine.sh <win32 build dir>}
[[ $build == /* ]] || build=$PWD/$build

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_case "$build/vantor-host.exe" || exit $?
version=$(head -n 1 "$here/../../VERSION")

work=$(mktemp -d)
trap 'dv_wine_stop; rm -rf "$work"' EXIT

if [[ $DV_WINE_ARCH == win64 ]]; then
    dir=$(dirname "$DV_WINE_PROGRAM")
else
    bash "$here/../../scripts/package.sh" --out "$work/release" --win32 "$build" \
        >"$work/package.log" 2>&1 || { cat "$work/package.log"; exit 1; }
    unzip -q "$work"/release/*.zip -d "$work/unpacked" || exit 1
    dir=$(echo "$work"/unpacked/*)
    (cd "$dir" && sha256sum --quiet -c SHA256SUMS) || { echo "FAILED the zip's SHA256SUMS"; exit 1; }
    echo "unpacked $(basename "$work"/release/*.zip): $(cd "$dir" && echo *)"
fi

dv_wine_start || exit 1
cd "$dir" || exit 1
failed=0
said=$(dv_wine_run ./vantor-host.exe --version | tr -d '\r')
if [[ $said != "vantor-host (DevVorin) $version" ]]; then
    echo "FAILED vantor-host.exe --version says '$said', expected 'vantor-host (DevVorin) $version'"
    failed=1
fi
dv_wine_run ./vantor-host.exe smoke >"$work/smoke.log" 2>&1
status=$?
tr -d '\r' <"$work/smoke.log"
[[ $status -eq 0 ]] || { echo "FAILED smoke exited with $status"; failed=1; }
grep -qF "GetVersionInfo gives \"$version\"" "$work/smoke.log" ||
    { echo "FAILED the DLL's GetVersionInfo does not give \"$version\""; failed=1; }
exit $failed
