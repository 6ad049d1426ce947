#!/usr/bin/env bash
# A working day in one process. vantor-host loads the plug-in once and runs a plan of operations
# on simulated receivers again and again (`run --plan --repeat --stats`): every operation,
# completed, failed and cancelled, on a receiver that vorin-sim makes fresh whenever the host
# closes its port (--fresh-on-close). Each run must end as its plan line expects, and the
# process's figures after the last run must equal those after an earlier run of the same line,
# within the tolerances below; under the sanitizers nothing may leak.
#
# Usage: scripts/soak.sh [--way native|asan|wine] [--plan day|short] [--runs N] [--compare K]
#                        [--scale F] [--host PROGRAM] [--sim PROGRAM] [--out DIR]
#   --way native  build/native's vantor-host and libDevVorin.so (default)
#         asan    build/native-asan's, under AddressSanitizer with LeakSanitizer (detect_leaks=1)
#         wine    the shipped i686 vantor-host.exe and DevVorin.dll (build/win32, or
#                 DEVVORIN_WIN32_DIR) under Wine (tests/wine/wine_env.sh picks the way)
#   --plan day    ten lines (nine under Wine): the four operations completed, cancelled in the
#                 middle, declined, on a port that cannot be opened, on a silent receiver, and a
#                 cancel that comes too late (needs the key chord, which vantor-host gets:
#                 DEVVORIN_KEYS=ctrl,alt)
#          short  four quick lines for CI (three under Wine)
#   --runs N      default 500 (wine: 50); --compare K: the earlier run, default 10 (wine: 14), the
#                 last of the plan's first turn (or later); K
#                 and N must fall on the same line of the plan
#   --scale F     DEVVORIN_TIME_SCALE of the plug-in and the simulators (default 0.02)
#   --out DIR     keeps the plan, the figures (stats.jsonl), the host's and simulators' output
# Exit: 0 passed, 1 failed, 77 skipped (Wine cannot run the Windows build here).
#
# The earlier run is one after every line of the plan has run once: the first box of a kind
# loads what the system then keeps for the process (under Wine the error box's icon: 3 GDI objects
# at the first port that cannot be opened, never again in the 43 runs after it).
#
# Tolerances, and why:
#   fds, threads, handles, gdiObjects, userObjects: equal. They are counted one by one, and a
#     run that returns what it took leaves none behind.
#   heapBytes (Linux): at most 4096 more. The heap also holds what the last run left for the
#     next to reuse (the report's lists keep their capacity) and texts whose length varies
#     (times, dates); a run that leaks ten bytes shows beyond that in 500 runs.
#   rssKb (Linux): at most 1024 kB more. The allocator keeps freed memory for reuse and the
#     pages a run touched stay resident. Under AddressSanitizer, which holds freed blocks back
#     to catch their use (its quarantine, here 1 MB: ASAN_OPTIONS quarantine_size_mb=1, enough
#     for the blocks of the last runs), at most 2048 kB more.
#   privateBytes (Windows): at most 256 kB more: the heap grows and keeps whole 64 kB blocks.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
way=native
for ((i = 1; i <= $#; i++)); do
    [[ ${!i} == --way ]] && { j=$((i + 1)); way=${!j:-}; }
    [[ ${!i} == --way=* ]] && way=${!i#--way=}
done
if [[ $way == wine ]]; then
    # First of all: on the i686 way this runs the script again inside its own namespace.
    # shellcheck source=../tests/wine/wine_env.sh
    . "$root/tests/wine/wine_env.sh"
fi

usage() {
    echo "usage: scripts/soak.sh [--way native|asan|wine] [--plan day|short] [--runs N]" \
         "[--compare K] [--scale F] [--host PROGRAM] [--sim PROGRAM] [--out DIR]" >&2
    exit 64
}

plan=day runs='' compare='' scale=0.02 host='' sim='' out=''
while [[ $# -gt 0 ]]; do
    option=${1%%=*}
    if [[ $1 == *=* ]]; then value=${1#*=}; else value=${2:-}; shift; fi
    shift
    case $option in
        --way) way=$value ;;
        --plan) plan=$value ;;
        --runs) runs=$value ;;
        --compare) compare=$value ;;
        --scale) scale=$value ;;
        --host) host=$value ;;
        --sim) sim=$value ;;
        --out) out=$value ;;
        *) usage ;;
    esac
done
case $way in native | asan | wine) ;; *) usage ;; esac
case $plan in day | short) ;; *) usage ;; esac
[[ $way == wine ]] && runs=${runs:-50} compare=${compare:-14}
runs=${runs:-500} compare=${compare:-10}
[[ $runs =~ ^[0-9]+$ && $compare =~ ^[0-9]+$ ]] && ((compare >= 1 && compare < runs)) || usage

case $way in
    native) host=${host:-$root/build/native/vantor-host} sim=${sim:-$root/build/native/tools/sim/vorin-sim} ;;
    asan) host=${host:-$root/build/native-asan/vantor-host} sim=${sim:-$root/build/native-asan/tools/sim/vorin-sim} ;;
    wine)
        host=${host:-${DEVVORIN_WIN32_DIR:-$root/build/win32}/vantor-host.exe}
        sim=${sim:-$root/build/native/tools/sim/vorin-sim}
        ;;
esac
for program in "$host" "$sim"; do
    if [[ ! -x $program && ! -f $program ]]; then
        echo "soak: $program is not built"
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/devvorin-soak.XXXXXX")
sims=()
finish() {
    local pid
    for pid in "${sims[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    [[ $way == wine ]] && dv_wine_stop
    if [[ -n $out ]]; then
        mkdir -p "$out" && cp -r "$work"/. "$out"/
    fi
    rm -rf "$work"
}
trap finish EXIT

# The receivers: the built-in one with quick replies and a quick radio commit, made fresh
# whenever the host closes its port; and a silent one.
echo '{"delays": {"replyMs": 2, "radioCommitMs": 100}}' >"$work/quick.json"
start_sim() {
    local link=$1
    shift
    DEVVORIN_TIME_SCALE=$scale "$sim" --link "$link" "$@" >>"$work/${link##*/}.log" 2>&1 &
    sims+=($!)
    for _ in $(seq 1 100); do
        [[ -e $link ]] && return 0
        sleep 0.05
    done
    echo "soak: vorin-sim did not start"
    cat "$work/${link##*/}.log"
    exit 1
}

if [[ $way == wine ]]; then
    dv_wine_host_case "$host" soak
    status=$?
    ((status == 0)) || exit $status
    trap finish EXIT  # dv_wine_host_case set its own
    shots="Z:${DV_SHOTS//\//\\}"
    stats="Z:${work//\//\\}\\stats.jsonl"
    planfile="Z:${work//\//\\}\\plan.txt"
fi
start_sim "$work/receiver" --profile "$work/quick.json" --fresh-on-close
start_sim "$work/silent" --profile "$root/tools/sim/profiles/silent.json"

# Each line names its port; on Linux with the device, under Wine through the port mappings.
if [[ $way == wine ]]; then
    dv_wine_map_com 5 "$(readlink -f "$work/receiver")" &&
        dv_wine_map_com 6 "$(readlink -f "$work/silent")" &&
        dv_wine_map_com 7 "$work/no-such-device" || { echo "soak: mapping the ports failed"; exit 1; }
    receiver="--port 5 --test-mode $shots"
    silent="--port 6 --test-mode $shots"
    missing="--port 7 --test-mode $shots"
    # The viewer offers Clear here: a detail, its copy, the copy of all, the clear.
    log_answers=dblclick:1041:2,press:1001,ok,press:1094,press:1040,yes,ok
else
    receiver="--port 5 --device $work/receiver"
    silent="--port 6 --device $work/silent"
    missing="--port 7 --device $work/no-such-device"
    # With the key chord the Linux plug-in holds the keys all along: the service view, which
    # reads the log from the monitor's memory and shows no Clear.
    log_answers=dblclick:1041:2,press:1001,ok,press:1094,ok
    [[ $plan == short ]] && log_answers=press:1040,yes,ok
fi
if [[ $plan == day ]]; then
    # Under Wine 50 runs are held to run 5, so its plan has nine lines: the version check runs
    # once a cycle there, with the cancel that comes too late.
    version="0 $receiver"
    [[ $way == wine ]] && version="# (the version check: see the last line)"
    cat >"$work/plan.txt" <<PLAN
# A working day: every operation, and every way a run can end.
$version
1 $receiver
2 $receiver --answer $log_answers
3 $receiver --answer yes
# cancelled with the receiver in its monitor, and in the middle of reading the log
1 $receiver --cancel-after 1000 --expect cancelled
2 $receiver --cancel-after 3000 --expect cancelled
# the wipe declined (nobody answers, so No), a port that cannot be opened, a silent receiver
3 $receiver --expect failed
0 $missing --expect failed
0 $silent --expect failed
# the version check looks at no cancel: it completes, and the host says the cancel came too late
0 $receiver --cancel-after 0
PLAN
    keys=ctrl,alt
else
    # Under Wine, where each run costs more, the error log is left to the day.
    log="2 $receiver --answer $log_answers"
    [[ $way == wine ]] && log="# (the error log: in the day)"
    cat >"$work/plan.txt" <<PLAN
0 $receiver
1 $receiver --cancel-after 0 --expect cancelled
$log
0 $missing --expect failed
PLAN
    keys=''
fi
lines=$(grep -cv '^\s*\(#.*\)\?$' "$work/plan.txt")
if (((runs - compare) % lines != 0)); then
    echo "soak: runs $runs and $compare are on different lines of the $lines-line plan"
    exit 64
fi

echo "soak: $way, plan $plan ($lines lines), $runs runs, run $compare against run $runs," \
     "time scale $scale"
started=$SECONDS
if [[ $way == wine ]]; then
    DEVVORIN_KEYS=$keys DEVVORIN_TIME_SCALE=$scale DEVVORIN_WINE_TIMEOUT=$((runs * 120)) \
        dv_wine_run "./$(basename "$DV_WINE_PROGRAM")" run --plan "$planfile" \
        --repeat "$runs" --stats "$stats" >"$work/host.log" 2>&1 </dev/null
    status=$?
else
    DEVVORIN_KEYS=$keys DEVVORIN_TIME_SCALE=$scale ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=1} \
        "$host" run --plan "$work/plan.txt" --repeat "$runs" --stats "$work/stats.jsonl" \
        >"$work/host.log" 2>&1 </dev/null
    status=$?
fi
seconds=$((SECONDS - started))
for pid in "${sims[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
done
sims=()
tr -d '\r' <"$work/host.log" | grep -E '^vantor-host: ([0-9]+ runs? in one|run [0-9]+ )' | tail -n 12
cat "$work/receiver.log" "$work/silent.log" | grep -E '^vorin-sim: stopped'

failed=0
if ((status != 0)); then
    echo "soak: vantor-host exited with $status"
    failed=1
fi
if grep -h -E 'ERROR: (Leak|Address|UndefinedBehavior)Sanitizer|runtime error:' \
    "$work"/*.log; then
    echo "soak: the sanitizers reported the above"
    failed=1
fi
python3 - "$work/stats.jsonl" "$runs" "$compare" "$seconds" "$way" <<'PY' || failed=1
import json, sys
path, runs, compare, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
way = sys.argv[5]
rows = [json.loads(line) for line in open(path, encoding="utf-8", errors="replace") if line.strip()]
problems = []
if len(rows) != runs:
    problems.append(f"{len(rows)} runs recorded, {runs} asked for")
for row in rows:
    if row["ending"] != row["expected"]:
        problems.append(f"run {row['run']} (plan line {row['line']}) {row['ending']}, "
                        f"expected {row['expected']}")
tolerance = {"fds": 0, "threads": 0, "heapBytes": 4096, "rssKb": 2048 if way == "asan" else 1024,
             "handles": 0, "gdiObjects": 0, "userObjects": 0, "privateBytes": 256 * 1024}
if len(rows) == runs:
    early, last = rows[compare - 1], rows[runs - 1]
    print(f"{'figure':<14}{'run 1':>12}{f'run {compare}':>12}{f'run {runs}':>12}"
          f"{'highest':>12}{'tolerance':>12}")
    for name, allowed in tolerance.items():
        if name not in last:
            continue
        if last[name] < 0 or early[name] < 0:
            problems.append(f"{name} could not be counted")
        highest = max(row[name] for row in rows[compare - 1:])
        print(f"{name:<14}{rows[0][name]:>12}{early[name]:>12}{last[name]:>12}{highest:>12}"
              f"{allowed:>12}")
        if last[name] - early[name] > allowed or (allowed == 0 and last[name] != early[name]):
            problems.append(f"{name} {early[name]} after run {compare}, {last[name]} after "
                            f"run {runs} (tolerance {allowed})")
endings = {}
for row in rows:
    key = (row["line"], row["operation"], row["ending"])
    endings.setdefault(key, []).append(row["durationMs"])
for (line, operation, ending), times in sorted(endings.items()):
    print(f"plan line {line:>2}: operation {operation}, {ending:<9} x{len(times):<4}"
          f" {sum(times) / len(times) / 1000:6.1f} s on average")
print(f"{len(rows)} runs in {seconds} s")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
PY
if ((failed)); then
    echo "--- the host's last lines:"
    tail -n 30 "$work/host.log"
    echo "soak: FAILED"
    exit 1
fi
echo "soak: passed"
