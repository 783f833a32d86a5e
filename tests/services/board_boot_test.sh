#!/bin/bash
# SPDX-License-Identifier: MIT
# On the emulated board, after a boot through busybox init and the installed init scripts:
# orvo-default ran once and published the version, paramlinkd runs on the board driver's
# rpmsg channel without an interposer and answers the modem core's requests, is started
# again when killed, its messages are in the system log (logread), as are those of
# liborvo-log's users outside a simulated module.
set -uo pipefail
UCI=/usr/libexec/orvo-sim/uci
TOOLS=/usr/libexec/orvo-sim
# What the module's end of the driver's rpmsg channel did, a line each.
CHANNEL_LOG=/sys/kernel/debug/orvo_board/channel

# shellcheck source=tests/support/kit.sh
. "$(dirname "$0")/../support/kit.sh"

daemon() { pidof paramlinkd; }
# restarted PID: a paramlinkd other than PID runs.
restarted() {
    local now
    now=$(daemon)
    [ -n "$now" ] && [ "$now" != "$1" ]
}
logged() { logread | grep -q "$1"; }

echo "--- orvo-default, once at boot"
runs=$(logread | grep -c 'rc: /etc/init.d/S20orvo-default start')
[ "$runs" = 1 ] || fail "orvo-default started $runs times"
version=$("$UCI" get orvo_uci_ro.orvo_version.ORVO_SW_VERSION 2>&1)
[ -n "$version" ] || fail "no version published"
echo "version $version"

echo "--- paramlinkd, started at boot after the platform"
logread | grep 'rc: /etc/init.d/S' | sed 's/^.*rc: /    /'
order=$(logread | sed -n 's/.*rc: \/etc\/init.d\/\(S[0-9]*[^ ]*\) start/\1/p' | tr '\n' ' ')
[ "$order" = "S10orvo-board-platform S20orvo-default S50paramlinkd " ] || fail "boot order: $order"
wait_for "paramlinkd not running" 10 daemon >/dev/null
first=$(daemon)
{ [ -n "$first" ] && grep -q "RPMSG_CLEAR_POLL_FLAG" $CHANNEL_LOG; } ||
    fail "paramlinkd did not set its channel up"
expect_eq "no channel interposer" "" "$(tr '\0' '\n' </proc/"$first"/environ | grep LD_PRELOAD)"

echo "--- an NV request from the modem core through the driver's channel, answered"
expect_eq "set through paramlinkd" "" "$("$TOOLS/orvo-sim-ctl" nv set board_key 42 2>&1 | grep -v 'result=0')"
answer=$("$TOOLS/orvo-sim-ctl" nv get board_key 2>&1)
echo "    $answer"
case $answer in
*"result=0"*42*) ;;
*) fail "the value did not come back: $answer" ;;
esac

echo "--- killed, it is started again"
kill -KILL "$first"
wait_for "paramlinkd not started again after a kill" 10 restarted "$first"

echo "--- without its channel: the failure in the log; started again, the channel set up"
# Without the modem core the channel does not open: paramlinkd's perror line goes to the
# log and it waits without a channel, as on the module. Killed once the modem core is back,
# it is started again and sets the channel up.
setups() { grep -c 'RPMSG_CLEAR_POLL_FLAG' $CHANNEL_LOG; }
more_setups() { [ "$(setups)" -gt "$1" ]; }
second=$(daemon)
# shellcheck disable=SC2046 # one word a process
kill $(pidof orvo-sim-modemcore)
kill "$second"
wait_for "paramlinkd's failure not in the log" 10 logged 'paramlinkd.*\[rpc\] open device fail'
wait_for "paramlinkd not started again" 10 restarted "$second"
third=$(daemon)
before=$(setups)
# Its control socket appears when it is back on the channel's modem end.
rm -f /run/orvo-sim/nv/modemcore.sock
setsid $TOOLS/orvo-sim-modemcore --device /dev/armps_rpmsgch8_modem </dev/null >/dev/null 2>&1 &
wait_for "the modem core did not come back" 10 test -S /run/orvo-sim/nv/modemcore.sock
kill "$third"
wait_for "paramlinkd not started again once the modem core is back" 10 restarted "$third"
wait_for "the channel was not set up again" 10 more_setups "$before"
logread | grep 'paramlinkd' | tail -3 | sed 's/^/    /'

echo "--- a library's messages outside a simulated module"
$TOOLS/orvo-sim-logger BOARD_TAG 1 "hello from the board"

wait_for "liborvo-log's line not in the system log" 5 logged 'BOARD_TAG 1 hello from the board'

finish
