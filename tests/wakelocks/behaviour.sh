#!/bin/bash
# SPDX-License-Identifier: MIT
# The kernel's wake-lock files, step by step: prints a transcript of every write's result
# and every listing's bytes, and compares it with behaviour.expected. The same script runs
# in the simulated module on the host (the simulated kernel) and on the emulated board (the
# real kernel), which must give the same transcript. Run it on a kernel whose wake locks are
# still untouched but for those of the services started at boot (paramlinkd's on the
# board): the names the kernel knows as it starts are left out of every listing.
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
LOCK=/sys/power/wake_lock
UNLOCK=/sys/power/wake_unlock
SOURCES=/sys/kernel/debug/wakeup_sources

lock() { echo "lock '$1': $(orvo-sim-kwrite $LOCK "$1")"; }
unlock() { echo "unlock '$1': $(orvo-sim-kwrite $UNLOCK "$1")"; }
# The names the kernel knows before the test, one per line.
BEFORE=$(cat $LOCK $UNLOCK | tr ' ' '\n' | sed '/^$/d')
# without_before: the listing on standard input (names separated by one space, the last
# followed by the line feed) without the names of BEFORE.
without_before() {
    awk -v before="$BEFORE" 'BEGIN { n = split(before, names, "\n"); for (i = 1; i <= n; i++) known[names[i]] }
        { line = ""; count = split($0, words, " ")
          for (i = 1; i <= count; i++)
              if (!(words[i] in known)) line = line (line == "" ? "" : " ") words[i]
          print line }'
}
# A listing's exact bytes, line feeds and all.
show() {
    local text
    text=$(
        without_before <"$1"
        echo .
    )
    printf '%s: %q\n' "$(basename "$1")" "${text%.}"
}
# wakeup_sources with the times shown as 0 or + (they differ from run to run): the rows of
# the wake locks, the kernel's autosleep and the removed sources' totals ("deleted"), not
# those of devices that can wake the system.
sources() {
    awk -F'\t+' 'NR == 1 { print; next }
        { sub(/ +$/, "", $1) }
        !index(" " names " autosleep deleted ", " " $1 " ") { next }
        { printf "%s", $1; for (i = 2; i <= 5; i++) printf " %s", $i
          for (i = 6; i <= 9; i++) printf " %s", ($i == 0 ? "0" : "+")
          printf " %s\n", $10 }' names="$(cat $LOCK $UNLOCK | without_before | tr '\n' ' ')" "$SOURCES"
}

transcript() {
    echo "# fresh kernel"
    show $LOCK
    show $UNLOCK
    echo "# names with and without a time-out in ns"
    lock mylock
    # Time-outs long enough for a slow board to reach the sorted listings first.
    local taken=$SECONDS
    lock 't2 20000000000\n'
    lock 'renew 20000000000'
    lock 'renew 1000000'
    lock 'forever 20000000000'
    lock 'forever\n'
    show $LOCK
    show $UNLOCK
    echo "# unlocking"
    sleep 0.2
    unlock 'mylock\n'
    show $LOCK
    show $UNLOCK
    unlock mylock
    unlock nosuch
    unlock 'mylock\n\n'
    echo "# what a write to wake_lock accepts"
    lock 'bad 12x'
    lock 'bad 12 '
    lock 'bad 99999999999999999999'
    lock ' 5'
    lock '\n'
    lock 'a b'
    lock 'tab\t\t+20000000000' # unlocked long before, however slow the board
    lock 'zero 0'
    lock 'nl\nrest'
    lock 'nul\0rest'
    lock ''
    unlock ''
    unlock '\n'
    unlock 'a b'
    echo "# sorted listings"
    sleep 0.2
    lock Zed
    lock alpha
    lock 'alpha2'
    unlock tab
    show $LOCK
    show $UNLOCK
    echo "# after the time-outs"
    local left=$((taken + 22 - SECONDS))
    [ $left -le 0 ] || sleep $left
    show $LOCK
    show $UNLOCK
    echo "# wakeup_sources"
    sources
}

if [ "${1:-}" = --print ]; then
    transcript
    exit 0
fi
diff -u "$HERE/behaviour.expected" <(transcript) && echo "wake-lock behaviour: as expected"
