#!/usr/bin/env bash
# "Verify GPS software version" in the Windows build under Wine and Xvfb: vantor-host.exe loads
# DevVorin.dll and runs operation 0 on COM5, which is mapped to vorin-sim's pseudo-terminal. The
# host's test mode reads the real dialog's controls from a second thread, saves its picture and
# closes it with OK; this script checks the host's report and turns the pictures into PNG files
# in the build tree (<build>/wine-screenshots/version/; the other cases keep theirs beside it).
#
# Usage: version_host_wine.sh <vantor-host.exe> <vorin-sim> [profile]
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: version_host_wine.sh <vantor-host.exe> <vorin-sim> [profile]}
sim=${2:?the vorin-sim program}
profile=${3:-}
[[ $exe == /* ]] || exe=$PWD/$exe

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_case "$exe" || exit $?
exe=$DV_WINE_PROGRAM
shots=$(dirname "$exe")/wine-screenshots/version
rm -rf "$shots"
mkdir -p "$shots"

trap dv_wine_stop EXIT

dv_wine_start || exit 1
args=()
[[ -n $profile ]] && args+=(--profile "$profile")
dv_wine_sim_on_com5 "$sim" "${args[@]}" || exit 1

cd "$(dirname "$exe")" || exit 1
out=$DV_WINE_ROOT/host.log
json=$DV_WINE_ROOT/host.json
DEVVORIN_TIME_SCALE=0.1 dv_wine_run "./$(basename "$exe")" run 0 --port 5 --json \
    --test-mode "Z:${shots//\//\\}" >"$json" 2>"$out"
status=$?
tr -d '\r' <"$out" >"$out.txt"
cat "$out.txt"

failed=0
expect() {
    if ! grep -qxF -- "$1" "$out.txt"; then
        echo "MISSING: $1"
        failed=1
    fi
}
[[ $status -eq 0 ]] || { echo "vantor-host exited with $status, expected 0"; failed=1; }
expect 'status: Establishing communication with the Orrick receiver. Please wait...'
expect 'status: Retrieving version information...'
expect 'progress: 0%'
expect 'progress: 100%'
expect 'status: The version was retrieved successfully.'
expect 'done message (0x5F7) received'
expect 'window title: Retrieve Software Version'
expect 'dialog "Software Version":'
expect '  control 1018 Static: "Model: Orrick Receiver"'
expect '  control 1019 Edit: "5213K40078"'
expect '  control 1017 Edit: "4.12"'
expect '  control 1067 Edit: "3.05"'
expect '  control 1077 Edit: "1.23"'
expect '  control 1095 Edit: ""'
expect 'pressing 1'
expect 'result: 1 (completed)'

# The --json document on standard output holds the same run.
if ! python3 - "$json" <<'PY'
import json, sys
text = open(sys.argv[1], encoding="utf-8").read().replace("\r", "")
# The Wine layer's runner notes the program's architecture on the same stream before it.
doc = json.loads(text[text.find("\n{") + 1 if not text.startswith("{") else 0:])
problems = []
def check(what, got, want):
    if got != want:
        problems.append(f"{what}: {got!r}, expected {want!r}")
check("statuses", [s["text"] for s in doc["statuses"]],
      ["Establishing communication with the Orrick receiver. Please wait...",
       "Retrieving version information...", "The version was retrieved successfully."])
check("progress", [p["value"] for p in doc["progress"]], [0, 100])
check("titles", [t["text"] for t in doc["titles"]], ["Retrieve Software Version"])
check("operation", doc["operation"], {"index": 0, "name": "Verify GPS software version"})
check("plug-in version", doc["plugin"]["version"], "4.86b0")
check("dialogs", len(doc["dialogs"]), 1)
if doc["dialogs"]:
    dialog = doc["dialogs"][0]
    check("caption", dialog["caption"], "Software Version")
    texts = {c["id"]: c["text"] for c in dialog["controls"]}
    for cid, want in {1018: "Model: Orrick Receiver", 1019: "5213K40078", 1017: "4.12",
                      1067: "3.05", 1077: "1.23", 1095: ""}.items():
        check(f"control {cid}", texts.get(cid), want)
    check("answer", dialog["answer"], "ok")
check("messageBoxes", doc["messageBoxes"], [])
check("result", doc["result"], {"code": 1, "meaning": "completed"})
check("exitStatus", doc["exitStatus"], 0)
for p in problems:
    print("JSON:", p)
sys.exit(1 if problems else 0)
PY
then
    echo "--- the --json document:"
    cat "$json"
    failed=1
fi

converted=0
for bmp in "$shots"/*.bmp; do
    [[ -e $bmp ]] || continue
    if /usr/bin/convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; then
        rm -f "$bmp"
        converted=$((converted + 1))
        echo "screenshot: ${bmp%.bmp}.png"
    fi
done
[[ $converted -ge 1 ]] || { echo "no dialog screenshot was saved as PNG"; failed=1; }
exit $failed
