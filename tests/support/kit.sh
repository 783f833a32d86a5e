# SPDX-License-Identifier: MIT
# The shell test kit: assertions, waits with a deadline, the simulated module's wrappers,
# output capture, one coprocess harness for consoles and transcripts kept as files.
# Source it at the top of a test; call finish at the end.
#
# Transcripts: a test's expected screens are files in the transcripts/ folder beside it,
# NAME.out, with the input as NAME.in where it is fixed. Where a text is known only at run
# time, the file holds a placeholder {{NAME}}, given as NAME=VALUE to expect_transcript;
# every other byte is compared as it stands.
failures=0
checks=0
transcripts=$(dirname "$0")/transcripts
kit_out=/tmp/kit.out # standard output of the last run_on or of the coprocess
kit_err=/tmp/kit.err # its standard error

# The simulated module and its control program (sim/module ctl TOPIC ...).
module() { "$ORVO_SRC/sim/module" "$@"; }
ctl() { module ctl "$@"; }
# Whether the module runs on the emulated board, on its driver rather than the simulated
# kernel and the channel's interposer.
on_board() { [ -e /sys/kernel/debug/orvo_board/control ] && [ ! -e /sys/sim/control ]; }

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

# wait_for WHAT SECONDS CMD...: retries CMD every 50 ms until it succeeds; fails once the
# deadline has passed.
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

# run_on INPUT CMD...: runs CMD with the file INPUT as its whole standard input (a NAME of
# the transcripts folder stands for transcripts/NAME.in); output in $kit_out and $kit_err,
# its process id in $run_pid, its exit status in $status.
run_on() {
    local input=$1
    shift
    [ -f "$input" ] || input=$transcripts/$input.in
    "$@" <"$input" >"$kit_out" 2>"$kit_err" &
    run_pid=$!
    wait $run_pid
    status=$?
}

# run_on_text TEXT CMD...: the same with TEXT as the whole standard input.
run_on_text() {
    local text=$1
    shift
    printf '%s' "$text" >/tmp/kit.in
    run_on /tmp/kit.in "$@"
}

# The coprocess: a console started in the background, typed at through a fifo.
# co_start CMD...: starts it; its pid in $co_pid, its output in $kit_out and $kit_err.
co_start() {
    rm -f /tmp/kit.fifo
    mkfifo /tmp/kit.fifo
    exec 3<>/tmp/kit.fifo
    co_run /tmp/kit.fifo "$@"
}

# co_start_on INPUT CMD...: the same on a fixed input (a file, or NAME for
# transcripts/NAME.in), which it reads to its end.
co_start_on() {
    local input=$1
    shift
    [ -f "$input" ] || input=$transcripts/$input.in
    exec 3>/dev/null
    co_run "$input" "$@"
}

co_run() {
    local input=$1
    shift
    : >"$kit_out" # no waiting on an earlier run's lines
    "$@" <"$input" >"$kit_out" 2>"$kit_err" &
    co_pid=$!
}

# co_send LINE: a line on the console's input.
co_send() { printf '%s\n' "$1" >&3; }

# co_count TEXT: lines of its output holding TEXT (fixed text).
co_count() { grep -cF -- "$1" "$kit_out"; }

# co_shows TEXT [COUNT]: its output holds TEXT at least COUNT (1) times.
co_shows() { [ "$(co_count "$1")" -ge "${2:-1}" ]; }

# co_wait WHAT TEXT [COUNT] [SECONDS]: waits until the output holds TEXT COUNT times.
co_wait() { wait_for "$1" "${4:-5}" co_shows "$2" "${3:-1}"; }

# co_signal SIGNAL: sends the signal to the console.
co_signal() { kill -s "$1" "$co_pid"; }

# co_close: ends the console's input.
co_close() { exec 3>&-; }

# co_end [SECONDS]: waits (10 s) for the console to exit; its exit status in $status. A
# console still running then fails the test and is killed.
co_end() {
    local tries=$((${1:-10} * 20))
    while kill -0 "$co_pid" 2>/dev/null && [ $tries -gt 0 ]; do
        sleep 0.05
        tries=$((tries - 1))
    done
    if kill -0 "$co_pid" 2>/dev/null; then
        fail "the console did not end"
        kill -9 "$co_pid"
    fi
    wait "$co_pid"
    status=$?
    exec 3>&-
}

# expect_file WHAT EXPECTED ACTUAL [NAME=VALUE ...]: ACTUAL is the file EXPECTED byte for
# byte, once each {{NAME}} of EXPECTED is replaced by its VALUE; a diff on failure, with
# cat -A's marks (line ends as "$", CR as "^M", tabs as "^I").
expect_file() {
    local what=$1 expected=$2 actual=$3 pair name value
    shift 3
    checks=$((checks + 1))
    if [ ! -f "$expected" ]; then
        fail "$what (no file $expected)"
        return
    fi
    cp "$expected" /tmp/kit.expected
    for pair in "$@"; do
        name=${pair%%=*}
        value=$(printf '%s' "${pair#*=}" | sed 's/[\\|&]/\\&/g')
        sed -i "s|{{$name}}|$value|g" /tmp/kit.expected
    done
    if ! cmp -s /tmp/kit.expected "$actual"; then
        fail "$what ($expected)"
        diff -u -L expected -L actual /tmp/kit.expected "$actual" | cat -A | head -40 >&2
    fi
}

# expect_transcript WHAT NAME [NAME=VALUE ...]: the last run's or the coprocess's whole
# standard output is transcripts/NAME.out (see expect_file).
expect_transcript() {
    local what=$1 name=$2
    shift 2
    expect_file "$what" "$transcripts/$name.out" "$kit_out" "$@"
}

# expect_quiet WHAT: nothing on standard error and exit status 0.
expect_quiet() {
    expect_eq "$1: standard error" "" "$(cat "$kit_err")"
    expect_eq "$1: exit status" 0 "$status"
}

finish() {
    echo "$checks checks, $failures failed"
    [ $failures = 0 ]
}
