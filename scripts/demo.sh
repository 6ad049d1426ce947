#!/usr/bin/env bash
# The main job: builds the plug-in, vantor-host and vorin-sim natively, starts the simulated
# receiver (built-in default profile) on a pseudo-terminal and runs an operation against it:
# status lines, progress, the contents of the operation's dialog, the result.
#
#   scripts/demo.sh [operation] [vantor-host run options...]
#
# The operation is a name or an index of the host's list (default "Verify GPS software version",
# for example "Verify receiver options"); what follows goes to `vantor-host run` (e.g. --answer
# escape). DEVVORIN_TIME_SCALE (simulation only, default here 0.1) shortens the fixed waits so the
# run takes a few seconds; set it to 1 for the receiver's real timing.
set -euo pipefail

operation="Verify GPS software version"
if [[ $# -gt 0 && $1 != -* ]]; then
    operation=$1
    shift
fi

cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target vantor-host DevVorin vorin-sim -j "${DEVVORIN_JOBS:-2}" >/dev/null

build=build/native
work=$(mktemp -d)
link="$work/vorin-port"
sim_pid=""
cleanup() {
    if [[ -n "$sim_pid" ]]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

export DEVVORIN_TIME_SCALE="${DEVVORIN_TIME_SCALE:-0.1}"
"$build/tools/sim/vorin-sim" --link "$link" >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
    [[ -e "$link" ]] && break
    sleep 0.1
done
if [[ ! -e "$link" ]]; then
    echo "demo: vorin-sim did not start:" >&2
    cat "$work/sim.log" >&2
    exit 1
fi
echo "demo: vorin-sim (default profile) serves COM1 at $(head -n1 "$work/sim.log")"

status=0
"$build/vantor-host" run "$operation" --port 1 --device "$link" "$@" || status=$?
exit "$status"
