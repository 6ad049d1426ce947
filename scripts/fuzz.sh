#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target in build/fuzz/fuzz/ for the given number
# of seconds (default 60) on its corpus fuzz/corpus/<target>/ (created when missing).
#
# Each run writes what it finds into a scratch folder and reads the committed corpus beside it;
# afterwards the scratch inputs that add coverage are merged into the corpus (libFuzzer's
# -merge=1), so the corpus grows only by inputs that reach something new. Set
# DEVVORIN_FUZZ_MERGE=0 to leave the corpus unchanged. A crashing input is kept as
# build/fuzz/artifacts/<target>-crash-...; the script goes on with the other targets and fails at
# the end when any target failed.
#
# DEVVORIN_FUZZ_RUNS=N also ends a target after N executions, whichever comes first: the record
# run is `DEVVORIN_FUZZ_RUNS=10000000 scripts/fuzz.sh 3600` (ten million, or an hour for a target
# too slow for that). Names after the seconds choose targets; without them every target runs.
# DEVVORIN_FUZZ_ARGS adds libFuzzer flags to every target's run (e.g. -max_len=1024).
#
# Usage: scripts/fuzz.sh [seconds [target...]]
set -euo pipefail

cd "$(dirname "$0")/.."
seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
    echo "usage: scripts/fuzz.sh [seconds [target...]]  (seconds a whole number above 0, default 60)" >&2
    exit 2
fi
shift $(($# > 0 ? 1 : 0))
merge=${DEVVORIN_FUZZ_MERGE:-1}
runs=${DEVVORIN_FUZZ_RUNS:-0}
if ! [[ $runs =~ ^[0-9]+$ ]]; then
    echo "DEVVORIN_FUZZ_RUNS must be a whole number (0: no limit)" >&2
    exit 2
fi
jobs=${DEVVORIN_JOBS:-2}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

shopt -s nullglob
targets=()
if (($# > 0)); then
    for name in "$@"; do
        if [[ ! -x build/fuzz/fuzz/$name ]]; then
            echo "no fuzz target $name in build/fuzz/fuzz/" >&2
            exit 2
        fi
        targets+=("build/fuzz/fuzz/$name")
    done
else
    targets=(build/fuzz/fuzz/*)
fi
ran=0
failed=()
for target in "${targets[@]}"; do
    [[ -f $target && -x $target ]] || continue
    name=$(basename "$target")
    corpus=fuzz/corpus/$name
    mkdir -p "$corpus"
    found=$scratch/$name
    mkdir -p "$found"
    printf '\n=== fuzz: %s, %s s%s%s, corpus %s (%d inputs), %s\n' "$name" "$seconds" \
        "$( ((runs > 0)) && echo " or $runs runs")" "${DEVVORIN_FUZZ_ARGS:+ ($DEVVORIN_FUZZ_ARGS)}" \
        "$corpus" "$(find "$corpus" -type f | wc -l)" "$(date -u '+%Y-%m-%d %H:%M UTC')"
    ran=$((ran + 1))
    log=$scratch/$name.log
    status=0
    start=$SECONDS
    # shellcheck disable=SC2086 # the extra flags are meant to split into words
    "$target" -timeout=10 -max_total_time="$seconds" -runs="$((runs > 0 ? runs : -1))" -print_final_stats=1 \
        ${DEVVORIN_FUZZ_ARGS:-} \
        -artifact_prefix="$artifacts/$name-" "$found" "$corpus" >"$log" 2>&1 || status=$?
    grep -E '^(Done [0-9]+ runs|stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb))' \
        "$log" || true
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true
    echo "wall: $((SECONDS - start)) s"
    if ((status != 0)); then
        tail -n 40 "$log"
        failed+=("$name")
        continue
    fi
    if [[ $merge != 0 ]]; then
        before=$(find "$corpus" -type f | wc -l)
        "$target" -merge=1 -artifact_prefix="$artifacts/$name-" "$corpus" "$found" \
            >"$scratch/$name.merge.log" 2>&1 || {
            tail -n 20 "$scratch/$name.merge.log"
            failed+=("$name (merge)")
            continue
        }
        echo "corpus: $before -> $(find "$corpus" -type f | wc -l) inputs"
    fi
done

if ((ran == 0)); then
    echo "no fuzz target found in build/fuzz/fuzz/" >&2
    exit 1
fi
if ((${#failed[@]} > 0)); then
    printf '\nfuzz: %d of %d targets failed: %s\n' "${#failed[@]}" "$ran" "${failed[*]}"
    exit 1
fi
printf '\nfuzz: %d targets ran %s s%s each, none failed\n' "$ran" "$seconds" \
    "$( ((runs > 0)) && echo " or $runs runs")"
