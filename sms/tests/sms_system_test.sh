# SPDX-License-Identifier: MIT
# The SMS API across processes in a simulated module: applications send through the
# service, messages delivered to the module reach every listening application.
. "$ORVO_SRC/tests/support/kit.sh"

listening() { grep -q '^listening$' "$1"; }
holds_sms_read() { grep -qw sms_read /sys/power/wake_lock; }
not_holding_sms_read() { ! holds_sms_read; }

# Two applications listen; one delivery reaches both.
orvo-sim-sms-client listen >/tmp/one.out &
one=$!
orvo-sim-sms-client listen >/tmp/two.out &
two=$!
wait_for "first listener ready" 10 listening /tmp/one.out
wait_for "second listener ready" 10 listening /tmp/two.out

index=$(module ctl sms deliver +4915112345 $'Hello\nmodule')
expect_eq "delivery prints the index" 0 "$index"
line="sms 0 from +4915112345 format 0 length 12 handle ok: Hello\\nmodule"
wait_for "first listener got it" 10 grep -qxF "$line" /tmp/one.out
wait_for "second listener got it" 10 grep -qxF "$line" /tmp/two.out
wait_for "sms_read released" 10 not_holding_sms_read

module ctl sms deliver --format 1 0301234 "part two" 2 3 >/dev/null
wait_for "a part" 10 grep -qxF "sms 1 from 0301234 format 1 length 8 part 2/3 handle ok: part two" /tmp/one.out
module ctl sms deliver 0301234 "single" >/dev/null
wait_for "single after a part" 10 grep -qxF "sms 2 from 0301234 format 0 length 6 handle ok: single" /tmp/one.out
wait_for "sms_read released after each" 10 not_holding_sms_read

kill -TERM $one $two
wait $one
expect_eq "listener ends on SIGTERM" 0 $?
wait $two

expect_eq "store after three deliveries" \
    $'0\tread\t0\t1/1\t+4915112345\tHello\\nmodule\n1\tread\t1\t2/3\t0301234\tpart two\n2\tread\t0\t1/1\t0301234\tsingle' \
    "$(module ctl sms store)"
expect_eq "store use" "3 of 50 used, 0 unread" "$(orvo-sim-sms-client status)"
expect_eq "delete" "deletefromstorage: 0" "$(orvo-sim-sms-client delete 1)"
expect_eq "deleted message gone" "0 2" "$(module ctl sms store | cut -f1 | tr '\n' ' ' | sed 's/ $//')"

# Sending goes to the service's outbox.
expect_eq "send" "send_sms: 0" "$(orvo-sim-sms-client send +4917099 'Hi there' 2)"
expect_eq "outbox" $'+4917099\t2\t8\tHi there' "$(module ctl sms outbox)"
expect_eq "format 3 refused" "send_sms: 2" "$(orvo-sim-sms-client send +4917099 'x' 3)"
expect_eq "refusal logged" "ORVO_KESL_SMS 1 input error" "$(module log --plain | grep ORVO_KESL_SMS | tail -1)"

expect_eq "set service centre" "setsmscenteraddress: 0" "$(orvo-sim-sms-client smsc +4917200002)"
expect_eq "read service centre" "145 +4917200002" "$(orvo-sim-sms-client smsc)"

# A failing wait ends the receive thread with its log line.
module ctl fail orvo_wait_receive_new_sms -1
orvo-sim-sms-client listen >/tmp/three.out &
three=$!
wait_for "wait failure logged" 10 sh -c "$ORVO_SRC/sim/module log --plain | grep -qxF 'ORVO_KESL_SMS 4 orvo_wait_receive_new_sms error'"
kill -TERM $three
wait $three

expect_fail "deliver without text" module ctl sms deliver +49151
expect_fail "part beyond the count" module ctl sms deliver +49151 text 4 3

finish
