#!/usr/bin/env bash
# Checks DevVorin.dll with the cross toolchain's objdump: exactly the eleven host functions are
# exported, by their plain names (no name@N twins), and only system DLLs are imported.
# Usage: check_dll_exports.sh <DevVorin.dll>; exit 0 good, 1 failed, 77 nothing to check.
set -euo pipefail

dll=${1:?usage: check_dll_exports.sh <DevVorin.dll>}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
if ! command -v "$objdump" >/dev/null 2>&1; then
    echo "SKIPPED: $objdump is not installed (package binutils-mingw-w64-i686)"
    exit 77
fi
if [[ ! -f $dll ]]; then
    echo "SKIPPED: $dll does not exist; build the win32 preset first"
    exit 77
fi

dump=$("$objdump" -p "$dll")
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next}
               on && /^\t\[/ {print $3; next}
               on {on=0}' <<<"$dump" | sort)
expected=$(printf '%s\n' DoOperation GetBitmapID GetDescription GetNumberOfPages \
    GetNumberOperations GetOperation GetPage GetText GetVersionInfo PreInitialize \
    SetControlAltState | sort)

status=0
if [[ $exports == "$expected" ]]; then
    echo "ok     exports: $(tr '\n' ' ' <<<"$exports")"
else
    echo "FAILED exports differ from the eleven host functions:"
    diff <(echo "$expected") <(echo "$exports") || true
    status=1
fi

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|VERSION|OLE32|OLEAUT32|MSVCRT|SETUPAPI|CFGMGR32|COMCTL32|SHELL32)\.DLL$'
while read -r dll_name; do
    [[ -z $dll_name ]] && continue
    if [[ ${dll_name^^} =~ $allowed ]]; then
        echo "ok     imports $dll_name"
    else
        echo "FAILED imports $dll_name, which is not a system DLL"
        status=1
    fi
done < <(awk '/DLL Name:/ {print $3}' <<<"$dump")
exit $status
