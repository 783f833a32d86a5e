# Shared by the console tests: the expected screens and a runner.
. "$ORVO_SRC/tests/lib.sh"

menu='-i                  --kesl_lpm_init
-d                  --kesl_lpm_deinit
-q                  --quit
-e                  --kesl_autosuspend_enable
-cl [wakelock name] --kesl_wakelock_create 
-al [wakelock num]  --kesl_wakelock_lock 
-rl [wakelock num]  --kesl_wakelock_unlock 
-dl [wakelock num]  --kesl_wakelock_destroy
-ws [whitelist num] --kesl_whitelist_set
-wg                 --kesl_whitelist_get
-ccl                --check created locks
-cll                --check lockup locks
-cws                --check wakeup sources
'
prompt='Please input an cmd:'

# turn WORD [OUTPUT]: appends to $expected the screen of one command: the menu, the prompt,
# the command word and its output.
expected=
turn() {
    local screen
    printf -v screen '%s%scmd1:%s\n%s' "$menu" "$prompt" "$1" "${2:-}"
    expected+=$screen
}

# run_console INPUT: runs the console on INPUT; sets status and pid, output in /tmp/console.out.
run_console() {
    printf '%s' "$1" >/tmp/console.in
    orvo-kesl-autosuspend-demo </tmp/console.in >/tmp/console.out 2>/tmp/console.err &
    pid=$!
    wait $pid
    status=$?
}

# expect_transcript WHAT: the console's whole output is $expected, byte for byte; then
# $expected starts again empty.
expect_transcript() {
    checks=$((checks + 1))
    printf '%s' "$expected" >/tmp/console.expected
    expected=
    if ! cmp -s /tmp/console.expected /tmp/console.out; then
        fail "$1"
        diff /tmp/console.expected /tmp/console.out | cat -A | head -30 >&2
    fi
}
