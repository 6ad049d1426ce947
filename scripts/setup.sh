#!/usr/bin/env bash
# Installs what building and testing DevVorin needs on Debian bookworm: compilers, the test
# libraries, the mingw-w64 cross compilers, Wine (32-bit, and 64-bit for machines whose kernel
# runs no 32-bit programs) and Xvfb. Run as root. Quick when everything is there already.
#
# The build and test packages are required. Wine is not: when it cannot be installed
# (a mirror that serves an i386 index out of step with its release file leaves the i386 libraries
# unresolvable), setup says so and the Wine cases report "skipped" with the reason.
set -euo pipefail

required=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    xvfb fonts-wine imagemagick python3
)
wine=(wine wine64 wine32:i386)

missing_of() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            printf '%s\n' "$package"
        fi
    done
}

mapfile -t missing < <(missing_of "${required[@]}")
mapfile -t missing_wine < <(missing_of "${wine[@]}")
if [[ ${#missing[@]} -eq 0 && ${#missing_wine[@]} -eq 0 ]]; then
    echo "setup: every package is installed"
else
    if [[ $(id -u) -ne 0 ]]; then
        echo "setup: missing packages: ${missing[*]} ${missing_wine[*]}" >&2
        echo "setup: run this script as root to install them" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    # 32-bit Wine needs the i386 architecture.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    # A list that fails to download (a mirror in mid-sync) leaves the others usable.
    apt-get update -q || echo "setup: some package lists could not be read; going on with the rest" >&2
    install=(apt-get install -y -q --no-install-recommends)
    if [[ ${#missing[@]} -gt 0 ]]; then
        echo "setup: installing ${missing[*]}"
        "${install[@]}" "${missing[@]}"
    fi
    if [[ ${#missing_wine[@]} -gt 0 ]]; then
        echo "setup: installing ${missing_wine[*]}"
        # Without the security suite's i386 list the amd64 and i386 halves of a library agree only
        # on the release's own versions: take those on the second try (the media library is the
        # one that Wine pulls in from both suites).
        if ! "${install[@]}" "${wine[@]}" &&
            ! "${install[@]}" --allow-downgrades -o APT::Default-Release=bookworm "${wine[@]}" \
                libgstreamer-plugins-base1.0-0:amd64/bookworm \
                libgstreamer-plugins-base1.0-0:i386/bookworm; then
            echo "setup: Wine could not be installed; the Wine cases will be skipped" >&2
        fi
    fi
fi

