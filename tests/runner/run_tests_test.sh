#!/bin/bash
# SPDX-License-Identifier: MIT
# The test command's scheduler: run-tests and tests/suite-lib.sh copied into a tree of their
# own, with made-up suites whose steps note when they start and end.
set -uo pipefail
SRC=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

mkdir -p "$work/setup" "$work/tests/suites.d" "$work/marks"
cp "$SRC/run-tests" "$work/"
cp "$SRC/tests/suite-lib.sh" "$work/tests/"
printf '#!/bin/bash\nexit 0\n' >"$work/setup/packages"
chmod +x "$work/setup/packages"

# suite FILE BODY: a suite; mark NAME notes a moment as a line "NAME SECONDS.NANOSECONDS".
suite() { printf 'mark() { echo "$1 $(date +%%s.%%N)" >>"%s/marks/log"; }\n%s\n' "$work" "$2" \
    >"$work/tests/suites.d/$1.sh"; }
suite 10-a 'suite_build() { mark a.build.start; sleep 1; mark a.build.end; }
suite_test() { mark a.test.start; sleep 4; echo "a: 1 of 1 tests passed" >>"$SUMMARY_FILE"; mark a.test.end; }'
suite 20-b 'SUITE_NEEDS=10-a
suite_build() { mark b.build.start; sleep 1; mark b.build.end; return 1; }
suite_test() { mark b.test.start; }'
suite 30-c 'SUITE_NEEDS=10-a
SUITE_AFTER=10-a
suite_build() { mark c.build.start; sleep 1; mark c.build.end; }
suite_test() { mark c.test.start; echo "c: 2 of 3 tests passed" >>"$SUMMARY_FILE"; return 1; }'
suite 40-d 'suite_test() { mark d.test.start; echo "d: 4 of 4 tests passed" >>"$SUMMARY_FILE"; }'

out=$("$work/run-tests" 2>&1)
status=$?
at() { awk -v m="$1" '$1 == m { print $2; exit }' "$work/marks/log"; }
before() { [ -n "$(at "$1")" ] && [ -n "$(at "$2")" ] && awk -v a="$(at "$1")" -v b="$(at "$2")" 'BEGIN { exit !(a < b) }'; }
check "a failing suite fails the run" [ $status != 0 ]
check "builds run one at a time, in name order" \
    bash -c "$(declare -f at before); work=$work; before a.build.end b.build.start && before b.build.end c.build.start"
check "a suite's tests run beside the next build" before a.test.start b.build.end
check "tests wait for the suites they come after" before a.test.end c.test.start
check "a suite without a build starts its tests at once" before d.test.start a.build.end
check "tests whose build failed do not run" [ -z "$(at b.test.start)" ]
check "the summary names the failed suites" grep -qx '=== suites failed: 20-b 30-c' <<<"$out"
check "the skipped tests count as failed" grep -q '^20-b: 0 of 1 tests passed (skipped: the build of 20-b failed)' <<<"$out"
check "the totals add up every suite" grep -qx 'run-tests: 7 passed, 2 failed' <<<"$out"
check "each step's output is printed whole" grep -q '^=== 10-a test (passed, [0-9]* s, cpu [0-9]* s)' <<<"$out"

: >"$work/marks/log"
out=$("$work/run-tests" 30-c 2>&1)
check "a chosen suite brings the suites it needs" grep -qx '=== suites failed: 30-c' <<<"$out"
check "and no others" [ -z "$(at b.build.start)$(at d.test.start)" ]
out=$("$work/run-tests" 99-none 2>&1)
check "an unknown suite is refused" [ $? = 2 ]

[ $failures = 0 ] && echo "run-tests scheduler: all checks passed"
exit $((failures != 0))
