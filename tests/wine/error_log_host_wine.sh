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
[[ $exe == /* ]] || exe=$PWD/$exe

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_case "$exe" || exit $?
exe=$DV_WINE_PROGRAM
shots=$(dirname "$exe")/wine-screenshots/error-log
rm -rf "$shots"
mkdir -p "$shots"

trap dv_wine_stop EXIT

dv_wine_start || exit 1
dv_wine_sim_on_com5 "$sim" || exit 1

cd "$(dirname "$exe")" || exit 1
out=$DV_WINE_ROOT/host.log
DEVVORIN_TIME_SCALE=0.1 dv_wine_run "./$(basename "$exe")" run "View error log" --port 5 \
    --answer "dblclick:1041:2,press:1001,ok,press:1094,press:1040,yes,ok" \
    --test-mode "Z:${shots//\//\\}" >"$out" 2>&1
status=$?
tr -d '\r' <"$out" >"$out.txt"
cat "$out.txt"

failed=0
# A line exactly as given.
expect() {
    if ! grep -qxF -- "$1" "$out.txt"; then
        echo "MISSING: $1"
        failed=1
    fi
}
# A line that starts with the text (backslash escapes such as \t are read).
expect_start() {
    if ! awk -v p="$1" 'index($0, p) == 1 { found = 1 } END { exit !found }' "$out.txt"; then
        echo "MISSING (start): $1"
        failed=1
    fi
}
[[ $status -eq 0 ]] || { echo "vantor-host exited with $status, expected 0"; failed=1; }
expect 'window title: Retrieve Error Log'
expect 'dialog "Vorin Error Log Retrieval":'
expect '  control 1040 Button: "Clear"'
expect '  control 1061 Static: "Press the clear button to erase all the errors in the Vorin."'
expect '  control 1094 Button: "Copy All"'
expect_start '    line 0: Runtime Warning:\t0x0000BEEF  At time: '
expect_start '    line 1: Radio Error:\t0x0A010203  At time: '
expect_start '    line 2: Startup Error:\t0x70085000  At time: '
expect 'double-clicking row 2 of 1041'
expect 'dialog "Error Detail":'
expect '  control 1017 Edit: "4.12"'
expect '  control 1051 Edit: "3/5/2014"'
expect '    column 0 "Subject" width 110'
expect '    column 1 "Information" width 270'
expect '    row 0: Error Number | 0x70085000'
expect '    row 5: Type | 0x0040A1B4'
expect '    row 6: Version | 0x00000412'
expect '    row 9: Stack Pointer | 0x0007FF00'
expect '    row 15: Offset 3 | 0x00000004'
# The detail's Copy, then Copy All, read back from the clipboard.
expect 'VPC: 0x12  PC: 0x0040A1B4'
expect 'Type: Runtime Warning'
expect 'Number: 0x0000BEEF'
expect 'message box [Retrieve Error Log]:'
expect 'Do you wish to continue with the clear operation?'
expect 'status: The error log was retrieved successfully.'
expect 'result: 1 (completed)'
# The oldest entry's time as the user's locale writes it (never the fixed month-first text with
# a 24-hour clock that stands in for a locale without a format): the same in its line, its
# detail and both copies.
when=$(sed -n "s/^    line 2: Startup Error:\t0x70085000  At time: \(.*\) UTC\$/\1/p" "$out.txt" |
    head -n 1)
if [[ -z $when || $when == "07/10/2014 00:00:18" ]]; then
    echo "the entry's time is not in the user's format: '$when'"
    failed=1
else
    expect "    row 1: Time and Date (UTC) | $when"
    [[ $(grep -cxF "Time & Date [UTC]: $when" "$out.txt") -eq 2 ]] ||
        { echo "both copies should hold 'Time & Date [UTC]: $when'"; failed=1; }
fi
copies=$(grep -c '^clipboard:$' "$out.txt")
[[ $copies -eq 2 ]] || { echo "expected 2 clipboard read-backs, found $copies"; failed=1; }
grep -q 'Failure!' "$out.txt" && { echo "a failure box was shown"; failed=1; }

converted=0
for bmp in "$shots"/*.bmp; do
    [[ -e $bmp ]] || continue
    if /usr/bin/convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; then
        rm -f "$bmp"
        converted=$((converted + 1))
        echo "screenshot: ${bmp%.bmp}.png"
    fi
done
for caption in Vorin_Error_Log_Retrieval Error_Detail; do
    compgen -G "$shots/dialog-$caption-*.png" >/dev/null ||
        { echo "no PNG screenshot of $caption"; failed=1; }
done
exit $failed
