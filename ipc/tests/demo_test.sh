# SPDX-License-Identifier: MIT
# Separate programs exchanging messages: a server, a requester, subscribers and a publisher.
. "$ORVO_SRC/tests/support/kit.sh"

out=$(mktemp -d)
qxipc-demo serve msm-server >"$out/server" &
server=$!
wait_for "server endpoint up" 5 grep -q "serving msm-server on key 5469" "$out/server"

expect_eq "request answered by another process" "key 5469 answered: answer:hello" \
    "$(qxipc-demo request 5469 hello 2000 | grep answered)"
expect_fail "no answer within the time-out" qxipc-demo request 5999 hello 200

qxipc-demo subscribe 5469 42 2 >"$out/sub1" &
sub1=$!
wait_for "first subscriber" 5 grep -q "subscribed" "$out/sub1"
qxipc-demo subscribe 5469 43 1 >"$out/sub2" &
sub2=$!
wait_for "second subscriber" 5 grep -q "subscribed" "$out/sub2"
expect_ok "publish on 42" qxipc-demo publish 5469 42 first
expect_ok "publish on 43" qxipc-demo publish 5469 43 other
expect_ok "publish on 42 again" qxipc-demo publish 5469 42 second
wait $sub1 $sub2
expect_eq "subscriber of 42" "topic 42 from key 5469: first
topic 42 from key 5469: second" "$(grep "^topic" "$out/sub1")"
expect_eq "subscriber of 43" "topic 43 from key 5469: other" "$(grep "^topic" "$out/sub2")"

expect_ok "stop message" qxipc-demo stop 5469
wait $server
expect_eq "server ended by the stop message" "0" "$?"
expect_ok "server said it ended" grep -q "Warning:The thread(msm-server) is term!" "$out/server"
expect_eq "only the unanswered request's queue is left" "0x0000176f" \
    "$(ipcs -q | awk '/^0x/ {print $1}')"
finish
