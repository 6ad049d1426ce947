#!/usr/bin/env bash
# "View error log" in the Windows build under Wine and Xvfb: vantor-host.exe loads DevVorin.dll
# and runs the operation on COM5, mapped to vorin-sim's pseudo-terminal (the built-in receiver,
# whose log is read over TC). The host's test mode acts on the real dialogs from a second thread:
# it reads the viewer's list box, double-clicks the oldest entry, reads the detail's list view,
# presses Copy, closes the detail, presses Copy All, reads the clipboard back through the Win32
# clipboard after each copy, clears the log (Yes to the question) and closes the viewer. The
# dialogs' pictures are kept as PNG files in <build>/wine-screenshots/error-log/.
#
# Usage: error_log_host_wine.sh <vantor-host.exe> <vorin-sim>
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: error_log_host_wine.sh <vantor-host.exe> <vorin-sim>}
sim=${2:?the vorin-sim program}

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_host_case "$exe" error-log "$sim" || exit $?

failed=0
dv_run_host 0 run "View error log" --port 5 \
    --answer "dblclick:1041:2,press:1001,ok,press:1094,press:1040,yes,ok"
dv_expect 'window title: Retrieve Error Log'
dv_expect 'dialog "Vorin Error Log Retrieval":'
dv_expect '  control 1040 Button: "Clear"'
dv_expect '  control 1061 Static: "Press the clear button to erase all the errors in the Vorin."'
dv_expect '  control 1094 Button: "Copy All"'
dv_expect_start '    line 0: Runtime Warning:\t0x0000BEEF  At time: '
dv_expect_start '    line 1: Radio Error:\t0x0A010203  At time: '
dv_expect_start '    line 2: Startup Error:\t0x70085000  At time: '
dv_expect 'double-clicking row 2 of 1041'
dv_expect 'dialog "Error Detail":'
dv_expect '  control 1017 Edit: "4.12"'
dv_expect '  control 1051 Edit: "3/5/2014"'
dv_expect '    column 0 "Subject" width 110'
dv_expect '    column 1 "Information" width 270'
dv_expect '    row 0: Error Number | 0x70085000'
dv_expect '    row 5: Type | 0x0040A1B4'
dv_expect '    row 6: Version | 0x00000412'
dv_expect '    row 9: Stack Pointer | 0x0007FF00'
dv_expect '    row 15: Offset 3 | 0x00000004'
# The detail's Copy, then Copy All, read back from the clipboard.
dv_expect 'VPC: 0x12  PC: 0x0040A1B4'
dv_expect 'Type: Runtime Warning'
dv_expect 'Number: 0x0000BEEF'
dv_expect 'message box [Retrieve Error Log]:'
dv_expect 'Do you wish to continue with the clear operation?'
dv_expect 'status: The error log was retrieved successfully.'
dv_expect 'result: 1 (completed)'
# The oldest entry's time as the user's locale writes it (never the fixed month-first text with
# a 24-hour clock that stands in for a locale without a format): the same in its line, its
# detail and both copies.
when=$(sed -n "s/^    line 2: Startup Error:\t0x70085000  At time: \(.*\) UTC\$/\1/p" "$DV_REPORT" |
    head -n 1)
if [[ -z $when || $when == "07/10/2014 00:00:18" ]]; then
    echo "the entry's time is not in the user's format: '$when'"
    failed=1
else
    dv_expect "    row 1: Time and Date (UTC) | $when"
    [[ $(grep -cxF "Time & Date [UTC]: $when" "$DV_REPORT") -eq 2 ]] ||
        { echo "both copies should hold 'Time & Date [UTC]: $when'"; failed=1; }
fi
copies=$(grep -c '^clipboard:$' "$DV_REPORT")
[[ $copies -eq 2 ]] || { echo "expected 2 clipboard read-backs, found $copies"; failed=1; }
grep -q 'Failure!' "$DV_REPORT" && { echo "a failure box was shown"; failed=1; }

dv_pictures Vorin_Error_Log_Retrieval Error_Detail
exit $failed
