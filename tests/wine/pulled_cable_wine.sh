#!/usr/bin/env bash
# A cable pulled in the middle of "Verify GPS software version" in the Windows build under Wine:
# vorin-sim closes its pseudo-terminal after it has identified the receiver, while the host waits
# for the line to settle. vantor-host.exe must end the run in time with the port's or the
# receiver's failure in the error box, result 0 and exit status 1, without a crash or a hang.
#
# Usage: pulled_cable_wine.sh <vantor-host.exe> <vorin-sim>
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: pulled_cable_wine.sh <vantor-host.exe> <vorin-sim>}
sim=${2:?the vorin-sim program}

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
# The host's test mode answers the error box from a second thread and reports it; without it the
# box waits for a click that never comes.
dv_wine_host_case "$exe" pulled-cable "$sim" --hang-up identification+300 || exit $?

failed=0
started=$(date +%s)
# The wineserver reports the vanished terminal on its own stream, outside the report.
dv_run_host 1 run 0 --port 5 --json
echo "run took $(($(date +%s) - started)) s"
grep -q 'hung up' "$DV_WINE_ROOT/sim.log" || { echo "vorin-sim never hung up:"; cat "$DV_WINE_ROOT/sim.log"; }
dv_check_json "$DV_JSON" <<'PY'
if doc["result"] != {"code": 0, "meaning": "failed"}:
    problems.append(f"result {doc['result']!r}, expected failed")
statuses = [s["text"] for s in doc["statuses"]]
if not statuses or statuses[-1] != "There was a failure with the operation!":
    problems.append(f"last status of {statuses!r}")
boxes = [b["text"] for b in doc["messageBoxes"]]
last = boxes[-1] if boxes else ""
head, _, message = last.partition("\n\n")
if not head.startswith("DevVorin Version: ") or not message.startswith(
        ("COM Failure! [30", "Failure! [70", "Device failure! [8")):
    problems.append(f"last message box {last!r}")
# Scaled waits: the identification, then at most the three attempts of each request.
if doc["durationMs"] > 60000:
    problems.append(f"the run took {doc['durationMs']} ms")
PY
exit $failed
