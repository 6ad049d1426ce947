#!/usr/bin/env bash
# A receiver on its USB port in the Windows build under Wine: vorin-sim's terminal goes away
# whenever the receiver reboots and a new one comes back behind the same link, to which COM5 is
# mapped (Wine follows the link when the port is opened). The version check, which reboots
# nothing; then the wipe's device path: into the monitor (the port closed, the device restart,
# the port opened on the new terminal), the radio block read and written back erased, the reboot
# into the application and the reopen. The simulator's radio block is checked afterwards.
#
# Usage: usb_host_wine.sh <vantor-host.exe> <vorin-sim>
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: usb_host_wine.sh <vantor-host.exe> <vorin-sim>}
sim=${2:?the vorin-sim program}

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_host_case "$exe" usb || exit $?
root=$DV_WINE_ROOT
# The shipped USB receiver, with a quick radio commit to keep the real-time run short.
profile=$root/usb-quick-commit.json
echo '{"port": {"number": 15, "baud": 115200}, "delays": {"radioCommitMs": 400}}' >"$profile"

failed=0
# How often the simulator's terminal went away and came back, against what is expected.
expect_bus() {
    local leaves returns
    leaves=$(grep -c 'vorin-sim: off the bus' "$root/sim.log")
    returns=$(grep -c 'vorin-sim: back on the bus' "$root/sim.log")
    if [[ $leaves -ne $1 || $returns -ne $2 ]]; then
        echo "the terminal went away $leaves times and came back $returns times; expected $1 and $2:"
        cat "$root/sim.log"
        failed=1
    fi
}

dv_wine_sim_on_com5 --usb "$sim" --profile "$profile" || exit 1
dv_run_host 0 run 0 --port 5
dv_expect 'status: The version was retrieved successfully.'
dv_expect '  control 1018 Static: "Model: Orrick Receiver"'
dv_expect 'result: 1 (completed)'
dv_wine_sim_stop
expect_bus 0 0

: >"$root/sim.log"
dv_wine_sim_on_com5 --usb "$sim" --profile "$profile" --radio-out "$root/after.bin" || exit 1
DEVVORIN_KEYS=ctrl,alt dv_run_host 0 run 'Wipe Radio Configuration Blocks' --port 5 --answer yes
dv_wine_sim_stop
dv_expect 'status: Initializing monitor...'
dv_expect 'status: Rebooting Orrick receiver...'
dv_expect 'status: Radio configuration blocks are erased successfully.'
dv_expect 'result: 1 (completed)'
expect_bus 2 2
erased=$(printf '\xFD\x03\x09\x00\x14\x06\x00\x00\x96\x06\x00\x00\xFE\x06\x02\xBE\x00\xFF' | od -An -tx1)
if [[ $(head -c 18 "$root/after.bin" 2>/dev/null | od -An -tx1) != "$erased" ]]; then
    echo "the receiver's radio block does not begin with the erased dictionary"
    failed=1
fi
exit $failed
