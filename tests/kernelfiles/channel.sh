#!/bin/bash
# SPDX-License-Identifier: MIT
# The rpmsg channel from the module's end, step by step: open, the three ioctls and their
# scripted failures, the modem core's first message, readiness, whole frames each way (a
# short read gets a frame's first bytes), a cap on the bytes a write takes, the modem core
# going away. Prints a transcript of every step's result and the channel's log and compares
# it with channel.expected. The same script runs in the simulated module on the host (the
# channel interposer and the modem core's socket) and on the emulated board against its
# driver's device pair, which must give the same transcript.
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BOARD=/sys/kernel/debug/orvo_board
out=${TMPDIR:-/tmp}/channel.out

if [ -e "$BOARD/control" ]; then
    TOOLS=/usr/libexec/orvo-sim
    control() { orvo-sim-kwrite "$BOARD/control" "$*" >/dev/null; }
    modem() { "$TOOLS/orvo-sim-ctl" nv "$@"; }
    channel_fail() { control fail "$@"; }
    write_max() { control rpmsg_write_max "$1"; }
    channel_log() { cat "$BOARD/channel"; }
    modem_core_stop() { kill "$(pidof orvo-sim-modemcore)"; }
    modem_core_start() {
        rm -f /run/orvo-sim/nv/modemcore.sock
        setsid "$TOOLS/orvo-sim-modemcore" --device /dev/armps_rpmsgch8_modem </dev/null >/dev/null 2>&1 &
        until [ -S /run/orvo-sim/nv/modemcore.sock ]; do sleep 0.05; done
    }
    # The board's own paramlinkd holds the channel: stopped for the test, started after.
    /etc/init.d/S50paramlinkd stop >/dev/null
    trap '/etc/init.d/S50paramlinkd start >/dev/null' EXIT
    control reset
    probe() { orvo-sim-rpmsg-probe; }
else
    module() { "$HERE/../../sim/module" "$@"; }
    modem() { module ctl nv "$@"; }
    channel_fail() { module ctl fail "$@"; }
    write_max() { if [ "$1" = 0 ]; then module ctl unset rpmsg_write_max; else module ctl set rpmsg_write_max "$1"; fi; }
    channel_log() { module ctl nv channel; }
    modem_core_stop() { module ctl modemcore stop >/dev/null; }
    modem_core_start() { module ctl modemcore start >/dev/null; }
    modem_core_start
    # The interposer comes before the sanitizer runtime in an ASan build.
    probe() {
        LD_PRELOAD="$ORVO_BUILD/lib/liborvo-sim-rpmsg-preload.so" \
            ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" orvo-sim-rpmsg-probe
    }
fi

# The probe takes its commands through a fifo; each step waits for its result line.
fifo=$(mktemp -u)
mkfifo "$fifo"
exec 3<>"$fifo"
results=$(mktemp)
probe <"$fifo" >"$results" 3>&- &
probe_pid=$!
steps=0
step() {
    steps=$((steps + 1))
    printf '%s\n' "$1" >&3
    local tries=200
    while [ "$(wc -l <"$results")" -lt $steps ] && [ $tries -gt 0 ]; do
        sleep 0.05
        tries=$((tries - 1))
    done
    sed -n "${steps}p" "$results"
}
# A frame of the modem core: the request to read "imei", as the modem core sends it.
send_frame() { modem hex "$1" --timeout 0 >/dev/null; }

transcript() {
    echo "# set-up: open, the three ioctls, one of them failing once"
    step open
    step "ioctl RPMSG_CREATE_CHANNEL 8"
    channel_fail RPMSG_SET_INT_FLAG 5 1
    step "ioctl RPMSG_SET_INT_FLAG 1"
    step "ioctl RPMSG_SET_INT_FLAG 1"
    step "ioctl RPMSG_CLEAR_POLL_FLAG 1"
    echo "# the modem core's first message"
    step "ready 2000"
    step "read 64"
    step "ready 200"
    echo "# frames from the modem core, one whole frame a read"
    send_frame 0102030405
    send_frame 0a0b0c0d0e0f10111213
    step "ready 2000"
    step "read 64"
    step "read 4"
    step "ready 200"
    echo "# frames to the modem core; a cap on what one write takes"
    step "write aabbccdd"
    write_max 3
    step "write 0011223344"
    write_max 0
    step "write 55"
    echo "# the modem core gone: reads end, writes fail"
    modem_core_stop
    step "ready 2000"
    step "read 64"
    step "write 66"
    step close
    echo "# no modem core: no channel to open"
    step open
    echo "# the channel's log"
    channel_log
}

transcript >"$out" 2>&1
exec 3>&-
wait $probe_pid
rm -f "$fifo" "$results"
modem_core_start
if diff -u "$HERE/channel.expected" "$out"; then
    echo "rpmsg channel: transcript as expected"
else
    echo "rpmsg channel: the transcript differs from channel.expected (above)"
    exit 1
fi
