#!/usr/bin/env bash
# The Windows host answers as the Linux one does without a terminal, under Wine and Xvfb: its
# test mode gives a box without an answer its default button (read back from the box's window),
# never an agreement on nobody's behalf. The wipe's question (Yes is its default) is answered
# No and the port is never opened; the error log's Clear question (No is its default) is
# answered No and the viewer still lists every entry afterwards.
#
# Usage: host_answers_wine.sh <vantor-host.exe> <vorin-sim>
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: host_answers_wine.sh <vantor-host.exe> <vorin-sim>}
sim=${2:?the vorin-sim program}
[[ $exe == /* ]] || exe=$PWD/$exe

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_case "$exe" || exit $?
exe=$DV_WINE_PROGRAM

trap dv_wine_stop EXIT

dv_wine_start || exit 1
dv_wine_sim_on_com5 "$sim" || exit 1
shots=$DV_WINE_ROOT/shots
mkdir -p "$shots"

cd "$(dirname "$exe")" || exit 1
host=./$(basename "$exe")
failed=0
# run_host <log> <expected status> [arguments...]: one run in test mode, its lines in <log>.txt.
run_host() {
    local log=$DV_WINE_ROOT/$1 expected=$2 status
    shift 2
    DEVVORIN_TIME_SCALE=0.1 dv_wine_run "$host" "$@" >"$log" 2>&1
    status=$?
    tr -d '\r' <"$log" >"$log.txt"
    cat "$log.txt"
    [[ $status -eq $expected ]] || { echo "exited with $status, expected $expected"; failed=1; }
}
# expect <log> <line>: the line, exactly.
expect() {
    grep -qxF -- "$2" "$DV_WINE_ROOT/$1.txt" || { echo "MISSING in $1: $2"; failed=1; }
}

DEVVORIN_KEYS=ctrl,alt run_host wipe.log 1 run "Wipe Radio Configuration Blocks" --port 5 \
    --test-mode "Z:${shots//\//\\}"
expect wipe.log 'answered: no (nobody to ask; the default yes is left to a user)'
expect wipe.log 'pressing 7'
expect wipe.log 'status: The operation was canceled.'
grep -q 'Establishing' "$DV_WINE_ROOT/wipe.log.txt" && { echo "the wipe opened the port"; failed=1; }

run_host clear.log 0 run "View error log" --port 5 --answer press:1040 \
    --test-mode "Z:${shots//\//\\}"
expect clear.log 'answered: no (default)'
expect clear.log 'pressing 7'
expect clear.log 'status: The error log was retrieved successfully.'
# The viewer read before the question and again after it: the entries are still listed.
shown=$(grep -c '^    line 2: Startup Error:' "$DV_WINE_ROOT/clear.log.txt")
[[ $shown -eq 2 ]] || { echo "the viewer listed the oldest entry $shown times, expected 2"; failed=1; }
exit $failed
