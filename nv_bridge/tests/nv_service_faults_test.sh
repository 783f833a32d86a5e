#!/bin/bash
# SPDX-License-Identifier: MIT
# The NV parameter service absent, slow, and killed and started again under paramlinkd:
# requests wait for it and are answered once it serves again. One case per run:
# nv_service_faults_test.sh CASE
. "$(dirname "$0")/test_support.sh"

answered() { [ -s "$1" ]; }
field() { grep -o "$1=[^ ]*" "$2"; }
has_request() { nv requests | grep -q "req_id=$1 "; }

# A request made while no service runs waits, under the wake lock, and is answered by the
# service started later.
service_absent_then_started() {
    nv start modemcore
    nv start daemon
    nv get a.b --req-id 21 --timeout 15000 >/tmp/answer &
    local client=$!
    sleep 0.5
    expect_fail "no answer without a service" answered /tmp/answer
    expect_ok "wake lock held while the request waits" held
    nv start service
    expect_ok "the modem core's request ends" wait $client
    expect_eq "answered with its req_id" "req_id=21" "$(field req_id /tmp/answer)"
    expect_eq "an unknown key's result" "result=1" "$(field result /tmp/answer)"
    wait_for "wake lock released after the answer" 2 released
    expect_eq "daemon still running" running "$(nv status)"
}

# A slow service: the answer comes late but right, the lock held until then.
slow_service() {
    nv start
    nv set a.b slow --req-id 30 >/dev/null
    nv service delay 1500
    nv get a.b --req-id 31 >/tmp/answer &
    local client=$!
    wait_for "the service has the request" 10 has_request 31
    expect_ok "wake lock held while the service takes its time" held
    expect_ok "the modem core's request ends" wait $client
    expect_eq "answered with its req_id" "req_id=31" "$(field req_id /tmp/answer)"
    expect_eq "with the value" 'value="slow"' "$(field value /tmp/answer)"
    wait_for "wake lock released after the answer" 2 released
}

# The service killed outright between requests; a request made while it is down is answered
# by the new one, with the parameters the old one stored.
service_killed_and_restarted() {
    nv start
    nv set a.b kept --req-id 40 >/dev/null
    expect_ok "the killed service is gone" ctl nvservice kill KILL
    nv get a.b --req-id 41 --timeout 15000 >/tmp/answer &
    local client=$!
    sleep 0.3
    nv start service
    expect_ok "the modem core's request ends" wait $client
    expect_eq "answered with its req_id" "req_id=41" "$(field req_id /tmp/answer)"
    expect_eq "with the stored value" 'value="kept"' "$(field value /tmp/answer)"
    expect_eq "next request answered" "req_id=42" "$(nv get a.b --req-id 42 | grep -o 'req_id=[0-9]*')"
    expect_eq "daemon still running" running "$(nv status)"
    expect_eq "nothing on standard error" "" "$(nv errors)"
}

# The service takes a request and dies without answering, the queue left as it was: the
# daemon's wait for the reply ends after 20 s, the request goes again, and the restarted
# service answers it. Later requests go once. The request comes once the daemon's start-up
# alarm (20 s) has gone, so that nothing but the wait's own bound can end it.
service_dies_holding_a_request() {
    nv start
    nv set a.b kept --req-id 50 >/dev/null
    sleep 21
    nv service silent 1
    nv get a.b --req-id 51 --timeout 40000 >/tmp/answer &
    local client=$!
    wait_for "the service took the request" 2 sh -c "\"\$ORVO_SRC/sim/module\" ctl nv requests | grep -q 'req_id=51 '"
    expect_ok "the killed service is gone" ctl nvservice kill KILL
    nv start service
    sleep 1
    expect_fail "no answer before the wait ends" answered /tmp/answer
    expect_ok "wake lock held while the request waits" held
    expect_ok "the modem core's request ends" wait $client
    expect_eq "answered with its req_id" "req_id=51" "$(field req_id /tmp/answer)"
    expect_eq "with the stored value" 'value="kept"' "$(field value /tmp/answer)"
    expect_printed "the ended wait reported" "nv error: msgrcv fail, errno = 4!"
    expect_eq "sent again once" 2 "$(nv requests | grep -c 'req_id=51 ')"
    wait_for "wake lock released after the answer" 2 released
    expect_eq "next request answered" "req_id=52" "$(nv get a.b --req-id 52 | grep -o 'req_id=[0-9]*')"
    expect_eq "and sent once" 1 "$(nv requests | grep -c 'req_id=52 ')"
    expect_eq "no reply left over" 0 "$(queued)"
    expect_eq "daemon still running" running "$(nv status)"
    expect_eq "nothing on standard error" "" "$(nv errors)"
}

# The service takes a request and dies, and stays away for several reply bounds: the request
# goes again once (the service took the copy before), and no more copies pile up while that
# one waits, so the daemon never blocks in a send and the queue, limited here to two
# copies, stays open to the other processes that share it. Once back, the service answers;
# the request was executed at most twice and the next one goes once.
in_msgsnd() { grep -q msgsnd "/proc/$(daemon_pid)/wchan"; }
bounds_ended() { [ "$(nv output | grep -cxF 'nv error: msgrcv fail, errno = 4!')" -ge "$1" ]; }
service_stays_away() {
    nv start
    nv set a.b kept --req-id 60 >/dev/null
    expect_ok "the queue limited to two copies" nv queue limit 4640
    nv service silent 1
    nv get a.b --req-id 61 --timeout 90000 >/tmp/answer &
    local client=$!
    wait_for "the service took the request" 2 has_request 61
    expect_ok "the killed service is gone" ctl nvservice kill KILL
    # The start-up alarm or the first bound ends the first wait within 20 s, the next 20 s on.
    wait_for "two waits ended" 45 bounds_ended 2
    sleep 1
    expect_eq "one copy waits for the service, no more" 1 "$(queued)"
    expect_eq "another process can still send" sent "$(nv queue try-send 2000)"
    expect_fail "the daemon is not blocked in a send" in_msgsnd
    expect_ok "wake lock held while the request waits" held
    nv start service
    expect_ok "the modem core's request ends" wait $client
    expect_eq "answered with its req_id" "req_id=61" "$(field req_id /tmp/answer)"
    expect_eq "with the stored value" 'value="kept"' "$(field value /tmp/answer)"
    expect_eq "executed at most twice" 2 "$(nv requests | grep -c 'req_id=61 ')"
    expect_eq "next request answered" "req_id=62" "$(nv get a.b --req-id 62 | grep -o 'req_id=[0-9]*')"
    expect_eq "and sent once" 1 "$(nv requests | grep -c 'req_id=62 ')"
    expect_eq "no reply left over" 0 "$(queued)"
    expect_eq "no send failed" "" "$(nv output | grep 'msgsnd fail')"
    expect_eq "nothing on standard error" "" "$(nv errors)"
}

"$1"
finish
