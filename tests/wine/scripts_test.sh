#!/usr/bin/env bash
# The test scripts' own logic that a wrong Wine run or a fresh machine depends on: the check that
# the program which ran is the build the chosen way stands for, and the mirror that setup takes
# from apt's sources for the emulator.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Forcing win64 keeps the sourcing script out of the emulator's namespace.
DEVVORIN_WINE_ARCH=win64 . "$here/wine_env.sh"
. "$here/../../scripts/setup.sh"
set +e

failures=0
expect() {
    if [[ $2 == "$3" ]]; then
        echo "ok     $1"
    else
        echo "FAILED $1: got '$2', expected '$3'"
        failures=$((failures + 1))
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A stand-in loader: prints what it is told (on standard error; lines that start "out: " on
# standard output, without that), exits with the status it is told.
loader=$work/loader
cat >"$loader" <<'LOADER'
#!/bin/sh
printf '%b' "$FAKE_OUTPUT" | grep -v '^out:' >&2
printf '%b' "$FAKE_OUTPUT" | sed -n 's/^out: //p'
exit "$FAKE_STATUS"
LOADER
chmod +x "$loader"
DV_WINE=$loader
DV_WINE_ROOT=$work

# way, build, program output, program status -> status of dv_wine_run
while IFS='|' read -r way arch output status want; do
    DV_WINE_WAY=$way DV_WINE_ARCH=$arch FAKE_OUTPUT=$output FAKE_STATUS=$status
    export FAKE_OUTPUT FAKE_STATUS
    dv_wine_run prog.exe >"$work/out" 2>&1 </dev/null
    expect "$way, '$output' exiting $status" "$?" "$want"
done <<'CASES'
i686-qemu|win32|wine program: pointer size 4, PE machine 0x14c\r\nsmoke: passed\r\n|0|0
i686-qemu|win32|wine program: pointer size 8, PE machine 0x8664\nsmoke: passed\n|0|1
i686-qemu|win32|smoke: passed\n|0|1
i686-qemu|win32|wine program: pointer size 4, PE machine 0x14c\n|3|3
i686-qemu|win32|wine program: pointer size 8, PE machine 0x8664\n|77|1
win32|win32|wine program: pointer size 4, PE machine 0x14c\n|0|0
win64|win64|wine program: pointer size 8, PE machine 0x8664\n|0|0
win64|win64|wine program: pointer size 4, PE machine 0x14c\n|0|1
CASES
FAKE_OUTPUT='wine program: pointer size 4, PE machine 0x14c\nout: {}\nline two\n' FAKE_STATUS=0 \
    DV_WINE_WAY=i686-qemu DV_WINE_ARCH=win32 dv_wine_run prog.exe >"$work/out" 2>"$work/err"
expect "standard output is passed on alone" "$(cat "$work/out")" "{}"
expect "standard error is passed on" "$(tail -n 1 "$work/err")" "line two"
FAKE_OUTPUT='out: wine program: pointer size 4, PE machine 0x14c\n' FAKE_STATUS=0 \
    DV_WINE_WAY=i686-qemu DV_WINE_ARCH=win32 dv_wine_run prog.exe >"$work/out" 2>&1
expect "an identity on standard output does not count" "$?" 1

# apt's sources -> the mirror for bookworm
cat >"$work/a.sources" <<'SOURCES'
Types: deb
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main

# switched off
Enabled: no
Types: deb
URIs: http://off.example/debian
Suites: bookworm

Types: deb-src
URIs: http://src.example/debian
Suites: bookworm

Types: deb deb-src
URIs: http://first.example/debian http://second.example/debian
Suites: bookworm  bookworm-updates
Components: main
SOURCES
cat >"$work/b.list" <<'LIST'
# deb http://comment.example/debian bookworm main
deb [arch=amd64 signed-by=/k.gpg] http://list.example/debian bookworm main
deb http://other.example/debian bookworm-updates main
LIST
cat >"$work/c.list" <<'LIST'
deb http://updates.example/debian bookworm-updates main
LIST
expect "deb822: the first enabled binary entry of the suite" \
    "$(debian_mirror bookworm "$work/a.sources")" "http://first.example/debian"
expect "one-line list with options and a commented entry" \
    "$(debian_mirror bookworm "$work/b.list" "$work/a.sources")" "http://list.example/debian"
expect "no entry for the suite" "$(debian_mirror bookworm "$work/c.list")" ""
expect "missing files are passed over" \
    "$(debian_mirror bookworm "$work/none.list" "$work/a.sources")" "http://first.example/debian"

echo "scripts_test: $failures failed"
[[ $failures -eq 0 ]]
