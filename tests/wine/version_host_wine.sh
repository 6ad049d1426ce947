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
args=()
[[ -n ${3:-} ]] && args+=(--profile "$3")

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_host_case "$exe" version "$sim" "${args[@]}" || exit $?

failed=0
dv_run_host 0 run 0 --port 5 --json
dv_expect 'status: Establishing communication with the Orrick receiver. Please wait...'
dv_expect 'status: Retrieving version information...'
dv_expect 'progress: 0%'
dv_expect 'progress: 100%'
dv_expect 'status: The version was retrieved successfully.'
dv_expect 'done message (0x5F7) received'
dv_expect 'window title: Retrieve Software Version'
dv_expect 'dialog "Software Version":'
dv_expect '  control 1018 Static: "Model: Orrick Receiver"'
dv_expect '  control 1019 Edit: "5213K40078"'
dv_expect '  control 1017 Edit: "4.12"'
dv_expect '  control 1067 Edit: "3.05"'
dv_expect '  control 1077 Edit: "1.23"'
dv_expect '  control 1095 Edit: ""'
dv_expect 'pressing 1'
dv_expect 'result: 1 (completed)'

# The --json document on standard output holds the same run.
dv_check_json "$DV_JSON" <<'PY'
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
PY

dv_pictures
exit $failed
