#!/usr/bin/env bash
# Builds every preset that carries tests and runs them all: native (every layer, the Windows
# build's checks and the Wine layer included), native-asan (unit and system tests), and each
# fuzz target briefly. Fails on the first failure.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
jobs=${DEVVORIN_JOBS:-2}

started=$SECONDS
step() { printf '\n=== [%d s] %s\n' "$((SECONDS - started))" "$*"; }

step "configure and build: win32"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"

# The Wine layer runs the 32-bit build: natively where this machine runs 32-bit programs, else
# through qemu's i386 emulator; the same sources built for 64-bit Windows only when
# DEVVORIN_WINE_ARCH=win64 asks for them (tests/wine/wine_env.sh picks).
wine_way=$(bash tests/wine/wine_env.sh way)
if [[ $(bash tests/wine/wine_env.sh arch 2>/dev/null) == win64 ]]; then
    step "configure and build: win64 (for the Wine layer)"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 -j "$jobs"
fi

step "configure and build: native"
cmake --preset native -DDEVVORIN_WIN32_DIR="$root/build/win32" >/dev/null
cmake --build --preset native -j "$jobs"

step "test: native (every layer but Wine)"
ctest --preset native -j "$jobs" -LE '^wine$'

step "test: Wine layer ($wine_way)"
wine_started=$SECONDS
wine_log=$(mktemp)
trap 'rm -f "$wine_log"' EXIT
ctest --preset native -j "$jobs" -L '^wine$' | tee "$wine_log"
passed=$(grep -c ' Passed ' "$wine_log" || true)
skipped=$(grep -c 'Skipped ' "$wine_log" || true)
printf 'Wine layer: %s; %d cases passed, %d skipped, %d s\n' "$wine_way" "$passed" "$skipped" \
    "$((SECONDS - wine_started))"

step "configure and build: native-asan (the unit and system test programs)"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j "$jobs" --target in_process_tests

step "test: native-asan (unit and system)"
ctest --preset native-asan -j "$jobs" -L '^(unit_.*|system_tests)$'

if [[ -f fuzz/CMakeLists.txt ]]; then
    step "configure and build: fuzz"
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j "$jobs"
    shopt -s nullglob
    # A short pass for CI; the record runs are scripts/fuzz.sh's. An input that runs longer than
    # -timeout is a finding (a hang), kept like a crash.
    fuzz_seconds=${DEVVORIN_FUZZ_SECONDS:-10}
    for target in build/fuzz/fuzz/*; do
        if [[ -f $target && -x $target ]]; then
            name=$(basename "$target")
            step "fuzz: $name ($fuzz_seconds s)"
            # New finds go to a scratch folder; the committed corpus is only read; a crashing input
            # is kept under build/fuzz/artifacts/.
            found=$(mktemp -d)
            seeds=()
            [[ -d fuzz/corpus/$name ]] && seeds=("fuzz/corpus/$name")
            mkdir -p build/fuzz/artifacts
            "$target" -max_total_time="$fuzz_seconds" -timeout=10 -print_final_stats=0 \
                -artifact_prefix=build/fuzz/artifacts/ "$found" "${seeds[@]}" 2>&1 |
                tail -n 3
            rm -rf "$found"
        fi
    done
fi

step "all tests passed"
