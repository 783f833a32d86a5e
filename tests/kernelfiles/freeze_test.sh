#!/bin/bash
# SPDX-License-Identifier: MIT
# On the emulated board: the kernel suspends with the module's waits in place (the
# low-power-mode monitor blocked in the driver's xp2xp_state, paramlinkd in select on the
# driver's rpmsg channel, the platform's simulated services started at boot): every task
# freezes (failed_freeze stays 0) and is back afterwards. An edge raised at a time by the driver's alarm wakes the sleeping board,
# and the monitor reports it.
set -uo pipefail

# shellcheck source=tests/support/kit.sh
. "$(dirname "$0")/../support/kit.sh"

STATS=/sys/kernel/debug/suspend_stats
CONTROL=/sys/kernel/debug/orvo_board/control
stat() { awk -v key="$1:" '$1 == key { print $2 }' $STATS; }
uptime_s() { cut -d' ' -f1 /proc/uptime; }
# suspend: one suspend to idle; its exit status.
suspend() { echo freeze >/sys/power/state; }
alive() { kill -0 "$1" 2>/dev/null; }
shows() { grep -q "$1" "$out"; }

out=$(mktemp)
orvo-sim-kesl-call monitor 60 >"$out" &
monitor=$!
wait_for "the monitor started" 5 shows "monitor started"
sleep 0.5 # into its read
tasks="$monitor $(pidof paramlinkd orvo-sim-modemcore orvo-sim-nvservice)"
expect_eq "the boot's services run" 4 "$(wc -w <<<"$tasks")"

echo "--- a suspend with the monitor waiting, woken by the clock's alarm"
success=$(stat success)
failed_freeze=$(stat failed_freeze)
echo +2 >/sys/class/rtc/rtc0/wakealarm
expect_ok "the suspend succeeded" suspend
expect_eq "suspends counted" $((success + 1)) "$(stat success)"
expect_eq "no task refused to freeze" "$failed_freeze" "$(stat failed_freeze)"
for task in $tasks; do
    expect_ok "task $task is back" alive "$task"
done
expect_eq "no edge reported" 0 "$(grep -c '^edge' "$out")"

echo "--- an edge at a time wakes the board and reaches the monitor"
# The alarm clock refuses a suspend with an alarm due within 2 s: 4 s from now.
expect_ok "the timed edge taken" orvo-sim-kwrite $CONTROL "edge 1 4000"
before=$(uptime_s)
expect_ok "the suspend succeeded" suspend
slept=$(awk -v a="$before" -v b="$(uptime_s)" 'BEGIN { print (b - a >= 3) ? "yes" : "no" }')
expect_eq "the board slept until the edge" yes "$slept"
expect_eq "suspends counted" $((success + 2)) "$(stat success)"
wait_for "the monitor got the edge" 5 shows "^edge 1"
expect_eq "no task refused to freeze" "$failed_freeze" "$(stat failed_freeze)"

kill "$monitor" 2>/dev/null
wait "$monitor" 2>/dev/null
rm -f "$out"
finish
