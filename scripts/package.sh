#!/usr/bin/env bash
# Packs built programs into the release's two artifacts, the same bytes from the same inputs:
#   devvorin-<version>-win32.zip   DevVorin.dll, vantor-host.exe, INSTALL.txt, SHA256SUMS
#   devvorin_<version>_<arch>.deb  vantor-host, vorin-sim, libDevVorin.so, the simulator's
#                                  profiles, the manual pages, a udev rule example
# and SHA256SUMS of both beside them. scripts/release.sh calls it on its release builds; the
# tests call it on the presets' builds.
#
#   scripts/package.sh --out DIR [--win32 BUILD_DIR] [--native BUILD_DIR] [--source DIR]
#
# The version is the source tree's VERSION. Every time stamp in the artifacts is
# SOURCE_DATE_EPOCH, by default the time of the source tree's last commit. DEVVORIN_COMMIT, when
# set, is named in the package's changelog.
set -euo pipefail

usage() {
    echo "usage: package.sh --out DIR [--win32 BUILD_DIR] [--native BUILD_DIR] [--source DIR]" >&2
    exit 2
}

source_dir=$(cd "$(dirname "$0")/.." && pwd)
out="" win32="" native=""
while [[ $# -gt 0 ]]; do
    [[ $# -ge 2 ]] || usage
    case $1 in
        --out) out=$2 ;;
        --win32) win32=$2 ;;
        --native) native=$2 ;;
        --source) source_dir=$2 ;;
        *) usage ;;
    esac
    shift 2
done
[[ -n $out && ( -n $win32 || -n $native ) ]] || usage

die() {
    echo "package: $*" >&2
    exit 1
}

version=$(head -n 1 "$source_dir/VERSION")
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
    SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null) ||
        die "SOURCE_DATE_EPOCH is not set and $source_dir is no git checkout to take it from"
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every file and folder under $1: one owner-free mode, the commit's time.
settle_tree() {
    find "$1" -type d -exec chmod 0755 {} +
    find "$1" -type f -exec chmod 0644 {} +
    find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

need() {
    [[ -f $1 ]] || die "$1 is missing (build it first)"
}

artifacts=()

if [[ -n $win32 ]]; then
    need "$win32/DevVorin.dll"
    need "$win32/vantor-host.exe"
    name=devvorin-$version-win32
    dir=$work/zip/$name
    mkdir -p "$dir"
    cp "$win32/DevVorin.dll" "$win32/vantor-host.exe" "$dir/"
    # Read on Windows: CRLF line ends.
    sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$source_dir/packaging/windows/INSTALL.txt" \
        >"$dir/INSTALL.txt"
    (cd "$dir" && sha256sum DevVorin.dll INSTALL.txt vantor-host.exe >SHA256SUMS)
    settle_tree "$work/zip"
    rm -f "$out/$name.zip"
    # -X: no owners or extra time fields; -D: no folder entries; members named in a fixed order.
    (cd "$work/zip" && zip -q -X -D -9 "$out/$name.zip" \
        "$name/DevVorin.dll" "$name/INSTALL.txt" "$name/SHA256SUMS" "$name/vantor-host.exe")
    artifacts+=("$name.zip")
fi

if [[ -n $native ]]; then
    need "$native/vantor-host"
    need "$native/libDevVorin.so"
    need "$native/tools/sim/vorin-sim"
    arch=$(dpkg --print-architecture)
    stage=$work/deb
    root=$stage/debian/devvorin
    doc=$root/usr/share/doc/devvorin
    mkdir -p "$root/DEBIAN" "$root/usr/bin" "$root/usr/lib/devvorin" \
        "$root/usr/share/devvorin/profiles" "$root/usr/share/man/man1" "$doc/examples"
    # Stripped as Debian's own packages are: no symbols, no compiler notes.
    strip --remove-section=.comment --remove-section=.note -o "$root/usr/bin/vantor-host" \
        "$native/vantor-host"
    strip --remove-section=.comment --remove-section=.note -o "$root/usr/bin/vorin-sim" \
        "$native/tools/sim/vorin-sim"
    strip --remove-section=.comment --remove-section=.note --strip-unneeded \
        -o "$root/usr/lib/devvorin/libDevVorin.so" "$native/libDevVorin.so"
    cp "$source_dir"/tools/sim/profiles/*.json "$root/usr/share/devvorin/profiles/"

    # The manual pages carry the release's version and the commit's date.
    date=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)
    for page in "$source_dir"/man/*.1; do
        sed -E "s/^\.TH ([^ ]+) 1 \"[^\"]*\" \"DevVorin\"/.TH \1 1 \"$date\" \"DevVorin $version\"/" \
            "$page" | gzip -9n >"$root/usr/share/man/man1/$(basename "$page").gz"
    done

    cp "$source_dir/packaging/debian/copyright" "$doc/copyright"
    cp "$source_dir/packaging/debian/60-devvorin.rules" "$doc/examples/"
    mkdir -p "$root/usr/share/lintian/overrides"
    cp "$source_dir/packaging/debian/lintian-overrides" "$root/usr/share/lintian/overrides/devvorin"
    maintainer=$(sed -n 's/^Maintainer: //p' "$source_dir/packaging/debian/control.in")
    {
        echo "devvorin ($version) unstable; urgency=medium"
        echo
        echo "  * Release $version of the DevVorin plug-in and its Linux tools${DEVVORIN_COMMIT:+,}"
        [[ -z ${DEVVORIN_COMMIT:-} ]] || echo "    built from commit $DEVVORIN_COMMIT."
        echo
        echo " -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
    } | gzip -9n >"$doc/changelog.gz"
    settle_tree "$root"
    chmod 0755 "$root/usr/bin/vantor-host" "$root/usr/bin/vorin-sim"

    # Dependencies from the libraries the programs link, as Debian's own packages get them.
    printf 'Source: devvorin\n\nPackage: devvorin\nArchitecture: any\n' >"$stage/debian/control"
    depends=$(cd "$stage" && dpkg-shlibdeps -O debian/devvorin/usr/bin/vantor-host \
        debian/devvorin/usr/bin/vorin-sim debian/devvorin/usr/lib/devvorin/libDevVorin.so |
        sed -n 's/^shlibs:Depends=//p')
    [[ -n $depends ]] || die "dpkg-shlibdeps found no dependencies"
    # Kibibytes of the files (apparent sizes, so the file system does not matter), one a folder.
    size=$(cd "$root" && find . -path ./DEBIAN -prune -o \( -type f -printf '%s\n' \) -o \
        \( -type d -printf '1024\n' \) | awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')
    sed -e "s/@VERSION@/$version/" -e "s/@ARCHITECTURE@/$arch/" -e "s/@INSTALLED_SIZE@/$size/" \
        -e "s/@DEPENDS@/$depends/" "$source_dir/packaging/debian/control.in" >"$root/DEBIAN/control"
    (cd "$root" && find . -path ./DEBIAN -prune -o -type f -printf '%P\n' | sort |
        xargs md5sum) >"$root/DEBIAN/md5sums"
    settle_tree "$root/DEBIAN"

    name=devvorin_${version}_$arch.deb
    rm -f "$out/$name"
    dpkg-deb --root-owner-group -Zxz --build "$root" "$out/$name" >/dev/null
    artifacts+=("$name")
fi

(cd "$out" && sha256sum "${artifacts[@]}" >SHA256SUMS && cat SHA256SUMS)
