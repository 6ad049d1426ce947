#!/usr/bin/env bash
# The long record of the random-fault campaign (tests/system/campaign_test.cpp): builds the
# native system tests and runs seeds [FIRST, FIRST+COUNT) in DEVVORIN_JOBS parallel slices
# (default 2), then prints the record in the form tests/system/README.md keeps it: seed range,
# date, machine, compiler, commit, runs per second and the violations found. Each violation is
# printed with its seed and the command that runs it again. Exit status 0 without violations.
#
#   bash scripts/campaign.sh [FIRST [COUNT]]      # default: seeds 1 to 20000
set -euo pipefail

cd "$(dirname "$0")/.."
first=${1:-1}
count=${2:-20000}
jobs=${DEVVORIN_JOBS:-2}
for value in "$first" "$count" "$jobs"; do
    if ! [[ $value =~ ^[0-9]+$ ]] || ((value == 0)); then
        echo "campaign.sh: '$value' is not a whole number above 0" >&2
        echo "usage: bash scripts/campaign.sh [FIRST [COUNT]]" >&2
        exit 2
    fi
done

cmake --preset native -DDEVVORIN_WIN32_DIR="$PWD/build/win32" >/dev/null
cmake --build --preset native -j "$jobs" --target system_tests >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
started=$(date +%s%N)
slice=$(((count + jobs - 1) / jobs))
pids=()
for ((j = 0; j < jobs; ++j)); do
    from=$((first + j * slice))
    size=$((first + count - from < slice ? first + count - from : slice))
    ((size > 0)) || continue
    DEVVORIN_CAMPAIGN_FIRST=$from DEVVORIN_CAMPAIGN_SEEDS=$size \
        build/native/tests/system_tests --gtest_filter='Campaign.*' >"$out/$j.log" 2>&1 &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
    wait "$pid" || status=1
done
seconds=$(awk -v a="$started" -v b="$(date +%s%N)" 'BEGIN {print (b - a) / 1e9}')

violations=$(cat "$out"/*.log | grep -c '^seed [0-9]* broke' || true)
if ((violations > 0)); then
    cat "$out"/*.log | grep -A30 '^seed [0-9]*:' | grep -E '^seed|broken:|again:' || true
fi
if ((status != 0 && violations == 0)); then
    cat "$out"/*.log
    echo "campaign.sh: the campaign did not run to its end" >&2
    exit 1
fi
# Outcomes of the runs, summed over the slices.
cat "$out"/*.log | grep -E '^  .* -> [0-9]+ +[0-9]+$' |
    awk '{n = $NF; $NF = ""; sum[$0] += n} END {for (k in sum) printf "  %-44s %d\n", k, sum[k]}' |
    sort
virtual=$(cat "$out"/*.log | sed -n 's/.*, \([0-9.]*\) virtual hours$/\1/p' |
    awk '{sum += $1} END {print sum + 0}')

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
printf '\nseeds %d to %d; %s; %s, %s cores (%s); %s; commit %s%s\n' \
    "$first" "$((first + count - 1))" "$(date -u +%Y-%m-%d)" "$(uname -sr)" "$(nproc)" \
    "${cpu:-unknown CPU}" "$(g++ --version | head -n 1)" "$(git rev-parse --short HEAD)" \
    "$(git diff --quiet HEAD 2>/dev/null || echo ' (with uncommitted changes)')"
printf '%d runs in %.0f s on %d jobs: %.0f runs/s; %.0f virtual hours; %d violation(s)\n' \
    "$count" "$seconds" "$jobs" "$(awk -v n="$count" -v s="$seconds" 'BEGIN {print n / s}')" \
    "$virtual" "$violations"
((violations == 0))
