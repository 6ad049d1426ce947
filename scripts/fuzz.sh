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
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail

cd "$(dirname "$0")/.."
seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
    echo "usage: scripts/fuzz.sh [seconds]  (a whole number above 0, default 60)" >&2
    exit 2
fi
merge=${DEVVORIN_FUZZ_MERGE:-1}
jobs=${DEVVORIN_JOBS:-2}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

shopt -s nullglob
ran=0
failed=()
for target in build/fuzz/fuzz/*; do
    [[ -f $target && -x $target ]] || continue
    name=$(basename "$target")
    corpus=fuzz/corpus/$name
    mkdir -p "$corpus"
    found=$scratch/$name
    mkdir -p "$found"
    printf '\n=== fuzz: %s, %s s, corpus %s (%d inputs)\n' "$name" "$seconds" "$corpus" \
        "$(find "$corpus" -type f | wc -l)"
    ran=$((ran + 1))
    log=$scratch/$name.log
    status=0
    "$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$artifacts/$name-" "$found" "$corpus" >"$log" 2>&1 || status=$?
    grep -E '^(Done [0-9]+ runs|stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb))' \
        "$log" || true
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
printf '\nfuzz: %d targets ran %s s each, none failed\n' "$ran" "$seconds"
