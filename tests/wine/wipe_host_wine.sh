#!/usr/bin/env bash
# "Wipe Radio Configuration Blocks" in the Windows build under Wine and Xvfb: vantor-host.exe
# loads DevVorin.dll with Ctrl+Alt held (DEVVORIN_KEYS: the host holds the keys in its thread's
# key state while the DLL initialises, which is where the DLL reads them with GetKeyState), runs
# the service operation on COM5, mapped to vorin-sim's pseudo-terminal, and answers the question
# with Yes from its test mode. The simulator's radio block is then checked byte for byte: the
# erased dictionary over its first 18 bytes, the rest as it was. Without the chord the operation
# is not listed.
#
# Usage: wipe_host_wine.sh <vantor-host.exe> <vorin-sim>
# Exit: 0 passed, 1 failed, 77 skipped (no Wine, no Windows build).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:?usage: wipe_host_wine.sh <vantor-host.exe> <vorin-sim>}
sim=${2:?the vorin-sim program}
name='Wipe Radio Configuration Blocks'

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_host_case "$exe" wipe || exit $?
root=$DV_WINE_ROOT
host=./$(basename "$DV_WINE_PROGRAM")
# A quick commit keeps the real-time run short.
profile=$root/quick-commit.json
echo '{"delays": {"radioCommitMs": 400}}' >"$profile"

failed=0
# The block as the receiver holds it before any run.
dv_wine_sim_start "$sim" --profile "$profile" --radio-out "$root/before.bin" || exit 1
dv_wine_sim_stop

# Without the chord the operation is not listed; with it, it is.
dv_wine_run "$host" list >"$root/list-plain.log" 2>&1
DEVVORIN_KEYS=ctrl,alt dv_wine_run "$host" list >"$root/list-chord.log" 2>&1
if grep -qF "$name" "$root/list-plain.log"; then
    echo "listed without the chord:"
    cat "$root/list-plain.log"
    failed=1
fi
if ! grep -qF "] $name" "$root/list-chord.log"; then
    echo "not listed with the chord:"
    cat "$root/list-chord.log"
    failed=1
fi

dv_wine_sim_on_com5 "$sim" --profile "$profile" --radio-out "$root/after.bin" || exit 1
DEVVORIN_KEYS=ctrl,alt dv_run_host 0 run "$name" --port 5 --answer yes
dv_wine_sim_stop
dv_expect 'holding Ctrl+Alt while the plug-in loads'
dv_expect 'message box [DevVorin]:'
dv_expect 'This operation will erase the entire existing radio configurations. Continue ?'
dv_expect 'pressing 6'
dv_expect 'status: Establishing communication with the Orrick receiver. Please wait...'
dv_expect 'status: Initializing monitor...'
dv_expect 'progress: 30%'
dv_expect 'progress: 75%'
dv_expect 'progress: 95%'
dv_expect 'status: Rebooting Orrick receiver...'
dv_expect 'status: Radio configuration blocks are erased successfully.'
dv_expect 'done message (0x5F7) received'
dv_expect 'window title: Erase radio configuration blocks'
dv_expect 'result: 1 (completed)'

# The erased dictionary over the first 18 bytes, the rest of the 2048 as it was.
expected=$root/expected.bin
{
    printf '\xFD\x03\x09\x00\x14\x06\x00\x00\x96\x06\x00\x00\xFE\x06\x02\xBE\x00\xFF'
    tail -c +19 "$root/before.bin"
} >"$expected"
if [[ $(stat -c %s "$root/before.bin") -ne 2048 ]]; then
    echo "the receiver's block before the run is not 2048 bytes"
    failed=1
elif ! cmp "$expected" "$root/after.bin"; then
    echo "the radio block after the run differs from the erased dictionary over the old block"
    failed=1
else
    echo "radio block: erased dictionary in bytes 1-18, bytes 19-2048 unchanged"
fi
exit $failed
