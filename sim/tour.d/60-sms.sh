# SPDX-License-Identifier: MIT
say "SMS: an application sends a message through liborvo-kesl-sms"
show 'orvo-sim-sms-client send +4917099 "Hello from the module"'
show 'module ctl sms outbox'
say "SMS: a message arrives; the service takes the wake lock sms_read, the receive thread calls the handler and releases it"
orvo-sim-sms-client listen >/tmp/tour-sms.out &
listener=$!
for _ in $(seq 100); do grep -q listening /tmp/tour-sms.out && break; sleep 0.05; done
show 'module ctl sms deliver +4915112345 "Meeting at 10"'
for _ in $(seq 100); do grep -q '^sms ' /tmp/tour-sms.out && ! grep -qw sms_read /sys/power/wake_lock && break; sleep 0.05; done
show 'cat /tmp/tour-sms.out'
say "sms_read is no longer held (wake_lock), and was released (wake_unlock)"
show 'cat /sys/power/wake_lock; cat /sys/power/wake_unlock'
show 'module ctl calls | grep -E "orvo_(wait|read)"'
kill -TERM $listener
wait $listener
show 'module ctl sms store; orvo-sim-sms-client status'
