# Small assertion helpers for the shell tests. Source it; call finish at the end.
failures=0
checks=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
    checks=$((checks + 1))
    if [ "$2" != "$3" ]; then
        fail "$1"
        printf '  expected: %q\n  actual:   %q\n' "$2" "$3" >&2
    fi
}

# expect_ok WHAT CMD...: the command succeeds
expect_ok() {
    local what=$1
    shift
    checks=$((checks + 1))
    "$@" || fail "$what (exit $?)"
}

# expect_fail WHAT CMD...: the command fails
expect_fail() {
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then fail "$what (succeeded)"; fi
}

# wait_for WHAT SECONDS CMD...: retries CMD every 50 ms until it succeeds
wait_for() {
    local what=$1 tries=$(($2 * 20))
    shift 2
    checks=$((checks + 1))
    while ! "$@" 2>/dev/null; do
        tries=$((tries - 1))
        if [ $tries -le 0 ]; then
            fail "$what (timed out)"
            return 1
        fi
        sleep 0.05
    done
}

finish() {
    echo "$checks checks, $failures failed"
    [ $failures = 0 ]
}
