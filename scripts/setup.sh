#!/usr/bin/env bash
# Installs what building and testing DevVorin needs on Debian bookworm: compilers, the test
# libraries, the mingw-w64 cross compilers, Wine (32-bit, and 64-bit for machines whose kernel
# runs no 32-bit programs) and Xvfb. Run as root. Quick when
# everything is there already.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    wine wine32:i386 wine64 xvfb fonts-wine imagemagick python3
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [[ ${#missing[@]} -eq 0 ]]; then
    echo "setup: every package is installed"
    exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "setup: missing packages: ${missing[*]}" >&2
    echo "setup: run this script as root to install them" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# 32-bit Wine needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}"
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
