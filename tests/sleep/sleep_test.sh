#!/bin/bash
# SPDX-License-Identifier: MIT
# Inside a simulated module on the emulated board, whose kernel really sleeps: automatic
# suspend switched on through the library puts the board to sleep, the paging alarm wakes
# it, and each sleep reaches a waiting application as a wake-up record that agrees with the
# kernel's count; a wake lock keeps it awake; an edge of the low-power-mode signal timed
# for when it sleeps wakes it and reaches the application's handler; switched off, it stays
# awake.
set -uo pipefail

# shellcheck source=tests/sleep/sleep_kit.sh
. "$ORVO_SRC/tests/sleep/sleep_kit.sh"

records() { grep -c '^wake-up: slept from' /tmp/waiter.out; }
sent() { ctl autosuspend show | grep -q "^suspend $1 $2 to"; }
data_channels() { ctl autosuspend state | sed -n 's/.* \([0-9]*\) data channels.*/\1/p'; }
# One sleep's length, by the paging alarm of 2 s on the RTC's whole seconds: more than a
# second, and on an emulated machine at most three more for the way in and out.
LEAST_MS=900
MOST_MS=5000

echo "--- switched on, nothing held: the board sleeps and the paging alarm wakes it"
orvo-sim-autosuspend-client wait 3 >/tmp/waiter.out &
waiter=$!
wait_for "the application waits" 5 at_least 1 data_channels
before=$(suspends)
expect_eq "switched on" "autosuspend 0" "$(orvo-sim-kesl-call autosuspend 1)"
wait_for "three wake-ups reached the application" 60 at_least 3 records
expect_ok "the application ends well" wait "$waiter"
expect_ok "the kernel counted each sleep" at_least $((before + 3)) suspends
while read -r _ _ _ start _ _ wakeup _; do
    expect_ok "record $start $wakeup is one the service sent" sent "$start" "$wakeup"
    slept=$((wakeup - start))
    [ $slept -ge $LEAST_MS ] && [ $slept -le $MOST_MS ] ||
        fail "slept $slept ms (paging alarm $PAGING_MS ms)"
done < <(grep '^wake-up' /tmp/waiter.out)

echo "--- a wake lock keeps it awake; released, it sleeps again"
slot=$(orvo-sim-kesl-call create sleep_test | sed -n 's/^create //p')
expect_eq "locked" "lock 0" "$(orvo-sim-kesl-call lock "$slot")"
sleep 1 # an attempt under way when the lock came ends first
expect_ok "no sleep for 5 s while the lock is held" no_sleep_for 5
expect_eq "unlocked" "unlock 0" "$(orvo-sim-kesl-call unlock "$slot")"
sleeps_again "sleeps again once released"

echo "--- switched off: no sleep after the attempt under way"
expect_eq "switched off" "autosuspend 0" "$(orvo-sim-kesl-call autosuspend 0)"
sleep 4
expect_ok "no sleep for 5 s once switched off" no_sleep_for 5
echo "--- an edge of the low-power-mode signal, timed for when the board sleeps, wakes it"
orvo-sim-kesl-call monitor 120 >/tmp/monitor.out &
monitor=$!
wait_for "the monitor started" 5 grep -q "monitor started" /tmp/monitor.out
ctl set paging_ms $SLOW_PAGING_MS
edge_ms=$(($(uptime_ms) + WAKE_IN_MS))
ctl kernel edge 1 $WAKE_IN_MS
ctl autosuspend clear
expect_eq "switched on" "autosuspend 0" "$(orvo-sim-kesl-call autosuspend 1)"
wait_for "the edge reached the application's handler" 90 grep -q '^edge 1' /tmp/monitor.out
ctl set paging_ms $PAGING_MS
expect_eq "switched off" "autosuspend 0" "$(orvo-sim-kesl-call autosuspend 0)"
expect_ok "a sleep ended by the edge" woken_at "$edge_ms"
kill "$monitor"
wait_for "the attempt under way ended" 30 awake

ctl autosuspend cycles

finish
