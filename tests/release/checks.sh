# Sourced by the release checks: check "<what>" <command...> runs the command and prints "ok" or
# "FAILED" with what it checks; failures counts the failed ones.
failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok     $what"
    else
        echo "FAILED $what"
        failures=$((failures + 1))
    fi
}
