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

# The waits begun so far (each waiter logs this line as it starts to wait).
waits_begun() { module log --plain | grep -c 'libautosuspend_get_feedback wait\.'; }

# at_least COUNT CMD...: CMD prints a number of at least COUNT.
at_least() {
    local count=$1
    shift
    [ "$("$@")" -ge "$count" ]
}

# all_have COUNT FILE...: each waiter has printed COUNT records.
all_have() {
    local count=$1 file
    shift
    for file in "$@"; do
        [ "$(wc -l <"$file")" -ge "$count" ] || return 1
    done
}

# within SECONDS CMD...: CMD succeeds within SECONDS (no failure counted when it does not).
within() {
    local tries=$(($1 * 20))
    shift
    until "$@"; do
        tries=$((tries - 1))
        [ $tries -gt 0 ] || return 1
        sleep 0.05
    done
}

# start_waiters RECORDS: two clients waiting for RECORDS records each, in the background
# (pids $w1 and $w2, output in /tmp/w1 and /tmp/w2), once both are connected and waiting:
# a waiter gets the records announced after it began to wait.
start_waiters() {
    local base
    base=$(waits_begun)
    orvo-sim-autosuspend-client wait "$1" >/tmp/w1 &
    w1=$!
    orvo-sim-autosuspend-client wait "$1" >/tmp/w2 &
    w2=$!
    wait_for "both waiters connected" 5 data_channels_are 2
    wait_for "both waiters waiting" 5 at_least $((base + 2)) waits_begun
}

# The reader announces a record within two 10 ms pauses; a waiter that misses them on a
# loaded machine waits for the next record. send_last START END COUNT FILE... sends the
# waiters' last record (each ends once it has COUNT) and, while one still lacks it after
# 10 s, sends it again: only waiters that lack it are still there to take it.
send_last() {
    local start=$1 end=$2 count=$3
    shift 3
    for _ in 1 2 3; do
        ctl autosuspend send "$start" "$end" >/dev/null
        within 10 all_have "$count" "$@" && return 0
    done
    fail "the waiters did not all get $start..$end"
}

# Clients blocked in orvo_wait_wakeup_event get every record sent before and after the
# service is killed and started again: their reader connects again by itself.
waiters_survive_restart() {
    local base
    for _ in 1 2 3; do
        start_waiters 2
        base=$(waits_begun)
        ctl autosuspend send 10 20 >/dev/null
        within 10 all_have 1 /tmp/w1 /tmp/w2 && break
        # A waiter missed the first record's announcement (see send_last): set up again,
        # the dead waiters' channels dropped by a record sent to nobody.
        kill $w1 $w2
        wait $w1 $w2 2>/dev/null
        ctl autosuspend send 0 0 >/dev/null
        wait_for "the dead waiters' channels dropped" 5 data_channels_are 0
    done
    expect_ok "both waiters have the first record" all_have 1 /tmp/w1 /tmp/w2
    kill_service
    start_service
    wait_for "both waiters connected again" 10 data_channels_are 2
    # Each waits again after its first record; the restart itself begins no new wait.
    wait_for "both waiters waiting again" 5 at_least $((base + 2)) waits_begun
    send_last 30 40 2 /tmp/w1 /tmp/w2
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
    send_last 50 60 1 /tmp/w2
    expect_ok "the other waiter ends well" wait $w2
    expect_eq "the other waiter's record" "wake-up: slept from 50 ms to 60 ms" "$(cat /tmp/w2)"
    expect_eq "the service still runs" running "$(ctl autosuspend status)"
    wait_for "the dead waiter's channel is dropped" 5 data_channels_are 0
}

"$1"
finish
