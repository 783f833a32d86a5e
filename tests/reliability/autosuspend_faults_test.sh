#!/bin/bash
# SPDX-License-Identifier: MIT
# The autosuspend service killed and restarted under its clients; sends to channels whose
# other end has gone. One case per run: autosuspend_faults_test.sh CASE
. "$ORVO_SRC/tests/support/kit.sh"
kill_service() {
    expect_ok "the killed service is gone" ctl autosuspend kill KILL
}

start_service() {
    # The killed one left its socket files: ready is when the new one answers.
    expect_ok "the service answers again" ctl autosuspend start
}

data_channels() {
    ctl autosuspend state | sed -n 's/.* \([0-9]*\) data channels.*/\1/p'
}

data_channels_are() {
    [ "$(data_channels)" = "$1" ]
}

# A waiter gets the records announced after it began to wait: before a send, wait until the
# waiters have begun (each logs this line as it starts to wait).
waits_begun_are() {
    [ "$(module log --plain | grep -c 'libautosuspend_get_feedback wait\.')" = "$1" ]
}

# start_waiters RECORDS: two clients waiting for RECORDS records each, in the background
# (pids $w1 and $w2, output in /tmp/w1 and /tmp/w2), once both are connected.
start_waiters() {
    orvo-sim-autosuspend-client wait "$1" >/tmp/w1 &
    w1=$!
    orvo-sim-autosuspend-client wait "$1" >/tmp/w2 &
    w2=$!
    wait_for "both waiters connected" 5 data_channels_are 2
    wait_for "both waiters waiting" 5 waits_begun_are 2
}

# Clients blocked in orvo_wait_wakeup_event get every record sent before and after the
# service is killed and started again: their reader connects again by itself.
waiters_survive_restart() {
    start_waiters 2
    ctl autosuspend send 10 20 >/dev/null
    kill_service
    start_service
    wait_for "both waiters connected again" 10 data_channels_are 2
    wait_for "both waiters waiting again" 5 waits_begun_are 4
    ctl autosuspend send 30 40 >/dev/null
    expect_ok "first waiter ends well" wait $w1
    expect_ok "second waiter ends well" wait $w2
    local expected
    expected=$'wake-up: slept from 10 ms to 20 ms\nwake-up: slept from 30 ms to 40 ms'
    expect_eq "first waiter's records" "$expected" "$(cat /tmp/w1)"
    expect_eq "second waiter's records" "$expected" "$(cat /tmp/w2)"
}

# A command sent after the service died fails with -1; SIGPIPE does not end the caller.
send_after_service_killed() {
    co_start orvo-sim-kesl-call autosuspend 1 wait autosuspend 1 wait autosuspend 0
    co_wait "first enable" autosuspend 1
    expect_eq "enable while the service runs" "autosuspend 0" "$(sed -n 1p "$kit_out")"
    kill_service
    co_send ""
    co_wait "second enable" autosuspend 2
    expect_eq "enable after the service died" "autosuspend -1" "$(sed -n 2p "$kit_out")"
    start_service
    co_send ""
    co_wait "third enable" autosuspend 3
    expect_eq "the channel stays closed in this process" "autosuspend -1" "$(sed -n 3p "$kit_out")"
    co_end
    expect_eq "the caller ends normally, not by SIGPIPE" 0 "$status"
    expect_eq "a new process enables again" "autosuspend 0" "$(orvo-sim-kesl-call autosuspend 1)"
}

# A waiter killed without closing its channel does not stop the others getting records,
# and the service goes on.
waiter_killed_before_a_send() {
    start_waiters 1
    kill -KILL $w1
    wait $w1 2>/dev/null
    ctl autosuspend send 50 60 >/dev/null
    expect_ok "the other waiter ends well" wait $w2
    expect_eq "the other waiter's record" "wake-up: slept from 50 ms to 60 ms" "$(cat /tmp/w2)"
    expect_eq "the service still runs" running "$(ctl autosuspend status)"
    wait_for "the dead waiter's channel is dropped" 5 data_channels_are 0
}

"$1"
finish
