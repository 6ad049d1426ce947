#!/usr/bin/env bash
# Runs serial_wine.exe under Wine with COM5 mapped to a pseudo-terminal whose far end is
# serial_wine.py. Builds nothing: the exe comes from the win32 build.
#
# Usage: serial_wine.sh <path to serial_wine.exe>
# Exit: the program's status; 77 (skipped) when Wine or the exe is missing.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: serial_wine.sh <serial_wine.exe>}
[[ $exe == /* ]] || exe=$PWD/$exe

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_case "$exe" || exit $?
exe=$DV_WINE_PROGRAM
if ! command -v python3 >/dev/null 2>&1; then
    echo "Wine test skipped: python3 is needed for the far end of the line"
    exit 77
fi

peer_pid=
cleanup() {
    if [[ -n $peer_pid ]]; then
        kill "$peer_pid" 2>/dev/null || true
        wait "$peer_pid" 2>/dev/null || true
    fi
    dv_wine_stop
}
trap cleanup EXIT

dv_wine_start || exit 1

ready=$DV_WINE_ROOT/peer-ready
python3 "$here/serial_wine.py" "$ready" &
peer_pid=$!
for _ in $(seq 1 100); do
    [[ -s $ready ]] && break
    if ! kill -0 "$peer_pid" 2>/dev/null; then
        echo "the far end of the line did not start"
        exit 1
    fi
    sleep 0.05
done
if [[ ! -s $ready ]]; then
    echo "the far end of the line did not report its pseudo-terminal"
    exit 1
fi
pty=$(<"$ready")
echo "COM5 -> $pty"
dv_wine_map_com 5 "$pty" || { echo "mapping COM5 failed"; exit 1; }
# The mapping restarted the wineserver; a server that the program starts would print its whole
# object table into this log when it is stopped. Start it here, quietly, until dv_wine_stop.
wineserver -p >/dev/null 2>&1

# The program finds DevVorin.dll (its message texts) beside it.
cd "$(dirname "$exe")" || exit 1
DEVVORIN_SERIAL_PEER=$pty dv_wine_run "./$(basename "$exe")"
exit $?
