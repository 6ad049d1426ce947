#!/usr/bin/env bash
# A rack of two in the Windows build under Wine: vantor-host.exe starts one process of its own
# per port (CreateProcess), each loading DevVorin.dll and running "Verify GPS software version"
# on its port (COM5 and COM6, mapped to the two receivers of one vorin-sim), its dialogs read and
# answered in test mode. The rack gathers both runs' events and documents into its report.
#
# Usage: rack_host_wine.sh <vantor-host.exe> <vorin-sim>
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: rack_host_wine.sh <vantor-host.exe> <vorin-sim>}
sim=${2:?the vorin-sim program}

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_host_case "$exe" rack || exit $?
dv_wine_sim_start "$sim" --count 2 || exit 1
for port in 1 2; do
    pty=$(readlink -f "$DV_WINE_ROOT/sim-port$port")
    echo "COM$((port + 4)) -> $pty"
    dv_wine_map_com $((port + 4)) "$pty" || { echo "mapping COM$((port + 4)) failed"; exit 1; }
done
wineserver -p >/dev/null 2>&1

failed=0
report=$DV_WINE_ROOT/report
dv_run_host 0 run 0 --port 5 --port 6 --report "Z:${report//\//\\}" --json
dv_expect 'COM5: serial number 5213K40078'
dv_expect 'COM6: serial number 5213K40079'
dv_expect_start 'rack: 2 completed, 0 failed, 0 cancelled in '
dv_check_json "$DV_JSON" <<'PY'
check("ports", [r["port"] for r in doc["runs"]], [5, 6])
check("results", [r["result"] for r in doc["runs"]], ["completed", "completed"])
check("serials", [r["serial"] for r in doc["runs"]], ["5213K40078", "5213K40079"])
check("software", [r["details"].get("software") for r in doc["runs"]], ["4.12", "4.12"])
for r in doc["runs"]:
    check(f"COM{r['port']} dialog", [d["caption"] for d in r["document"]["dialogs"]],
          ["Software Version"])
check("exitStatus", doc["exitStatus"], 0)
PY
# The report folder read back: each run's document under its port and serial, the summary.
for file in COM5-5213K40078.json COM6-5213K40079.json summary.json; do
    [[ -s $report/$file ]] || { echo "MISSING: $report/$file"; failed=1; }
done
if ! tr -d '\r' <"$report/summary.csv" | grep -q '^6,5213K40079,Orrick Receiver,4.12,3.05,1.23,,completed,0,'; then
    echo "summary.csv lacks COM6's row:"
    cat "$report/summary.csv"
    failed=1
fi
# Each run read its dialog in a folder of its own.
shots=$DV_SHOTS
for com in COM5 COM6; do
    DV_SHOTS=$shots/$com-screenshots dv_pictures Software_Version
done
exit $failed
