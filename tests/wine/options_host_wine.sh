#!/usr/bin/env bash
# "Verify receiver options" in the Windows build under Wine and Xvfb: vantor-host.exe loads
# DevVorin.dll and runs the operation on COM5, which is mapped to vorin-sim's pseudo-terminal. The
# host's test mode reads the real "Device Configuration" dialog from a second thread (every
# control, the list view's columns with their widths and its rows cell by cell), saves its
# picture and closes it with OK; this script checks the report against the simulator's built-in
# receiver and turns the picture into a PNG file in the build tree
# (<build>/wine-screenshots/options/).
#
# Usage: options_host_wine.sh <vantor-host.exe> <vorin-sim>
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: options_host_wine.sh <vantor-host.exe> <vorin-sim>}
sim=${2:?the vorin-sim program}

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_host_case "$exe" options "$sim" || exit $?

failed=0
dv_run_host 0 run "Verify receiver options" --port 5
dv_expect 'window title: Read Configuration'
dv_expect 'status: Establishing communication with the Orrick receiver. Please wait...'
dv_expect 'progress: 100%'
dv_expect 'dialog "Device Configuration ":'
dv_expect '  control 5053 Static: "Vorin R10"'
dv_expect '  control 5052 Edit: "5213K40078"'
dv_expect '  control 5051 SysListView32: "List1"'
dv_expect '  control 1 Button: "OK"'
dv_expect '  control 3 Button: "&Save..." (hidden)'
dv_expect '  control 4 Button: "&Print" (hidden)'
dv_expect '  control 2 Button: "&Cancel" (hidden)'
dv_expect '  control 1089 Static: "P/N:" (hidden)'
dv_expect '  control 1077 Edit: "" (hidden)'
dv_expect 'pressing 1'
dv_expect 'status: Rebooting the Orrick receiver...'
dv_expect 'status: The configuration was retrieved successfully.'
dv_expect 'done message (0x5F7) received'
dv_expect 'result: 1 (completed)'

# The list view read back row by row: the built-in receiver's options in catalogue order, without
# its internal ones.
rows=(
    'CMR Inputs | Enabled |  | '
    'CMR Outputs | Enabled |  | '
    'RTCM Inputs | Enabled |  | '
    'RTCM Outputs | Enabled | 03/05/2014 | 03/05/2015'
    'Binary Outputs | Enabled |  | '
    'Data Logging | Enabled | 01/01/2014 | 12/31/2014'
    'Guidance | Enabled | 06/01/2014 | 06/01/2016'
    'Event Marker | Disabled | 01/01/2013 | 06/30/2013'
    'Bluetooth | Enabled |  | '
    'UHF Transmit | Enabled | 03/05/2014 | 03/05/2019'
    'L5 | Enabled |  | '
    'Enable GLONASS | Enabled |  | '
    'Enable BeiDou | Enabled |  | '
    'Enable Galileo | Enabled |  | '
    'Hardware Version | 2.1 |  | '
    'Firmware Option | Enabled |  | 3/2014'
    'RTK Range Limit | 10000 |  | '
    'Max Data Rate | 10 Hz |  | '
    'Log Memory Limit | 10.00 G |  | '
    'GeoFence | 1500 |  | '
    'Kestrix | 2 |  | '
    'Brand | Corvane |  | '
    'QSV End | 3/5/2015 |  | '
    'Pendle End | Always |  | '
    'QSV Start | 3/5/2014 |  | '
    'Extended Receiver ID | Kessick |  | '
)
for i in "${!rows[@]}"; do
    dv_expect "    row $i: ${rows[$i]}"
done
if grep -q "^    row ${#rows[@]}:" "$DV_REPORT"; then
    echo "more rows than the ${#rows[@]} expected"
    failed=1
fi

# Column widths: Option, Status, From, To; From and To equally wide, none below 10 pixels.
mapfile -t widths < <(sed -n 's/^    column [0-3] "[^"]*" width \(-\?[0-9]*\)$/\1/p' "$DV_REPORT")
if [[ ${#widths[@]} -ne 4 ]]; then
    echo "expected 4 list columns with widths, found ${#widths[@]}"
    failed=1
else
    dv_expect '    column 0 "Option" width '"${widths[0]}"
    dv_expect '    column 3 "To" width '"${widths[3]}"
    [[ ${widths[2]} -eq ${widths[3]} ]] || { echo "From (${widths[2]}) and To (${widths[3]}) differ"; failed=1; }
    for w in "${widths[@]}"; do
        [[ $w -ge 10 ]] || { echo "a column is $w pixels wide, below 10"; failed=1; }
    done
fi

dv_pictures
exit $failed
