# SPDX-License-Identifier: MIT
# The simulated autosuspend service with callers of the real library: automatic suspend
# follows the commands and the kernel's wake locks, and records reach waiting callers.
. "$ORVO_SRC/tests/support/kit.sh"

suspends() { ctl autosuspend show | grep -c '^suspend' || true; }
sent() { ctl autosuspend show | grep -q "^suspend $1 $2 to"; }
suspending() { [ "$(suspends)" -gt 0 ]; }
# No suspend under way (where the kernel itself sleeps, one may have begun before a change).
awake() { ctl autosuspend state | grep -q ', awake,'; }

# The kernel itself sleeps on the emulated board alone, never on the machine the host's
# simulated module runs on.
expected_cycle=$(on_board && echo kernel || echo simulated)
expect_eq "the cycle where it runs" "$expected_cycle" "$(ctl autosuspend cycles | cut -d: -f1)"
ctl autosuspend timing 100 100
expect_eq "idle at start" "autosuspend disabled, awake, listening, 0 cmd, 0 data channels" \
    "$(ctl autosuspend state)"
expect_fail "unknown request refused" ctl autosuspend nosuch

orvo-sim-autosuspend-client enable wait 2 >/tmp/client.out
expect_eq "caller ends well" 0 $?
expect_eq "enable sent" "enable: 1" "$(head -1 /tmp/client.out)"
expect_eq "two wake-ups reported" 2 "$(grep -c '^wake-up: slept from' /tmp/client.out)"
# Each record the caller got is one the service sent after a suspend of 100 ms or more.
while read -r _ _ _ start _ _ wakeup _; do
    expect_ok "record $start $wakeup was sent" sent "$start" "$wakeup"
    [ $((wakeup - start)) -ge 100 ] || fail "slept only $((wakeup - start)) ms"
done < <(grep '^wake-up' /tmp/client.out)

# A held wake lock keeps the module awake; automatic suspend stays on after the caller ends.
expect_ok "lock taken" orvo-sim-autosuspend-client lock tour_hold
sleep 0.3
wait_for "the suspend under way ended" 10 awake
ctl autosuspend clear
sleep 0.6
expect_eq "no suspend while a lock is held" 0 "$(suspends)"
expect_eq "still enabled" "autosuspend enabled" "$(ctl autosuspend state | cut -d, -f1)"
expect_ok "lock released" orvo-sim-autosuspend-client unlock tour_hold
wait_for "suspends again without the lock" 5 suspending

# "disable" ends it.
expect_ok "disable sent" orvo-sim-autosuspend-client disable
sleep 0.3
wait_for "the suspend under way ended" 10 awake
ctl autosuspend clear
sleep 0.6
expect_eq "no suspend once disabled" 0 "$(suspends)"
expect_eq "commands received as sent" "enable disable" \
    "$(orvo-sim-autosuspend-client enable disable >/dev/null; sleep 0.1; ctl autosuspend show | awk '$1 == "cmd" && ($3 == "enable" || $3 == "disable") {printf "%s%s", sep, $3; sep=" "}')"

# Stopping the service removes its socket files; a caller then fails cleanly.
ctl autosuspend stop
expect_fail "no service socket" test -e /tmp/autosuspend.cmd.server
expect_fail "enable without a service" orvo-sim-autosuspend-client enable
expect_ok "connect error logged" sh -c '"$ORVO_SRC/sim/module" log --plain | grep -q "LIBORVO_AUTOSUSPEND 3 cmd channel connect error."'
finish
