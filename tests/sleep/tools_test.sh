#!/bin/bash
# SPDX-License-Identifier: MIT
# The board's real sleep driven from the module's tools: a wake lock taken at the power
# console keeps the board awake until it is released there, and AT+LEELSP switches
# automatic suspend off and on through the AT host.
set -uo pipefail

# shellcheck source=tests/sleep/sleep_kit.sh
. "$ORVO_SRC/tests/sleep/sleep_kit.sh"

# at LINE: the AT host's answer to one command line, without CR.
at() { printf '%s\r\n' "$1" | orvo-sim-athost "$ORVO_BUILD/lib/liborvo-at-common.so" | tr -d '\r'; }

echo "--- the power console: switched on, a lock keeps it awake, released it sleeps"
co_start orvo-kesl-autosuspend-demo
co_send -e
co_wait "switched on" "kesl_autosuspend_enable success"
sleeps_again "the board sleeps"
co_send "-cl console_lock"
co_wait "lock made" "wakelock create success"
slot=$(sed -n 's/^fd=//p' "$kit_out" | tail -1)
co_send "-al $slot"
co_wait "locked" "wakelock lock success" 1 30
sleep 1 # an attempt under way when the lock came ends first
expect_ok "no sleep for 5 s while the console's lock is held" no_sleep_for 5
co_send "-rl $slot"
co_wait "unlocked" "wakelock unlock success"
sleeps_again "sleeps again once the console released it"
co_send "-dl $slot"
co_send -q
co_end 30
expect_eq "console's exit status" 0 "$status"

echo "--- AT+LEELSP=0 switches automatic suspend off, =1 on again"
expect_ok "LEELSP=0 answered OK" grep -qx OK <<<"$(at AT+LEELSP=0)"
sleep 4 # the attempt under way ends
expect_ok "no sleep for 5 s once switched off" no_sleep_for 5
expect_ok "LEELSP=1 answered OK" grep -qx OK <<<"$(at AT+LEELSP=1)"
sleeps_again "sleeps once switched on"
expect_ok "LEELSP=0 answered OK" grep -qx OK <<<"$(at AT+LEELSP=0)"
wait_for "the attempt under way ended" 30 awake

finish
