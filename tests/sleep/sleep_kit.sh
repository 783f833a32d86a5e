# SPDX-License-Identifier: MIT
# shellcheck shell=bash disable=SC2034
# What the sleep tests share: inside a simulated module on the emulated board, the kernel's
# count of suspends and the autosuspend service's own record of each sleep.
# shellcheck source=tests/support/kit.sh
. "$ORVO_SRC/tests/support/kit.sh"

STATS=/sys/kernel/debug/suspend_stats
suspends() { awk '$1 == "success:" { print $2 }' $STATS; }
sleeps() { ctl autosuspend cycles | sed -n 's/^kernel: sleeps \([0-9]*\),.*/\1/p'; }
at_least() {
    local count=$1
    shift
    [ "$("$@")" -ge "$count" ]
}
kernel_sleeps() { ctl autosuspend cycles | grep -q '^kernel:'; }
awake() { ctl autosuspend state | grep -q ', awake,'; }
# no_sleep_for SECONDS: the kernel does not suspend for that long.
no_sleep_for() {
    local before
    before=$(suspends)
    sleep "$1"
    [ "$(suspends)" = "$before" ]
}
# sleeps_again WHAT: waits for a sleep that begins from now on.
sleeps_again() { wait_for "$1" 30 at_least $(($(sleeps) + 1)) sleeps; }
uptime_ms() { awk '{ printf "%d\n", $1 * 1000 }' /proc/uptime; }
# woken_at MS: a sleep of the service's (CLOCK_BOOTTIME, as /proc/uptime) ended within
# three seconds after MS, and began before it.
woken_at() {
    ctl autosuspend show | awk -v at="$1" '$1 == "suspend" && $2 < at && $3 >= at - 100 &&
        $3 <= at + 3000 { found = 1 } END { exit !found }'
}
# The test's own wake lock: a test that works while the board sleeps runs only in the short
# windows between sleeps, so it holds one while it works, as an application must.
work() { echo sleep_test >/sys/power/wake_lock; }
rest() { echo sleep_test >/sys/power/wake_unlock; }
# alarm_due: when (boot time, ms) an armed alarm-clock timer of the module fires, from the
# kernel's view of the timer; nothing when none is armed.
alarm_due() {
    local info
    info=$(grep -l '^clockid: 9$' /proc/[0-9]*/fdinfo/* 2>/dev/null | head -1)
    [ -n "$info" ] || return 1
    sed -n 's/^it_value: (\([0-9]*\), \([0-9]*\))$/\1 \2/p' "$info" |
        awk -v now="$(uptime_ms)" '$1 + $2 > 0 { printf "%d\n", now + $1 * 1000 + $2 / 1000000; found = 1 }
            END { exit !found }'
}
armed() { alarm_due >/dev/null; }
# timed WHAT TOPIC...: under the test's lock, `ctl after WAKE_IN_MS TOPIC...` in the
# background (its pid in $timed, its output in /tmp/timed.out) and, once its alarm is
# armed, the time it fires in $due_ms; then the test rests, so the board sleeps until then.
timed() {
    local what=$1
    shift
    work
    ctl after $WAKE_IN_MS "$@" >/tmp/timed.out 2>&1 &
    timed=$!
    wait_for "$what: the alarm is armed" 10 armed
    due_ms=$(alarm_due)
    rest
}

# Paging every 2 s while a proof watches sleeps come and go; every 20 s while it waits for
# something else to wake the board (a sleep that ends at that thing's time was ended by it).
PAGING_MS=2000
SLOW_PAGING_MS=20000
# A time from now for something to wake the board: beyond the 2 s within which the alarm
# clock refuses a suspend.
WAKE_IN_MS=8000

expect_ok "the kernel itself sleeps here" kernel_sleeps
ctl set paging_ms $PAGING_MS
