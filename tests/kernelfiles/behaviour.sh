#!/bin/bash
# SPDX-License-Identifier: MIT
# The module's kernel files other than the wake locks, step by step: xp2xp_state's edges
# and waits, the register files and their failures. Prints a transcript of every read's and
# write's result and compares it with behaviour.expected. The same script runs in the
# simulated module on the host (the simulated kernel, driven by sim/module ctl kernel) and
# on the emulated board against its driver (driven by its debugfs controls), which must give
# the same transcript.
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
STATE=/sys/xp2xp/xp2xp_notify/xp2xp_state
REGS=/sys/kernel/debug/pmu_kv31/regs
GMAC=/sys/devices/platform/soc/1307000.gmac/gmac_power
BOARD=/sys/kernel/debug/orvo_board

if [ -e "$BOARD/control" ]; then
    control() { orvo-sim-kwrite "$BOARD/control" "$*" >/dev/null; }
    writes() { cat "$BOARD/writes"; }
else
    control() { "$HERE/../../sim/module" ctl kernel "$@" 2>/dev/null; }
    writes() { "$HERE/../../sim/module" ctl kernel writes; }
fi
ctl() { control "$@" || echo "control '$*' refused"; }
readstate() { echo "read ${1:-64}: $(orvo-sim-kread $STATE "$@")"; }
write() { echo "write $(basename "$1") '$2': $(orvo-sim-kwrite "$1" "$2")"; }
uptime_s() { cut -d' ' -f1 /proc/uptime; }
readback() { echo "read $(basename "$1"): $(orvo-sim-kread "$1" 4096)"; }

transcript() {
    ctl reset
    echo "# edges raised before a read wait for it, in order"
    ctl edge 1
    ctl edge 0
    readstate
    readstate
    echo "# a read waits for the next edge"
    local out pid
    out=$(mktemp)
    orvo-sim-kread $STATE >"$out" &
    pid=$!
    sleep 0.5
    if kill -0 $pid 2>/dev/null && [ ! -s "$out" ]; then echo "waiting"; else echo "did not wait"; fi
    ctl edge 1
    wait $pid
    echo "after the edge: $(cat "$out")"
    rm -f "$out"
    echo "# a signal ends the wait, and the interrupted read takes no edge"
    readstate 64 300
    ctl edge 0
    readstate
    echo "# an edge at a time: the read waits for it"
    local before
    before=$(uptime_s)
    ctl edge 1 300
    readstate 64 2000
    awk -v a="$before" -v b="$(uptime_s)" 'BEGIN { print "waited: " (b - a >= 0.25 ? "yes" : "no") }'
    echo "# a reset drops an edge still to come"
    ctl edge 0 300
    ctl reset
    readstate 64 1000
    echo "# a read of fewer bytes than the edge gets its first bytes"
    ctl edge 1
    readstate 3
    echo "# reads of a given length; a negative one fails with that errno"
    ctl xp2xp 3
    readstate
    ctl xp2xp 0
    readstate
    ctl xp2xp -5
    readstate
    echo "# scripted failures: COUNT reads, then the file works again"
    ctl fail xp2xp_state 13 2
    readstate
    readstate
    ctl edge 1
    readstate
    ctl fail xp2xp_state 5
    readstate
    ctl unfail xp2xp_state
    ctl edge 0
    readstate
    echo "# the register files keep what they were given last"
    write $REGS '0x1307000 0x1\n'
    readback $REGS
    write $REGS 'w 0x2 0x3'
    readback $REGS
    write $GMAC '0'
    write $GMAC '1\n'
    readback $GMAC
    ctl fail gmac_power 5 1
    write $GMAC '0'
    readback $GMAC
    ctl fail regs 16
    write $REGS 'x'
    readback $REGS
    ctl unfail regs
    readback $REGS
    echo "# every write the register files took, in order"
    writes
    echo "# control lines refused"
    ctl edge 2
    ctl xp2xp many
    ctl fail regs 0
    ctl fail regs 5 0
    ctl edge 1 soon
    ctl edge 1 86400001
    ctl bogus
    echo "# reset forgets edges, failures and writes"
    ctl edge 1
    ctl fail regs 5
    ctl reset
    write $REGS 'after'
    writes
    readstate 64 300
}

transcript >"${TMPDIR:-/tmp}/kernelfiles.out" 2>&1
if diff -u "$HERE/behaviour.expected" "${TMPDIR:-/tmp}/kernelfiles.out"; then
    echo "kernel files: transcript as expected"
else
    echo "kernel files: the transcript differs from behaviour.expected (above)"
    exit 1
fi
