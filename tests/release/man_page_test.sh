#!/usr/bin/env bash
# A tool's manual page against the tool: every option that its --help lists (the host's run
# options included) is described in the page's OPTIONS, every option described there is one the
# tool has, and the page renders without a warning.
#
# Usage: man_page_test.sh <page> <tool> [<help arguments>...]...
#   each help-argument set is separated by "::" (e.g. vantor-host --help :: run --help)
set -uo pipefail

page=${1:?usage: man_page_test.sh <page> <tool> [help arguments...]}
tool=${2:?usage: man_page_test.sh <page> <tool> [help arguments...]}
shift 2
[[ $# -gt 0 ]] || set -- --help

failures=0
fail() {
    echo "FAILED $*"
    failures=$((failures + 1))
}

# Options of the help texts: words that begin with - or -- at the start of a word.
help=""
args=()
for arg in "$@" ::; do
    if [[ $arg == :: ]]; then
        help+=$("$tool" "${args[@]}" 2>&1)$'\n' || fail "$tool ${args[*]} exits with a failure"
        args=()
    else
        args+=("$arg")
    fi
done
mapfile -t listed < <(grep -oE '(^|[][ ,|])--?[A-Za-z][A-Za-z0-9-]*' <<<"$help" |
    sed 's/^[][ ,|]//' | sort -u)
[[ ${#listed[@]} -gt 0 ]] || fail "no option found in the help of $tool"

# Options that the page describes: the tags of the items under OPTIONS (and its subsections).
text=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$page")
mapfile -t described < <(awk '
    /^\.SH / { inside = ($0 ~ /^\.SH "?OPTIONS"?$/) }
    inside && previous ~ /^\.TP/ { print }
    { previous = $0 }' <<<"$text" | grep -oE '(^|[ ,"])--?[A-Za-z][A-Za-z0-9-]*' |
    sed 's/^[ ,"]//' | sort -u)

for option in "${listed[@]}"; do
    printf '%s\n' "${described[@]}" | grep -qxF -- "$option" ||
        fail "$page: option $option of $tool's help is not described under OPTIONS"
done
for option in "${described[@]}"; do
    printf '%s\n' "${listed[@]}" | grep -qxF -- "$option" ||
        fail "$page: describes $option, which $tool's help does not list"
done

warnings=$(groff -man -ww -z "$page" 2>&1)
[[ -z $warnings ]] || fail "$page: groff warns: $warnings"
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man -l --warnings "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "$page: man warns: $warnings"
fi

if [[ $failures -gt 0 ]]; then
    exit 1
fi
echo "ok     $page: ${#listed[@]} options of $tool described; renders without warnings"
