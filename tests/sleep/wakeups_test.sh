#!/bin/bash
# SPDX-License-Identifier: MIT
# What wakes the sleeping board, and what keeps it awake: paramlinkd holds it awake while
# an NV request waits for a slow service, and lets it sleep once the answer is written; an
# NV request of the modem core and a message from the network, each arriving while the
# board sleeps, wake it, are answered or handled, and the board sleeps again; the service's
# timeline names those causes.
set -uo pipefail

# shellcheck source=tests/sleep/sleep_kit.sh
. "$ORVO_SRC/tests/sleep/sleep_kit.sh"

holds() { grep -qw "$1" /sys/power/wake_lock; }
released() { ! holds "$1"; }
listening() { grep -q '^listening$' /tmp/listener.out; }
requests() { ctl nv requests | wc -l; }

work
ctl nv start
# The answer without its request id, which counts the requests.
answer_of() { grep -o 'result=.*' "$@"; }
answer=$(ctl nv get imei | answer_of)
expect_ok "an NV request answered awake" test -n "$answer"
orvo-sim-sms-client listen >/tmp/listener.out &
listener=$!
wait_for "the application listens for messages" 10 listening
expect_eq "switched on" "autosuspend 0" "$(orvo-sim-kesl-call autosuspend 1)"
rest
sleeps_again "the board sleeps"

echo "--- an NV request waiting for a slow service keeps the board awake"
work
SERVICE_DELAY_MS=7000
ctl nv service delay $SERVICE_DELAY_MS
# The request goes in under the test's lock, so that it reaches paramlinkd awake; from
# there paramlinkd's own lock must hold.
before=$(requests)
ctl nv get imei --timeout $((SERVICE_DELAY_MS * 3)) >/tmp/nv.out 2>&1 &
getter=$!
wait_for "the service has the request" 10 at_least $((before + 1)) requests
expect_ok "paramlinkd holds nvrpc_lock" holds nvrpc_lock
rest
expect_ok "no sleep while the service is slow" no_sleep_for 4
expect_ok "the modem core got its answer" wait "$getter"
expect_eq "the same answer, late" "$answer" "$(answer_of /tmp/nv.out)"
wait_for "paramlinkd released nvrpc_lock" 10 released nvrpc_lock
sleeps_again "sleeps once the answer is written"
work
ctl nv service reset

echo "--- an NV request of the modem core wakes the sleeping board and is answered"
# Paging slowly: a sleep that ends at the request's time was ended by it.
ctl set paging_ms $SLOW_PAGING_MS
timed "NV request" nv get imei
expect_ok "the modem core got its answer" wait "$timed"
work
ctl set paging_ms $PAGING_MS
expect_eq "answered" "$answer" "$(answer_of /tmp/timed.out)"
expect_ok "a sleep ended by the request's time" woken_at "$due_ms"
wait_for "paramlinkd released nvrpc_lock" 10 released nvrpc_lock
rest
sleeps_again "sleeps again"

echo "--- a message delivered while the board sleeps wakes it and reaches the application"
work
ctl set paging_ms $SLOW_PAGING_MS
timed "delivery" sms deliver +4915112345 'wake up'
wait_for "the handler got it" 30 grep -q 'handle ok: wake up$' /tmp/listener.out
work
ctl set paging_ms $PAGING_MS
expect_ok "a sleep ended by the delivery's time" woken_at "$due_ms"
rest
wait_for "the library released sms_read" 10 released sms_read
sleeps_again "sleeps again once it is read"

work
kill "$listener"
expect_eq "switched off" "autosuspend 0" "$(orvo-sim-kesl-call autosuspend 0)"
rest
wait_for "the attempt under way ended" 30 awake
ctl autosuspend cycles

echo "--- the timeline names what woke the board and what held it awake"
ctl autosuspend timeline >/tmp/timeline.svg
expect_ok "a picture" grep -q '^<svg ' /tmp/timeline.svg
expect_ok "the timed requests' alarm woke it" grep -q 'woken by [^<]*\[timerfd\]' /tmp/timeline.svg
expect_ok "paramlinkd's lock held it awake" grep -q '>[0-9]*  nvrpc_lock<' /tmp/timeline.svg
expect_ok "the unread message held it awake" grep -q '>[0-9]*  sms_read<' /tmp/timeline.svg

finish
