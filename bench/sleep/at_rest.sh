#!/bin/bash
# SPDX-License-Identifier: MIT
# At rest in a simulated module (the board's, for bench/sleep/run.sh): the long-lived threads
# of the deliverables, each started as an application would start it, and how often each
# wakes while nothing happens, from its voluntary context switches over SECONDS.
# Usage: at_rest.sh [SECONDS]
set -euo pipefail
REST=${1:-60}
ctl() { "$ORVO_SRC/sim/module" ctl "$@"; }

ctl nv start
orvo-sim-autosuspend-client wait 1000000 >/dev/null & # the feedback reader
orvo-sim-kesl-call monitor 100000 >/dev/null &        # the low-power-mode monitor
qxipc-demo serve >/dev/null &                         # an IPC receive thread
orvo-sim-sms-client listen >/dev/null &               # the SMS receive threads
programs="$(jobs -p) $(pidof paramlinkd)"
sleep 5 # started and settled

# switches: "PID TID NAME COUNT" for every thread of the programs.
switches() {
    local pid task
    for pid in $programs; do
        for task in /proc/"$pid"/task/*; do
            echo "$pid ${task##*/} $(cat "$task/comm") $(awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status")"
        done
    done
}
before=$(switches)
sleep "$REST"
after=$(switches)
# Each thread's switches over the rest, from the two lists ("PID TID NAME COUNT").
printf '%s\n%s\n%s\n' "$before" "---" "$after" |
    awk -v rest="$REST" '$0 == "---" { later = 1; next }
        !later { first[$1 " " $2] = $4; name[$1 " " $2] = $3; next }
        ($1 " " $2) in first { print $1, $2, name[$1 " " $2], ($4 - first[$1 " " $2]) / rest }' |
    while read -r pid tid name rate; do
        program=$(tr '\0' ' ' <"/proc/$pid/cmdline" | awk '{ sub(".*/", "", $1); print $1, $2 }')
        printf 'figure\tat rest: %s, thread %s (%s), wake-ups per second\t%.2f\t-\t-\t-\n' \
            "$program" "$tid" "$name" "$rate"
    done
jobs -p | xargs -r kill 2>/dev/null || true
