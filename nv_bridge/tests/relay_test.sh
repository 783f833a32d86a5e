# SPDX-License-Identifier: MIT
# paramlinkd relaying requests between the modem core and the NV service, in the sandbox.
. "$(dirname "$0")/test_support.sh"

nv start
expect_ok "wake lock taken at start, before any request" held

# Set and get, answered with the requester's word, req_id, result and value.
expect_eq "set answered" \
    'answer cmd=0xbb opaque=0x0c0ffee0 head_len=0 key_len=4 value_len=12 payload_len=13 word=0x1234abcd req_id=11 result=0 value=""' \
    "$(nv set a.b "hello world" --req-id 11)"
wait_for "wake lock released after the first answer" 2 released
expect_eq "get answered" \
    'answer cmd=0xbb opaque=0x0c0ffee0 head_len=0 key_len=4 value_len=0 payload_len=24 word=0x1234abcd req_id=12 result=0 value="hello world"' \
    "$(nv get a.b --req-id 12)"
expect_eq "empty reply value: payload_len 13" \
    'answer cmd=0xbb opaque=0x0c0ffee0 head_len=0 key_len=8 value_len=0 payload_len=13 word=0x0badcafe req_id=13 result=1 value=""' \
    "$(nv get missing --req-id 13 --word 0x0badcafe)"

# value_len 0: only byte 1300 of the queue request is set to 0, the rest is as it was.
nv get a.b >/dev/null
expect_eq "byte 1300 of a get is 0" "00 65 6c" \
    "$(nv last-request | od -An -tx1 -j1300 -N3 | sed 's/^ //')"
expect_eq "queue request: type, tid, req_id" "6 $(daemon_pid)" \
    "$(nv last-request | od -An -td4 -N8 | awk '{print $1, $2}')"

# Wake lock held between request and answer, released after it.
nv service delay 1500
nv get a.b >/run/delayed &
client=$!
wait_for "wake lock held while the service answers" 1 held
wait $client
expect_eq "late answer delivered" 'value="hello world"' "$(grep -o 'value=.*' /run/delayed)"
wait_for "wake lock released after the late answer" 2 released
nv service delay 0

# An answer written in pieces reaches the modem core whole.
ctl set rpmsg_write_max 7
expect_eq "answer written 7 bytes at a time" 'value="hello world"' "$(nv get a.b | grep -o 'value=.*')"
ctl unset rpmsg_write_max

# An oversized reply without a NUL is cut, not left in the queue to be refused for ever.
nv service oversize 1
answer=$(nv get a.b --req-id 30)
expect_eq "oversized reply cut at 1023 value bytes" "payload_len=1036 req_id=30" \
    "$(grep -o 'payload_len=[0-9]*' <<<"$answer") $(grep -o 'req_id=[0-9]*' <<<"$answer")"
expect_eq "value of the cut reply" "$(printf 'x%.0s' $(seq 1023))" \
    "$(grep -o 'value="x*"' <<<"$answer" | tr -d '"' | sed 's/^value=//')"
expect_eq "next request answered normally" "req_id=31" \
    "$(nv get a.b --req-id 31 | grep -o 'req_id=[0-9]*')"

# A reply with a foreign req_id is reported. The service's right reply follows it: taken as
# the answer when it is already there, else the request goes again (the service has taken
# it) and the right reply to either copy answers it.
nv service wrong-id 1
expect_eq "right answer after a foreign reply" "req_id=40 result=0" \
    "$(nv get a.b --req-id 40 | grep -o 'req_id=[0-9]* result=[0-9]*')"
expect_printed "foreign reply reported" \
    "nv error:recv unknow msg pid = $(daemon_pid), tid = $(daemon_pid), key = a.b, value = stale"
sent=$(nv requests | grep -c 'req_id=40 ')
expect_ok "request sent once or twice ($sent)" test "$sent" -ge 1 -a "$sent" -le 2
# A reply the daemon did not take waits in the queue, foreign to the next request, and is
# taken out before that is sent, so the next request goes once. A moment for the service's
# last reply to arrive.
sleep 0.2
expect_eq "next request answered" "req_id=50" "$(nv get a.b --req-id 50 | grep -o 'req_id=[0-9]*')"
if [ "$sent" = 2 ]; then
    expect_printed "late reply to the earlier request reported" \
        "nv error:recv unknow msg pid = $(daemon_pid), tid = $(daemon_pid), key = a.b, value = hello world"
fi
expect_eq "next request sent once" 1 "$(nv requests | grep -c 'req_id=50 ')"
expect_eq "and the one after it" "req_id=51" "$(nv get a.b --req-id 51 | grep -o 'req_id=[0-9]*')"
expect_eq "sent once too" 1 "$(nv requests | grep -c 'req_id=51 ')"
expect_eq "no reply left over" 0 "$(queued)"

# The queue removed while the daemon waits: receive fails, the resend fails, the request is
# echoed. Removing the queue also drops the stale reply above.
nv service drop-queue 1
expect_eq "echoed when the queue is gone" "(echo of the request)" \
    "$(nv get a.b --req-id 70 | grep -o '(echo.*')"
# EIDRM when the removal woke the waiting receive, EINVAL when it came before it.
wait_for "receive failure reported" 2 bash -c \
    '"$ORVO_SRC/sim/module" ctl nv output | grep -qxE "nv error: msgrcv fail, errno = (43|22)!"'
expect_printed "send failure reported" "nv error: msgsnd fail, errno = 22!"
wait_for "wake lock released after the echo" 2 released
expect_eq "served again on a new queue" "req_id=71" "$(nv get a.b --req-id 71 | grep -o 'req_id=[0-9]*')"

# The queue's calls fail as scripted through the channel's interposer; on the board
# paramlinkd runs without it, on the driver's channel.
if ! on_board; then
    ctl fail msgget 28
    expect_eq "echoed when the queue cannot be opened" \
        'answer cmd=0xbb opaque=0x0c0ffee0 head_len=0 key_len=4 value_len=0 payload_len=24 word=0x00000000 req_id=305441741 result=80 value="\x01" (echo of the request)' \
        "$(nv get a.b --req-id 80)"
    expect_printed "queue open failure reported" "nv error: msgget msgId fail, errno = 28!"
    ctl unfail msgget
fi

# Frames of the wrong length are dropped without an answer.
expect_eq "count differs from payload_len + 24" "no answer" \
    "$(nv send --key x --payload-len 10 --timeout 400)"
expect_printed "both lengths reported" "[nvrpc] read error, len=46 != 34!"
expect_eq "frame shorter than its header" "no answer" "$(nv send --truncate 10 --timeout 400)"
expect_printed "short frame reported" "[nvrpc] read error, len=10 != 24!"
expect_eq "other cmd ignored" "no answer" "$(nv send --cmd 0xbb --key quiet --timeout 400)"
expect_eq "ignored frame not relayed" 0 "$(nv requests | grep -c 'key="quiet"')"

# Frames beyond the request's areas are answered by echo and never relayed.
while IFS='|' read -r options line; do
    # shellcheck disable=SC2086
    answer=$(nv send --key bad $options)
    expect_eq "echo for: $options" "(echo of the request)" "$(grep -o '(echo.*' <<<"$answer")"
    expect_printed "reported: $options" "$line"
done <<'CASES'
--head-len 257|[nvrpc] bad frame: head part 277 > 276 bytes, echoed
--key-len 1025 --pad 1100|[nvrpc] bad frame: key part 1025 > 1024 bytes, echoed
--value 1 --value-len 1025 --pad 1100|[nvrpc] bad frame: value part 1025 > 1024 bytes, echoed
--key-len 100|[nvrpc] bad frame: parts 120 > payload_len 24 bytes, echoed
--value-len -1|[nvrpc] bad frame: negative length (head_len=0 key_len=4 value_len=-1), echoed
--head-len-field -30|[nvrpc] bad frame: negative length (head_len=-30 key_len=4 value_len=0), echoed
--key-len 2147483647 --value-len 2147483647|[nvrpc] bad frame: key part 2147483647 > 1024 bytes, echoed
CASES
expect_eq "bad frames not relayed" 0 "$(nv requests | grep -c 'key="bad"')"
wait_for "wake lock released after the echoes" 2 released

# Wake-lock file failures are reported and otherwise ignored.
ctl kernel fail wake_unlock 5 1
expect_eq "answered though the release fails" "req_id=90" \
    "$(nv get a.b --req-id 90 | grep -o 'req_id=[0-9]*')"
expect_printed "failed release reported" "nvrpc wakelock write fail"
expect_ok "lock still held after the failed release" held
expect_eq "next request answered" "req_id=91" "$(nv get a.b --req-id 91 | grep -o 'req_id=[0-9]*')"
wait_for "released after the next answer" 2 released

# Parameters outlive the service.
nv stop service
nv start service
expect_eq "value kept over a service restart" 'value="hello world"' "$(nv get a.b | grep -o 'value=.*')"
expect_eq "daemon still running" running "$(nv status)"
expect_eq "nothing on standard error" "" "$(nv errors)"

finish
