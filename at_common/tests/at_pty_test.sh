# SPDX-License-Identifier: MIT
# The simulated AT host on a pseudo-terminal, as a terminal program would use it.
. "$ORVO_SRC/tests/support/kit.sh"
plugin=$ORVO_BUILD/lib/liborvo-at-common.so

orvo-sim-athost --pty --link /tmp/atport "$plugin" >/tmp/athost.out 2>/tmp/athost.err &
host=$!
wait_for "the port appears" 5 test -L /tmp/atport
expect_eq "device name printed" "$(readlink /tmp/atport)" "$(cat /tmp/athost.out)"

exec 3<>/tmp/atport
# A terminal sends CR alone; responses come back raw, without echo.
printf 'AT+CGIR\rAT+NOSUCH\rAT+HALTENABLE\r' >&3
expect_eq "responses on the port" \
    '+CGIR:R220-NYY-BASE2WLAN-K40Q07.AP.19.09_CAP.19.09^M$
OK^M$
OK^M$' \
    "$(timeout 5 head -c 60 <&3 | cat -A)"
exec 3>&-

# The port outlives a terminal session.
exec 3<>/tmp/atport
printf 'AT+NETLED=2\n' >&3
expect_eq "second session" 'OK^M$' "$(timeout 5 head -c 4 <&3 | cat -A)"
exec 3>&-

kill -TERM $host
wait $host
expect_eq "ends on SIGTERM with status 0" 0 $?
expect_fail "link removed" test -e /tmp/atport

finish
