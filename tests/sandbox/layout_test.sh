# SPDX-License-Identifier: MIT
# The module's file system and tools inside a sandbox.
. "$ORVO_SRC/tests/support/kit.sh"

# Only the simulated services' sockets (the autosuspend service's at its product paths),
# and the way to a source or build folder kept from under the host's /tmp.
kept=$(for dir in "$ORVO_SRC" "$ORVO_BUILD"; do
    case $dir in /tmp/*) dir=${dir#/tmp/} && echo "${dir%%/*}" ;; esac
done)
expect_eq "private /tmp starts empty" "" \
    "$(ls -A /tmp | grep -v '^autosuspend\.\(cmd\|data\)\.server$' | grep -vxF "${kept:-/}")"
expect_ok "source folder at its path" test -f "$ORVO_SRC/sim/config/orvo_uci"
expect_ok "build folder at its path" test -x "$ORVO_BUILD/bin/orvo-sim-kernel"
expect_ok "orvo_uci config" grep -q "config orvo_autosuspend 'orvo_autosuspend'" /etc/config/orvo_uci
expect_ok "orvo_uci_ro config" grep -q "config orvo_version 'orvo_version'" /etc/config/orvo_uci_ro
expect_eq "ps -ef lists the process id first" "$$" "$(ps -ef | awk -v p=$$ '$1 == p {print $1}')"
expect_eq "no queues at start" "0" "$(ipcs -q | grep -c '^0x')"
expect_ok "control topics answer" "$ORVO_SRC/sim/module" ctl calls
expect_fail "ctl rejects an unknown topic" "$ORVO_SRC/sim/module" ctl nosuchtopic
expect_fail "no sandbox inside a sandbox" "$ORVO_SRC/sim/module" run true
finish
