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
[[ $exe == /* ]] || exe=$PWD/$exe
name='Wipe Radio Configuration Blocks'

# shellcheck source=wine_env.sh
. "$here/wine_env.sh"
dv_wine_case "$exe" || exit $?
exe=$DV_WINE_PROGRAM

sim_pid=
stop_sim() {
    if [[ -n $sim_pid ]]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=
    fi
}
cleanup() {
    stop_sim
    dv_wine_stop
}
trap cleanup EXIT

dv_wine_start || exit 1
root=$DV_WINE_ROOT
# A quick commit keeps the real-time run short.
profile=$root/quick-commit.json
echo '{"delays": {"radioCommitMs": 400}}' >"$profile"
link=$root/sim-port

# start_sim <radio block file>: vorin-sim on a fresh pseudo-terminal behind $link.
start_sim() {
    rm -f "$link"
    DEVVORIN_TIME_SCALE=0.1 "$sim" --link "$link" --profile "$profile" --radio-out "$1" \
        >>"$root/sim.log" 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 100); do
        [[ -e $link ]] && return 0
        sleep 0.05
    done
    echo "vorin-sim did not start"
    cat "$root/sim.log"
    return 1
}

failed=0
# The block as the receiver holds it before any run.
start_sim "$root/before.bin" || exit 1
stop_sim

cd "$(dirname "$exe")" || exit 1
host=./$(basename "$exe")

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

start_sim "$root/after.bin" || exit 1
pty=$(readlink -f "$link")
echo "COM5 -> $pty"
dv_wine_map_com 5 "$pty" || { echo "mapping COM5 failed"; exit 1; }
wineserver -p >/dev/null 2>&1

shots=$root/shots
mkdir -p "$shots"
out=$root/host.log
DEVVORIN_KEYS=ctrl,alt DEVVORIN_TIME_SCALE=0.1 dv_wine_run "$host" run "$name" --port 5 \
    --answer yes --test-mode "Z:${shots//\//\\}" >"$out" 2>&1
status=$?
stop_sim
tr -d '\r' <"$out" >"$out.txt"
cat "$out.txt"

expect() {
    if ! grep -qxF -- "$1" "$out.txt"; then
        echo "MISSING: $1"
        failed=1
    fi
}
[[ $status -eq 0 ]] || { echo "vantor-host exited with $status, expected 0"; failed=1; }
expect 'holding Ctrl+Alt while the plug-in loads'
expect 'message box [DevVorin]:'
expect 'This operation will erase the entire existing radio configurations. Continue ?'
expect 'pressing 6'
expect 'status: Establishing communication with the Orrick receiver. Please wait...'
expect 'status: Initializing monitor...'
expect 'progress: 30%'
expect 'progress: 75%'
expect 'progress: 95%'
expect 'status: Rebooting Orrick receiver...'
expect 'status: Radio configuration blocks are erased successfully.'
expect 'done message (0x5F7) received'
expect 'window title: Erase radio configuration blocks'
expect 'result: 1 (completed)'

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
