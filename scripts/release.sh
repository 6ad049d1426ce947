#!/usr/bin/env bash
# Makes the release of the checked-out commit: the Windows zip and the Debian package of the
# Linux tools (scripts/package.sh says what each holds), and SHA256SUMS of both.
#
#   scripts/release.sh [--out DIR] [--work DIR]
#
# The commit's own files are built, not the working tree: it is exported to WORK/src and built
# there as a release (cmake/reproducible.cmake), the Windows side with the i686 cross compiler,
# the Linux side natively. Every time stamp is the commit's time (SOURCE_DATE_EPOCH), so the same
# commit gives the same bytes in any folder (scripts/release_check.sh shows it). Uncommitted
# changes are left out, with a warning.
#
# --out   where the artifacts go (default build/release)
# --work  the folder for the exported tree and the builds (default build/release-work; emptied)
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/release
work=$root/build/release-work
while [[ $# -gt 0 ]]; do
    case $1 in
        --out | --work)
            [[ $# -ge 2 ]] || { echo "release: $1 needs a folder" >&2; exit 2; }
            [[ $1 == --out ]] && out=$2 || work=$2
            shift 2
            ;;
        -h | --help)
            sed -n '2,14s/^# \{0,1\}//p' "$0"
            exit 0
            ;;
        *)
            echo "release: unknown argument $1 (see --help)" >&2
            exit 2
            ;;
    esac
done
jobs=${DEVVORIN_JOBS:-2}

git rev-parse --verify -q HEAD >/dev/null || { echo "release: $root is no git checkout" >&2; exit 1; }
if [[ -n $(git status --porcelain --untracked-files=no) ]]; then
    echo "release: uncommitted changes are not part of the release; building $(git rev-parse --short HEAD)" >&2
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
DEVVORIN_COMMIT=$(git rev-parse HEAD)
export SOURCE_DATE_EPOCH DEVVORIN_COMMIT TZ=UTC LC_ALL=C
umask 022

started=$SECONDS
step() { printf '\n=== [%d s] release: %s\n' "$((SECONDS - started))" "$*"; }

step "exporting $DEVVORIN_COMMIT to $work/src"
rm -rf "$work"
mkdir -p "$work/src" "$out"
work=$(cd "$work" && pwd)
out=$(cd "$out" && pwd)
git archive --format=tar HEAD | tar -x -C "$work/src"
src=$work/src

# configure_and_build <build dir> <targets...> -- <extra configure arguments...>
configure_and_build() {
    local dir=$1 targets=() configure=()
    shift
    while [[ $# -gt 0 && $1 != -- ]]; do targets+=("$1"); shift; done
    [[ $# -gt 0 ]] && shift
    configure=("$@")
    cmake -S "$src" -B "$dir" -G Ninja -DDEVVORIN_RELEASE=ON -DDEVVORIN_BUILD_TESTS=OFF \
        "${configure[@]}" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log" >&2; exit 1; }
    cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
}

step "building the Windows side (i686): DevVorin.dll, vantor-host.exe"
configure_and_build "$work/win32" DevVorin vantor-host -- \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release

step "building the Linux side: libDevVorin.so, vantor-host, vorin-sim"
configure_and_build "$work/native" DevVorin vantor-host vorin-sim -- \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo

step "packing into $out"
bash "$src/scripts/package.sh" --source "$src" --out "$out" --win32 "$work/win32" \
    --native "$work/native"

step "done: release $(head -n 1 "$src/VERSION") of commit $DEVVORIN_COMMIT in $out"
