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

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_host_case "$exe" host-answers "$sim" || exit $?

failed=0
DEVVORIN_KEYS=ctrl,alt dv_run_host 1 run "Wipe Radio Configuration Blocks" --port 5
dv_expect 'answered: no (nobody to ask; the default yes is left to a user)'
dv_expect 'pressing 7'
dv_expect 'status: The operation was canceled.'
grep -q 'Establishing' "$DV_REPORT" && { echo "the wipe opened the port"; failed=1; }

dv_run_host 0 run "View error log" --port 5 --answer press:1040
dv_expect 'answered: no (default)'
dv_expect 'pressing 7'
dv_expect 'status: The error log was retrieved successfully.'
# The viewer read before the question and again after it: the entries are still listed.
shown=$(grep -c '^    line 2: Startup Error:' "$DV_REPORT")
[[ $shown -eq 2 ]] || { echo "the viewer listed the oldest entry $shown times, expected 2"; failed=1; }
exit $failed
