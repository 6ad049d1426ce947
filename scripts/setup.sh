#!/usr/bin/env bash
# Installs what building and testing DevVorin needs on Debian bookworm: compilers, the test
# libraries, a German locale for the date tests, the mingw-w64 cross compilers, Wine (32-bit,
# and 64-bit for the prefix's own processes), Xvfb and, where the kernel runs no 32-bit
# programs, qemu's i386 user-mode emulator that the Wine layer hands Wine's 32-bit loader to,
# and the release's packaging tools (zip, dpkg-dev, man, lintian). Run as root. Quick when
# everything is there already.
#
# The build and test packages are required. Wine and the emulator are not: when they cannot be
# installed (a mirror that serves an i386 index out of step with its release file leaves the i386
# libraries unresolvable, say), setup says so and the Wine cases report "skipped" with the reason.
set -euo pipefail

required=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    xvfb fonts-wine imagemagick python3 locales
    dpkg-dev zip unzip man-db groff-base lintian
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

install_packages() {
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
}

# Prints the URI of the Debian archive that apt's source files name for the suite $1 (the first
# enabled "deb" entry; deb822 ".sources" files and one-line lists alike).
debian_mirror() {
    local suite=$1 file files=()
    shift
    for file in "$@"; do
        [[ -f $file ]] && files+=("$file")
    done
    [[ ${#files[@]} -gt 0 ]] || return 0
    awk -v want="$suite" '
        function take() {
            gsub(/[ \t]+/, " ", suites)
            if (!found && uri != "" && enabled != "no" && (" " types " ") ~ / deb / &&
                (" " suites " ") ~ (" " want " ")) {
                print uri
                found = 1
            }
            types = suites = uri = enabled = ""
        }
        FNR == 1 { take(); deb822 = FILENAME ~ /\.sources$/ }
        deb822 && /^[ \t]*$/ { take(); next }
        deb822 && /^[A-Za-z-]+:/ {
            key = tolower($1)
            sub(/:.*/, "", key)
            value = $0
            sub(/^[^:]*:[ \t]*/, "", value)
            if (key == "types") types = value
            else if (key == "uris") { split(value, uris, " "); uri = uris[1] }
            else if (key == "suites") suites = value
            else if (key == "enabled") enabled = tolower(value)
            next
        }
        !deb822 {
            line = $0
            sub(/#.*/, "", line)
            gsub(/\[[^]]*\]/, "", line)
            if (!found && split(line, field, " ") >= 3 && field[1] == "deb" && field[3] == want) {
                print field[2]
                found = 1
            }
        }
        END { take() }
    ' "${files[@]}"
}

# The static qemu-i386 from the newer Debian suite's qemu-user package (bookworm's own is about
# twenty times slower), fetched with a private apt state from the mirror apt already uses, so the
# machine's package sources stay as they are. Needed only where the kernel runs no 32-bit
# programs.
qemu_i386=/usr/local/libexec/devvorin/qemu-i386
qemu_suite=trixie

install_qemu_i386() {
    if [[ -x $qemu_i386 ]] && "$qemu_i386" --version >/dev/null 2>&1; then
        echo "setup: qemu's i386 emulator is installed"
        return 0
    fi
    if [[ $(dpkg --print-architecture) != amd64 || ! -x /usr/lib/wine/wine ]] ||
        /usr/lib/wine/wine --version >/dev/null 2>&1; then
        return 0  # no 32-bit Wine to hand over, or the kernel runs it itself
    fi
    if [[ $(id -u) -ne 0 ]]; then
        echo "setup: run this script as root to install qemu's i386 emulator; until then the" \
             "Wine cases will be skipped" >&2
        return 0
    fi
    local codename mirror
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    mirror=$(debian_mirror "$codename" /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        /etc/apt/sources.list.d/*.sources) || true
    if [[ -z $mirror ]]; then
        echo "setup: apt's sources name no Debian mirror for $codename; qemu's i386 emulator is" \
             "not installed and the Wine cases will be skipped" >&2
        return 0
    fi
    # The newer suite is signed with keys that only a current keyring holds.
    if [[ ! -e /usr/share/keyrings/debian-archive-$qemu_suite-stable.gpg ]]; then
        apt-get install -y -q --only-upgrade debian-archive-keyring >/dev/null 2>&1 || true
    fi
    echo "setup: fetching qemu's i386 emulator from $qemu_suite at $mirror"
    local work
    work=$(mktemp -d)
    mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $qemu_suite main" \
        >"$work/sources.list"
    local apt=(apt-get -q -o "Dir::Etc::SourceList=$work/sources.list"
               -o Dir::Etc::SourceParts=/dev/null -o Dir::Etc::Preferences=/dev/null
               -o Dir::Etc::PreferencesParts=/dev/null -o "Dir::State::Lists=$work/lists"
               -o "Dir::Cache=$work/cache" -o APT::Architectures::=amd64
               -o Acquire::Languages=none -o Acquire::Check-Valid-Until=false
               -o APT::Sandbox::User=root)
    if "${apt[@]}" update >"$work/apt.log" 2>&1 &&
        (cd "$work" && "${apt[@]}" download qemu-user) >>"$work/apt.log" 2>&1 &&
        dpkg-deb --fsys-tarfile "$work"/qemu-user_*.deb | tar -x -C "$work" ./usr/bin/qemu-i386 &&
        install -D -m 0755 "$work/usr/bin/qemu-i386" "$qemu_i386" &&
        "$qemu_i386" --version | head -n 1; then
        rm -rf "$work"
    else
        tail -n 5 "$work/apt.log" >&2
        rm -rf "$work"
        echo "setup: qemu's i386 emulator could not be installed; the Wine cases will be skipped" >&2
    fi
    return 0
}

# The error log shows its times in the user's locale; the tests read them in a German one.
test_locale=de_DE.UTF-8

generate_test_locale() {
    if locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'; then
        return 0
    fi
    if [[ $(id -u) -ne 0 ]]; then
        echo "setup: run this script as root to generate the $test_locale locale; until then" \
             "its test is skipped" >&2
        return 0
    fi
    echo "setup: generating the $test_locale locale"
    localedef -i de_DE -f UTF-8 "$test_locale"
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    install_packages
    generate_test_locale
    install_qemu_i386
fi
