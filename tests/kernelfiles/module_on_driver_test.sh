#!/bin/bash
# SPDX-License-Identifier: MIT
# Inside a simulated module on the emulated board: the module runs on the board's driver and
# the real kernel (no FUSE file system, paramlinkd on the driver's channel with no
# interposer, the driver's wake-lock files over the kernel's), the controls reach the
# driver, and the board suspends and resumes with the whole module running.
set -uo pipefail

# shellcheck source=tests/support/kit.sh
. "$ORVO_SRC/tests/support/kit.sh"

STATS=/sys/kernel/debug/suspend_stats
stat() { awk -v key="$1:" '$1 == key { print $2 }' $STATS; }
alive() { kill -0 "$1" 2>/dev/null; }
mounted_at() { awk -v at="$1" '$2 == at { found = 1 } END { exit !found }' /proc/mounts; }
shows() { grep -q "$1" "$out"; }
channel_shows() { ctl nv channel | grep -qx "$1"; }

echo "--- the module's files"
expect_ok "on the board" on_board
expect_eq "no FUSE file system" 0 "$(grep -c ' fuse' /proc/mounts)"
expect_ok "the driver's wake_lock over the kernel's" mounted_at /sys/power/wake_lock
expect_ok "the driver's wake_unlock over the kernel's" mounted_at /sys/power/wake_unlock

echo "--- paramlinkd on the driver's channel"
ctl nv start
daemon=$(pidof paramlinkd)
expect_eq "one paramlinkd in the module" 1 "$(wc -w <<<"$daemon")"
expect_fail "no interposer" grep -qz '^LD_PRELOAD=' "/proc/$daemon/environ"
expect_ok "the channel is the driver's device" \
    bash -c "ls -l /proc/$daemon/fd | grep -q '/dev/armps_rpmsgch8\$'"
expect_eq "an NV request answered" "result=1" "$(ctl nv get a.b | grep -o 'result=[0-9]*')"
expect_ok "the channel's log is the driver's" channel_shows 'ioctl RPMSG_CLEAR_POLL_FLAG 0'

echo "--- the controls reach the driver"
ctl kernel fail wake_lock 5 1
expect_fail "a scripted wake-lock failure" bash -c 'echo on_driver >/sys/power/wake_lock 2>/dev/null'
expect_ok "the next write goes to the kernel" bash -c 'echo on_driver >/sys/power/wake_lock'
expect_ok "the kernel holds it" grep -qw on_driver /sys/power/wake_lock
echo on_driver >/sys/power/wake_unlock
expect_fail "released in the kernel" grep -qw on_driver /sys/power/wake_lock
ctl kernel xp2xp 5
expect_eq "an edge read from the driver's attribute" 5 "$(head -c 64 /sys/xp2xp/xp2xp_notify/xp2xp_state | wc -c)"

echo "--- a suspend with the module running"
out=$(mktemp)
orvo-sim-kesl-call monitor 60 >"$out" &
monitor=$!
wait_for "the monitor started" 5 shows "monitor started"
sleep 0.5 # into its read
services=$(pidof paramlinkd orvo-sim-modemcore orvo-sim-nvservice orvo-sim-autosuspend orvo-sim-sms)
success=$(stat success)
failed_freeze=$(stat failed_freeze)
echo +2 >/sys/class/rtc/rtc0/wakealarm
expect_ok "the suspend succeeded" bash -c 'echo freeze >/sys/power/state'
expect_eq "suspends counted" $((success + 1)) "$(stat success)"
expect_eq "no task refused to freeze" "$failed_freeze" "$(stat failed_freeze)"
for task in $monitor $services; do
    expect_ok "task $task is back" alive "$task"
done
expect_eq "NV answered after the resume" "result=1" "$(ctl nv get a.b | grep -o 'result=[0-9]*')"
kill "$monitor"
rm -f "$out"

finish
