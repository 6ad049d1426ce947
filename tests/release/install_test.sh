#!/usr/bin/env bash
# The Debian package as a user meets it: unpacked into a scratch root, its files are those its
# md5sums name, its tools tell the package's version, the installed vantor-host finds the
# installed plug-in by itself (through PATH), its smoke check passes, "Verify GPS software
# version" runs against the installed vorin-sim, and the manual pages render with the version.
#
# Usage: install_test.sh <devvorin_*.deb>
set -uo pipefail

deb=${1:?usage: install_test.sh <devvorin_*.deb>}
[[ -f $deb ]] || { echo "FAILED no package $deb"; exit 1; }

work=$(mktemp -d)
sim_pid=""
cleanup() {
    if [[ -n $sim_pid ]]; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

root=$work/root
dpkg-deb -x "$deb" "$root" && dpkg-deb -e "$deb" "$work/control" ||
    { echo "FAILED dpkg-deb cannot unpack $deb"; exit 1; }
version=$(sed -n 's/^Version: //p' "$work/control/control")

check "every file matches the package's md5sums" \
    bash -c "cd '$root' && md5sum --quiet -c '$work/control/md5sums'"
check "the package holds exactly the files its md5sums name" \
    test "$(cd "$root" && find . -type f -printf '%P\n' | sort)" == \
    "$(sed 's/^[0-9a-f]*  //' "$work/control/md5sums" | sort)"

export PATH=$root/usr/bin:$PATH
check "vantor-host --version tells the package's version $version" \
    test "$(vantor-host --version)" == "vantor-host (DevVorin) $version"
check "vorin-sim --version tells the package's version $version" \
    test "$(vorin-sim --version)" == "vorin-sim (DevVorin) $version"

vantor-host smoke >"$work/smoke.log" 2>&1
status=$?
check "the installed vantor-host, started through PATH, passes its smoke check" \
    test "$status" -eq 0
check "the installed plug-in answers GetVersionInfo with $version" \
    grep -qF "GetVersionInfo gives \"$version\"" "$work/smoke.log"
[[ $status -eq 0 ]] || cat "$work/smoke.log"

# A demonstration run from the installed files, at a tenth of the receiver's waits.
export DEVVORIN_TIME_SCALE=0.1
link=$work/vorin-port
vorin-sim --profile "$root/usr/share/devvorin/profiles/no-radio.json" --link "$link" \
    >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    [[ -e $link ]] && break
    sleep 0.05
done
vantor-host run 0 --port 1 --device "$link" >"$work/run.log" 2>&1
status=$?
check "\"Verify GPS software version\" against the installed simulator completes" \
    test "$status" -eq 0
check "the run shows the version dialog and its success" \
    grep -qF "The version was retrieved successfully." "$work/run.log"
[[ $status -eq 0 ]] || cat "$work/sim.log" "$work/run.log"

for page in vantor-host vorin-sim; do
    file=$root/usr/share/man/man1/$page.1.gz
    check "man $page renders without warnings" \
        test -z "$(MANWIDTH=80 man -l --warnings "$file" 2>&1 >/dev/null)"
    check "man $page names the version $version in its footer" \
        bash -c "MANWIDTH=80 man -l '$file' 2>/dev/null | tail -n 1 | grep -qF 'DevVorin $version'"
done

if [[ $failures -gt 0 ]]; then
    echo "install test: $failures failures"
    exit 1
fi
echo "install test: $deb installs and runs"
