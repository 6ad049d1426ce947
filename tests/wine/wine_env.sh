#!/usr/bin/env bash
# The Wine environment for tests of the Windows build: a prefix copied from a template that is
# booted once, a private Xvfb display, the fonts the dialogs need, unmanaged windows (no window
# manager here) and a helper that maps a COM port to a device such as the simulator's
# pseudo-terminal.
#
# Three ways to run the Windows build, chosen automatically (DEVVORIN_WINE_ARCH forces one):
#   win32      the i686 build under Wine's 32-bit loader, where the kernel runs 32-bit programs
#   i686-qemu  the i686 build under the same 32-bit loader, handed to qemu's i386 user-mode
#              emulator by a binfmt_misc rule that exists only inside a private user, mount, pid
#              and network namespace; the prefix is an ordinary 64-bit one. Chosen when the kernel
#              cannot execute the 32-bit loader. The whole calling script runs inside the
#              namespace: sourcing this file re-executes the script there, so source it first.
#   win64      the same sources built 64-bit, under the 64-bit loader; only when asked for
#
# Executed:
#   wine_env.sh check               exit 0 when Wine can run the Windows build here; 77 and the
#                                   reason when it cannot (tests then report "skipped")
#   wine_env.sh arch                prints win32, i686-qemu or win64: the way the Wine layer runs
#   wine_env.sh way                 the same for a reader: "native 32-bit", "i686 through qemu",
#                                   "win64", or "skipped: <reason>"
#   wine_env.sh run <exe> [args]    a prefix + display, runs the program under Wine from its own
#                                   directory, cleans up; exits with the program's status (77
#                                   when the program is not built or Wine is unusable)
# Sourced (". wine_env.sh"), for scripts that need more steps between start and stop:
#   dv_wine_check, dv_wine_exe <exe>, dv_wine_start, dv_wine_map_com <n> <device>,
#   dv_wine_run <exe> [args], dv_wine_stop; for the cases of vantor-host.exe against vorin-sim:
#   dv_wine_host_case, dv_wine_sim_start, dv_wine_sim_on_com5, dv_wine_sim_stop, and the checks
#   dv_run_host, and the checks of what the host reported: dv_report, dv_expect,
#   dv_expect_start, dv_check_json, dv_pictures
#
# Every program run by dv_wine_run prints its pointer size and PE machine on standard error (our
# Windows programs do so when DEVVORIN_WINE_IDENTITY is set); a run whose program is not the
# build the chosen way stands for fails.
#
# Environment: DEVVORIN_WINE_ARCH=win32|i686-qemu|win64 forces a way (win64 takes the win64
# build, DEVVORIN_WIN64_DIR, default build/win64); DEVVORIN_WINE_KEEP=1 keeps the prefix for a
# look afterwards; DEVVORIN_WINE_TIMEOUT bounds one program run in seconds (default 300);
# DEVVORIN_QEMU_I386 names the emulator (default where scripts/setup.sh installs it);
# DEVVORIN_WINE_CACHE holds the template prefixes (default a directory in TMPDIR).

DV_WINE_ENV=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")
DV_QEMU_I386=${DEVVORIN_QEMU_I386:-/usr/local/libexec/devvorin/qemu-i386}
DV_WINE32_LOADER=/usr/lib/wine/wine
DV_WINE64_LOADER=/usr/lib/wine/wine64
# Bump when the template's recipe changes, so cached templates are booted again.
DV_WINE_TEMPLATE_RECIPE=1

# Picks the way (DV_WINE_WAY) without trying the emulator; DV_WINE_SKIP tells why none fits.
_dv_choose_way() {
    local wanted=${DEVVORIN_WINE_ARCH:-}
    case $wanted in
        '' | win32 | i686-qemu | win64) ;;
        *)
            DV_WINE_SKIP="DEVVORIN_WINE_ARCH=$wanted is none of win32, i686-qemu, win64"
            return 1
            ;;
    esac
    if [[ ${DV_WINE_NS:-} == 1 ]]; then
        DV_WINE_WAY=i686-qemu
    elif [[ $wanted == win64 ]]; then
        DV_WINE_WAY=win64
    elif [[ $wanted != i686-qemu ]] && [[ -x $DV_WINE32_LOADER ]] &&
        "$DV_WINE32_LOADER" --version >/dev/null 2>&1; then
        DV_WINE_WAY=win32
    elif [[ $wanted == win32 ]]; then
        DV_WINE_SKIP="Wine's 32-bit loader does not start here ($("$DV_WINE32_LOADER" --version 2>&1 |
            tail -n 1 | sed 's/.*: //'))"
        return 1
    else
        DV_WINE_WAY=i686-qemu
    fi
    return 0
}

# A private user namespace (root inside) with its own mounts, processes and network: the binfmt
# rule and every Wine process stay inside and end with it.
DV_UNSHARE=(unshare --user --map-root-user --mount --propagation private --pid --fork --mount-proc
            --kill-child --net)

# Inside a fresh namespace: the emulator rule, and a private X socket directory (a display in
# another pid namespace would look stale to Xvfb's lock check and be taken over).
_dv_namespace_setup() {
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || return 1
    printf ':devvorin-i386:M::%s:%s:%s:OPF' "$magic" "$mask" "$DV_QEMU_I386" \
        >/proc/sys/fs/binfmt_misc/register || return 1
    mkdir -p /tmp/.X11-unix && mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
}

# Re-executes a script (with its arguments) inside a fresh namespace. Returns only when the
# namespace cannot be made, with DV_WINE_NS_ERROR set for dv_wine_check.
_dv_enter_namespace() {
    local problem
    if ! command -v unshare >/dev/null 2>&1; then
        DV_WINE_NS_ERROR="unshare is not installed (util-linux)"
        return 1
    fi
    if ! problem=$("${DV_UNSHARE[@]}" true 2>&1); then
        DV_WINE_NS_ERROR="private user namespaces are not available here ($problem)"
        return 1
    fi
    # Inside, everybody is root: name the template cache by the real user.
    export DEVVORIN_WINE_CACHE=${DEVVORIN_WINE_CACHE:-${TMPDIR:-/tmp}/devvorin-wine-$(id -u)}
    exec "${DV_UNSHARE[@]}" bash "$DV_WINE_ENV" __inside "$@"
}

# Empty output when the i686 way works here, else the reason it does not.
_dv_qemu_problem() {
    local out
    if [[ ! -x $DV_WINE32_LOADER ]]; then
        echo "Wine's 32-bit loader is not installed (wine32:i386; run scripts/setup.sh as root)"
    elif ! "$DV_WINE64_LOADER" --version >/dev/null 2>&1; then
        echo "Wine's 64-bit loader, which runs the prefix's own processes, does not start" \
             "(wine64; run scripts/setup.sh as root)"
    elif [[ ! -x $DV_QEMU_I386 ]]; then
        echo "qemu's i386 emulator is not installed at $DV_QEMU_I386 (run scripts/setup.sh as root)"
    elif [[ ${DV_WINE_NS:-} == 1 ]]; then
        if [[ -n ${DV_WINE_NS_ERROR:-} ]]; then
            echo "$DV_WINE_NS_ERROR"
        elif ! out=$("$DV_WINE32_LOADER" --version 2>&1); then
            echo "Wine's 32-bit loader does not start through $DV_QEMU_I386" \
                 "($(echo "${out:-no output}" | tail -n 1))"
        fi
    elif [[ -n ${DV_WINE_NS_ERROR:-} ]]; then
        echo "$DV_WINE_NS_ERROR"
    elif ! command -v unshare >/dev/null 2>&1; then
        echo "unshare is not installed (util-linux)"
    else
        # Outside the namespace: try it once.
        if ! out=$("${DV_UNSHARE[@]}" bash "$DV_WINE_ENV" __probe 2>&1); then
            echo "$out" | tail -n 1
        fi
    fi
}

dv_wine_check() {
    local tool
    for tool in wineserver Xvfb timeout; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "Wine tests skipped: $tool is not installed (run scripts/setup.sh as root)"
            return 77
        fi
    done
    if ! _dv_choose_way; then
        echo "Wine tests skipped: $DV_WINE_SKIP"
        return 77
    fi
    case $DV_WINE_WAY in
        win32)
            DV_WINE=$DV_WINE32_LOADER DV_WINE_TOOL=$DV_WINE32_LOADER
            DV_WINE_ARCH=win32 DV_WINE_PREFIX_ARCH=win32
            ;;
        win64)
            if ! "$DV_WINE64_LOADER" --version >/dev/null 2>&1; then
                echo "Wine tests skipped: Wine's 64-bit loader does not start here" \
                     "($("$DV_WINE64_LOADER" --version 2>&1 | tail -n 1))"
                return 77
            fi
            DV_WINE=$DV_WINE64_LOADER DV_WINE_TOOL=$DV_WINE64_LOADER
            DV_WINE_ARCH=win64 DV_WINE_PREFIX_ARCH=win64
            ;;
        i686-qemu)
            local problem
            problem=$(_dv_qemu_problem)
            if [[ -n $problem ]]; then
                echo "Wine tests skipped: $problem"
                return 77
            fi
            if [[ ${DV_WINE_NS:-} != 1 && ${1:-} != --outside ]]; then
                echo "Wine tests skipped: the i686 way runs the calling script inside its own" \
                     "namespace; source wine_env.sh from a script, before anything else"
                return 77
            fi
            # The 32-bit programs go through the emulator; the prefix's own processes and tools
            # (wineboot, reg, the server) are 64-bit and run natively.
            DV_WINE=$DV_WINE32_LOADER DV_WINE_TOOL=$DV_WINE64_LOADER
            DV_WINE_ARCH=win32 DV_WINE_PREFIX_ARCH=win64
            ;;
    esac
    export DV_WINE DV_WINE_TOOL DV_WINE_ARCH DV_WINE_PREFIX_ARCH DV_WINE_WAY
    return 0
}

# The program to run for a path in the win32 build: the same program of the win64 build on the
# win64 way (DEVVORIN_WIN64_DIR, default the win64 build beside win32).
# The start of every Wine case: Wine usable in the chosen way (dv_wine_check) and the case's
# program built for it, left in DV_WINE_PROGRAM. Returns 77 (skipped) with the reason otherwise.
dv_wine_case() {
    dv_wine_check || return $?
    DV_WINE_PROGRAM=$(dv_wine_exe "${1:?program}")
    if [[ ! -f $DV_WINE_PROGRAM ]]; then
        echo "Wine test skipped: $DV_WINE_PROGRAM does not exist; build the $DV_WINE_ARCH preset first"
        return 77
    fi
}

# The start of a case of vantor-host.exe ($1) against vorin-sim ($3, further arguments passed
# on): dv_wine_case, a fresh folder DV_SHOTS for the host's pictures
# (<build>/wine-screenshots/$2), the prefix and display (stopped on exit), the simulator on COM5
# when one is named, and the program's folder as the working directory. Returns 77 (skipped) or
# 1 with the reason.
dv_wine_host_case() {
    local exe=${1:?vantor-host.exe} shots=${2:?screenshot folder}
    shift 2
    [[ $exe == /* ]] || exe=$PWD/$exe
    dv_wine_case "$exe" || return $?
    DV_SHOTS=$(dirname "$DV_WINE_PROGRAM")/wine-screenshots/$shots
    rm -rf "$DV_SHOTS"
    mkdir -p "$DV_SHOTS"
    trap dv_wine_stop EXIT
    dv_wine_start || return 1
    if [[ $# -gt 0 ]]; then
        dv_wine_sim_on_com5 "$@" || return 1
    fi
    cd "$(dirname "$DV_WINE_PROGRAM")" || return 1
}

# Runs the case's vantor-host.exe with the arguments and its test mode (pictures in DV_SHOTS) at
# a tenth of the fixed waits, and takes its report (dv_report) from $DV_WINE_ROOT/host.log; with
# --json among the arguments, standard output goes to DV_JSON ($DV_WINE_ROOT/host.json) instead.
# An exit status other than $1 fails the case.
dv_run_host() {
    local want=$1 out=$DV_WINE_ROOT/host.log status
    shift
    DV_JSON=$DV_WINE_ROOT/host.json
    set -- "./$(basename "$DV_WINE_PROGRAM")" "$@" --test-mode "Z:${DV_SHOTS//\//\\}"
    if [[ " $* " == *" --json "* ]]; then
        DEVVORIN_TIME_SCALE=0.1 dv_wine_run "$@" >"$DV_JSON" 2>"$out"
    else
        DEVVORIN_TIME_SCALE=0.1 dv_wine_run "$@" >"$out" 2>&1
    fi
    status=$?
    dv_report "$out"
    [[ $status -eq $want ]] || { echo "vantor-host exited with $status, expected $want"; failed=1; }
}

# The host's report ($1) without carriage returns, in DV_REPORT ($1.txt), and printed. The
# checks below read it and set the calling case's `failed` to 1 when they find it wanting.
dv_report() {
    DV_REPORT=$1.txt
    tr -d '\r' <"$1" >"$DV_REPORT"
    cat "$DV_REPORT"
}

# A line exactly as given.
dv_expect() {
    if ! grep -qxF -- "$1" "$DV_REPORT"; then
        echo "MISSING: $1"
        failed=1
    fi
}

# A line that starts with the text (backslash escapes such as \t are read).
dv_expect_start() {
    if ! awk -v p="$1" 'index($0, p) == 1 { found = 1 } END { exit !found }' "$DV_REPORT"; then
        echo "MISSING (start): $1"
        failed=1
    fi
}

# Checks the host's --json document ($1) with the Python read from standard input, which finds
# the document in `doc` and adds what is wrong to `problems` (check(what, got, want) helps).
dv_check_json() {
    local checks
    checks=$(cat)
    if ! python3 - "$1" <<PY; then
import json, sys
text = open(sys.argv[1], encoding="utf-8", errors="replace").read().replace("\r", "")
# The Wine layer's runner notes the program's architecture on the same stream before it.
doc = json.loads(text[text.find("\n{") + 1 if not text.startswith("{") else 0:])
problems = []
def check(what, got, want):
    if got != want:
        problems.append(f"{what}: {got!r}, expected {want!r}")
$checks
for p in problems:
    print("JSON:", p)
sys.exit(1 if problems else 0)
PY
        echo "--- the --json document:"
        cat "$1"
        failed=1
    fi
}

# Turns the pictures the host saved in DV_SHOTS into PNG files; fails the case without one, or
# without one of each caption named (dialog-<caption>-*.png).
# shellcheck disable=SC2034  # failed is the calling case's
dv_pictures() {
    local bmp caption
    for bmp in "$DV_SHOTS"/*.bmp; do
        if [[ -e $bmp ]] && /usr/bin/convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; then
            rm -f "$bmp"
            echo "screenshot: ${bmp%.bmp}.png"
        fi
    done
    compgen -G "$DV_SHOTS/*.png" >/dev/null || { echo "no dialog screenshot was saved as PNG"; failed=1; }
    for caption in "$@"; do
        compgen -G "$DV_SHOTS/dialog-$caption-*.png" >/dev/null ||
            { echo "no PNG screenshot of $caption"; failed=1; }
    done
}

dv_wine_exe() {
    local exe=${1:?program}
    if [[ ${DV_WINE_ARCH:-win32} == win64 ]]; then
        local dir
        dir=$(cd "$(dirname "$exe")" 2>/dev/null && pwd) || dir=$(dirname "$exe")
        local win64_dir=${DEVVORIN_WIN64_DIR:-$(dirname "$dir")/win64}
        exe=$win64_dir/$(basename "$exe")
    fi
    echo "$exe"
}

# Boots the way's template prefix unless a current one exists, then copies it to WINEPREFIX.
# One lock per template: the first case of a run boots it, the others wait and copy.
_dv_prefix_from_template() {
    local cache=${DEVVORIN_WINE_CACHE:-${TMPDIR:-/tmp}/devvorin-wine-$(id -u)}
    local base=$cache/$DV_WINE_WAY
    local key
    key="$DV_WINE_WAY $("$DV_WINE_TOOL" --version 2>&1) recipe $DV_WINE_TEMPLATE_RECIPE"
    mkdir -p "$cache" || return 1
    (
        flock 8 || exit 1
        if [[ ! -d $base/prefix || $(cat "$base/key" 2>/dev/null) != "$key" ]]; then
            rm -rf "$base"
            mkdir -p "$base" || exit 1
            local started=$SECONDS
            export WINEPREFIX=$base/prefix.new  # this subshell only
            if ! timeout 300 "$DV_WINE_TOOL" wineboot -i >"$base/boot.log" 2>&1; then
                echo "wineboot failed to create the template prefix $WINEPREFIX:"
                tail -n 5 "$base/boot.log"
                exit 1
            fi
            # Without a window manager every modal close would cost about two seconds.
            "$DV_WINE_TOOL" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
                >/dev/null 2>&1
            # Wine does not pick up the packaged fonts by itself.
            local font
            for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
                if [[ -f /usr/share/wine/fonts/$font ]]; then
                    cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
                fi
            done
            # The registry reaches the disk when the session ends.
            wineserver -w >/dev/null 2>&1
            mv "$base/prefix.new" "$base/prefix" && echo "$key" >"$base/key" || exit 1
            echo "Wine: booted the $DV_WINE_WAY template prefix in $((SECONDS - started)) s"
        fi
        # Wine's own DLLs (1.2 of the 1.3 GB) are only read: the copy shares them.
        local windows=drive_c/windows
        mkdir -p "$1" &&
            tar -C "$base/prefix" --exclude="./$windows/system32" --exclude="./$windows/syswow64" \
                -cf - . | tar -C "$1" -xpf - &&
            for dir in system32 syswow64; do
                if [[ -d $base/prefix/$windows/$dir ]]; then
                    cp -al "$base/prefix/$windows/$dir" "$1/$windows/" || exit 1
                fi
            done
    ) 8>"$cache/$DV_WINE_WAY.lock"
}

dv_wine_start() {
    DV_WINE_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/devvorin-wine.XXXXXX")
    export WINEPREFIX=$DV_WINE_ROOT/prefix
    export WINEARCH=${DV_WINE_PREFIX_ARCH:-win32}
    export WINELOADER=${DV_WINE:-wine}
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    DV_WINE_LINKS=$DV_WINE_ROOT/links
    mkdir -p "$DV_WINE_LINKS"

    # Xvfb picks a free display itself; inside the namespace the X socket directory is private.
    local displayfile=$DV_WINE_ROOT/display args=()
    [[ ${DV_WINE_NS:-} == 1 ]] && args=(-nolock)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -br "${args[@]}" \
        3>"$displayfile" >/dev/null 2>&1 &
    DV_XVFB_PID=$!
    local waited=0
    while [[ ! -s $displayfile ]]; do
        if ! kill -0 "$DV_XVFB_PID" 2>/dev/null || ((waited >= 100)); then
            echo "Xvfb did not start"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    export DISPLAY=":$(tr -dc 0-9 <"$displayfile")"

    _dv_prefix_from_template "$WINEPREFIX" || return 1
    return 0
}

# Maps COM<n> to a device. The wineserver reads port mappings when it starts, so the first
# mapping of a port ends the session; later calls only re-point the stable link (the
# pseudo-terminal changes with every simulator run).
dv_wine_map_com() {
    local port=${1:?port number} device=${2:?device path}
    local link=$DV_WINE_LINKS/com$port
    ln -sfn "$device" "$link"
    if [[ ! -e $DV_WINE_LINKS/.mapped$port ]]; then
        "${DV_WINE_TOOL:-wine}" reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /t REG_SZ \
            /d "$link" /f >/dev/null 2>&1 || return 1
        wineserver -k >/dev/null 2>&1 || true
        touch "$DV_WINE_LINKS/.mapped$port"
    fi
}

# Checks the identity line the program printed against the build the way stands for.
_dv_check_identity() {
    local log=$1 expected line
    case ${DV_WINE_ARCH:-win32} in
        win64) expected='pointer size 8, PE machine 0x8664' ;;
        *) expected='pointer size 4, PE machine 0x14c' ;;
    esac
    line=$(tr -d '\r' <"$log" | grep -a -m 1 '^wine program: ')
    if [[ -z $line ]]; then
        echo "FAILED: the program did not print its pointer size and PE machine" >&2
        return 1
    fi
    if [[ ${line#wine program: } != "$expected" ]]; then
        echo "FAILED: the program ran with ${line#wine program: }; the ${DV_WINE_WAY:-win32}" \
             "way runs the ${DV_WINE_ARCH:-win32} build ($expected)" >&2
        return 1
    fi
}

# Runs a program under the way's loader; its output and then its error output are passed on when
# it ends (the servers that it starts inherit both and would keep a pipe open).
dv_wine_run() {
    local exe=${1:?program}
    shift
    local out err status
    out=$(mktemp "${DV_WINE_ROOT:-${TMPDIR:-/tmp}}/run.XXXXXX") || return 1
    err=$(mktemp "${DV_WINE_ROOT:-${TMPDIR:-/tmp}}/run.XXXXXX") || return 1
    DEVVORIN_WINE_IDENTITY=1 timeout "${DEVVORIN_WINE_TIMEOUT:-300}" "${DV_WINE:-wine}" "$exe" "$@" \
        >"$out" 2>"$err"
    status=$?
    cat "$out"
    cat "$err" >&2
    _dv_check_identity "$err" || status=1
    rm -f "$out" "$err"
    return $status
}

# Starts vorin-sim (the program $1; further arguments are passed on) on a fresh pseudo-terminal
# behind $DV_WINE_ROOT/sim-port at the simulation time scale 0.1, its output added to
# $DV_WINE_ROOT/sim.log (with --count, a rack: links sim-port1, sim-port2, ...). Call after
# dv_wine_start; dv_wine_sim_stop (or dv_wine_stop) ends it.
dv_wine_sim_start() {
    local sim=$1 link=$DV_WINE_ROOT/sim-port last arg previous=''
    shift
    rm -f "$link"
    # A rack (--count N) links sim-port1 .. sim-portN; it has started once the last is there.
    last=$link
    for arg in "$@"; do
        [[ $previous == --count ]] && last=$link$arg
        previous=$arg
    done
    DEVVORIN_TIME_SCALE=0.1 "$sim" --link "$link" "$@" >>"$DV_WINE_ROOT/sim.log" 2>&1 &
    DV_SIM_PID=$!
    for _ in $(seq 1 100); do
        [[ -e $last ]] && return 0
        sleep 0.05
    done
    echo "vorin-sim did not start"
    cat "$DV_WINE_ROOT/sim.log"
    return 1
}

# The same, with COM5 mapped to the simulator's terminal. With --usb first, COM5 is mapped to
# the simulator's link itself, which Wine follows at each open of the port: a receiver on its USB
# port has a new terminal behind that link after every reboot.
dv_wine_sim_on_com5() {
    local pty
    if [[ ${1:-} == --usb ]]; then
        shift
        dv_wine_sim_start "$@" || return 1
        pty=$DV_WINE_ROOT/sim-port
    else
        dv_wine_sim_start "$@" || return 1
        pty=$(readlink -f "$DV_WINE_ROOT/sim-port")
    fi
    echo "COM5 -> $pty"
    dv_wine_map_com 5 "$pty" || { echo "mapping COM5 failed"; return 1; }
    # A server may be running already (a second simulator in the same case): that one will do.
    wineserver -p >/dev/null 2>&1 || true
}

dv_wine_sim_stop() {
    if [[ -n ${DV_SIM_PID:-} ]]; then
        kill "$DV_SIM_PID" 2>/dev/null || true
        wait "$DV_SIM_PID" 2>/dev/null || true
        DV_SIM_PID=
    fi
}

dv_wine_stop() {
    dv_wine_sim_stop
    if [[ -n ${WINEPREFIX:-} ]]; then
        # The server dumps its object table to its output stream when killed: discard it.
        wineserver -k >/dev/null 2>&1 || true
    fi
    if [[ -n ${DV_XVFB_PID:-} ]]; then
        kill "$DV_XVFB_PID" 2>/dev/null || true
        wait "$DV_XVFB_PID" 2>/dev/null || true
        DV_XVFB_PID=
    fi
    if [[ -n ${DV_WINE_ROOT:-} && ${DEVVORIN_WINE_KEEP:-0} != 1 ]]; then
        rm -rf "$DV_WINE_ROOT"
    elif [[ -n ${DV_WINE_ROOT:-} ]]; then
        echo "Wine prefix kept in $DV_WINE_ROOT"
    fi
}

_dv_way_text() {
    case $1 in
        win32) echo "native 32-bit" ;;
        i686-qemu) echo "i686 through qemu" ;;
        *) echo "$1" ;;
    esac
}

if [[ ${1:-} == __inside && ${BASH_SOURCE[0]} == "$0" ]]; then
    # The namespace's first process: set it up, then become the script that asked for it.
    shift
    export DV_WINE_NS=1
    if ! problem=$(_dv_namespace_setup 2>&1); then
        export DV_WINE_NS_ERROR="the private namespace could not be set up ($problem)"
    fi
    exec bash "$@"
elif [[ ${1:-} == __probe && ${BASH_SOURCE[0]} == "$0" ]]; then
    DV_WINE_NS=1
    if ! problem=$(_dv_namespace_setup 2>&1); then
        DV_WINE_NS_ERROR="the private namespace could not be set up ($problem)"
    fi
    problem=$(_dv_qemu_problem)
    echo "$problem"
    [[ -z $problem ]]
    exit $?
elif [[ ${DV_WINE_NS:-} != 1 && -f $0 ]] &&
    { [[ ${BASH_SOURCE[0]} != "$0" ]] || [[ ${1:-} == run ]]; } &&
    _dv_choose_way 2>/dev/null && [[ $DV_WINE_WAY == i686-qemu ]]; then
    # The i686 way: the calling script (or "run") continues inside its own namespace.
    _dv_enter_namespace "$0" "$@"
fi

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    set -uo pipefail
    case ${1:-} in
        check)
            dv_wine_check --outside
            exit $?
            ;;
        arch)
            dv_wine_check --outside >/dev/null || exit $?
            echo "$DV_WINE_WAY"
            exit 0
            ;;
        way)
            reason=$(dv_wine_check --outside && echo "$DV_WINE_WAY")
            if [[ $reason == *"Wine tests skipped: "* ]]; then
                echo "skipped: ${reason#*Wine tests skipped: }"
            else
                _dv_way_text "$reason"
            fi
            exit 0
            ;;
        run)
            shift
            exe=${1:?usage: wine_env.sh run <exe> [args]}
            dv_wine_check || exit $?
            exe=$(dv_wine_exe "$exe")
            if [[ ! -f $exe ]]; then
                echo "Wine test skipped: $exe does not exist; build the ${DV_WINE_ARCH} preset first"
                exit 77
            fi
            echo "Wine: $(_dv_way_text "$DV_WINE_WAY"), $exe"
            trap dv_wine_stop EXIT
            dv_wine_start || exit 1
            shift
            # Programs find DevVorin.dll beside them; run from there as the host would.
            cd "$(dirname "$exe")" || exit 1
            dv_wine_run "./$(basename "$exe")" "$@"
            exit $?
            ;;
        *)
            echo "usage: wine_env.sh check | arch | way | run <exe> [args]" >&2
            exit 2
            ;;
    esac
fi
