#!/usr/bin/env bash
# The Wine environment for tests of the Windows build: a fresh prefix on a private Xvfb
# display, with the fonts the dialogs need, unmanaged windows (no window manager here) and a
# helper that maps a COM port to a device such as the simulator's pseudo-terminal.
#
# Executed:
#   wine_env.sh check               exit 0 when Wine can run the Windows build here (32-bit, or
#                                   the win64 build where only the 64-bit loader works); 77 and
#                                   the reason when it cannot (tests then report "skipped")
#   wine_env.sh arch                prints win32 or win64: which build the Wine layer runs
#   wine_env.sh run <exe> [args]    fresh prefix + display, runs the program under Wine from its
#                                   own directory, cleans up; exits with the program's status (77
#                                   when the program is not built or Wine is unusable)
# Sourced (". wine_env.sh"), for scripts that need more steps between start and stop:
#   dv_wine_check, dv_wine_exe <exe>, dv_wine_start, dv_wine_map_com <n> <device>, dv_wine_run <exe> [args],
#   dv_wine_stop
#
# Environment: DEVVORIN_WINE_KEEP=1 keeps the prefix for a look afterwards;
# DEVVORIN_WINE_TIMEOUT bounds one program run in seconds (default 300); DEVVORIN_WINE_ARCH=win64
# forces the 64-bit loader and the win64 build (DEVVORIN_WIN64_DIR, default build/win64).

dv_wine_check() {
    local tool
    for tool in wine wineserver Xvfb timeout; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "Wine tests skipped: $tool is not installed (run scripts/setup.sh as root)"
            return 77
        fi
    done
    # The product is the 32-bit DLL. A machine whose kernel runs no 32-bit programs cannot start
    # Wine's 32-bit loader; there the same sources built by the win64 preset exercise the Win32
    # code paths under the 64-bit loader instead.
    if [[ ${DEVVORIN_WINE_ARCH:-} != win64 ]] && [[ -x /usr/lib/wine/wine ]] &&
        /usr/lib/wine/wine --version >/dev/null 2>&1; then
        DV_WINE=/usr/lib/wine/wine
        DV_WINE_ARCH=win32
    elif [[ -x /usr/lib/wine/wine64 ]] && /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
        DV_WINE=/usr/lib/wine/wine64
        DV_WINE_ARCH=win64
    elif wine --version >/dev/null 2>&1; then
        DV_WINE=wine
        DV_WINE_ARCH=win32
    else
        echo "Wine tests skipped: Wine is installed but cannot start a loader here" \
             "($(wine --version 2>&1 | tail -n 1))"
        return 77
    fi
    export DV_WINE DV_WINE_ARCH
    return 0
}

# The program to run for a path in the win32 build: the same program of the win64 build when
# only the 64-bit loader works here (DEVVORIN_WIN64_DIR, default the win64 build beside win32).
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

_dv_free_display() {
    local n
    for n in $(seq 91 140); do
        if [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

dv_wine_start() {
    DV_WINE_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/devvorin-wine.XXXXXX")
    export WINEPREFIX=$DV_WINE_ROOT/prefix
    export WINEARCH=${DV_WINE_ARCH:-win32}
    export WINELOADER=${DV_WINE:-wine}
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    DV_WINE_LINKS=$DV_WINE_ROOT/links
    mkdir -p "$DV_WINE_LINKS"

    local display
    display=$(_dv_free_display) || { echo "no free X display number"; return 1; }
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -br >/dev/null 2>&1 &
    DV_XVFB_PID=$!
    export DISPLAY=":$display"
    local waited=0
    while [[ ! -e /tmp/.X11-unix/X$display ]]; do
        if ! kill -0 "$DV_XVFB_PID" 2>/dev/null || (( waited >= 100 )); then
            echo "Xvfb did not start on :$display"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done

    if ! timeout 180 "${DV_WINE:-wine}" wineboot -i >/dev/null 2>&1; then
        echo "wineboot failed to create the prefix $WINEPREFIX"
        return 1
    fi
    # Without a window manager every modal close would cost about two seconds.
    "${DV_WINE:-wine}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # Wine does not pick up the packaged fonts by itself.
    local font
    for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
        if [[ -f /usr/share/wine/fonts/$font ]]; then
            cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
        fi
    done
    return 0
}

# Maps COM<n> to a device. The wineserver reads port mappings when it starts, so the first
# mapping of a port restarts it; later calls only re-point the stable link (the pseudo-terminal
# changes with every simulator run).
dv_wine_map_com() {
    local port=${1:?port number} device=${2:?device path}
    local link=$DV_WINE_LINKS/com$port
    ln -sfn "$device" "$link"
    if [[ ! -e $DV_WINE_LINKS/.mapped$port ]]; then
        "${DV_WINE:-wine}" reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /t REG_SZ /d "$link" /f \
            >/dev/null 2>&1 || return 1
        wineserver -k >/dev/null 2>&1 || true
        touch "$DV_WINE_LINKS/.mapped$port"
    fi
}

dv_wine_run() {
    local exe=${1:?program}
    shift
    timeout "${DEVVORIN_WINE_TIMEOUT:-300}" "${DV_WINE:-wine}" "$exe" "$@"
}

dv_wine_stop() {
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

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    set -uo pipefail
    case ${1:-} in
        check)
            dv_wine_check
            exit $?
            ;;
        arch)
            dv_wine_check >/dev/null || exit $?
            echo "$DV_WINE_ARCH"
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
            echo "Wine: $DV_WINE_ARCH loader, $exe"
            trap dv_wine_stop EXIT
            dv_wine_start || exit 1
            shift
            # Programs find DevVorin.dll beside them; run from there as the host would.
            cd "$(dirname "$exe")" || exit 1
            dv_wine_run "./$(basename "$exe")" "$@"
            exit $?
            ;;
        *)
            echo "usage: wine_env.sh check | arch | run <exe> [args]" >&2
            exit 2
            ;;
    esac
fi
