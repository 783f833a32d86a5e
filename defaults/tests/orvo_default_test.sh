# SPDX-License-Identifier: MIT
# orvo-default writes the version into both options, first ORVO_SW_VERSION, replacing what
# they held; a second run changes nothing.
. "$ORVO_SRC/tests/support/kit.sh"

version=R220-NYY-BASE2WLAN-K40Q07.AP.19.09_CAP.19.09
config=/etc/config/orvo_uci_ro
get() { uci get "orvo_uci_ro.orvo_version.$1"; }
calls() { "$ORVO_SRC/sim/module" ctl calls | grep -F orvo_uci_set | cut -d' ' -f3-; }

# run_quietly WHAT: runs it; it prints nothing and ends with status 0.
run_quietly() {
    orvo-default >/tmp/out 2>&1
    expect_eq "$1: exit status" 0 $?
    expect_eq "$1: prints nothing" "" "$(cat /tmp/out)"
}

uci set orvo_uci_ro.orvo_version.ORVO_SW_VERSION=old-version
uci commit orvo_uci_ro
expect_eq "old value in place" old-version "$(get ORVO_SW_VERSION)"

run_quietly "first run"
expect_eq "first run: ORVO_SW_VERSION replaced" "$version" "$(get ORVO_SW_VERSION)"
expect_eq "first run: ORVO_SW_INSIDE_VERSION" "$version" "$(get ORVO_SW_INSIDE_VERSION)"
expect_eq "writes in order" "orvo_uci_ro.orvo_version.ORVO_SW_VERSION=$version
orvo_uci_ro.orvo_version.ORVO_SW_INSIDE_VERSION=$version" "$(calls)"
expect_eq "committed: nothing staged" "" "$(uci changes orvo_uci_ro)"
after_one=$(cat $config)

run_quietly "second run"
expect_eq "second run: ORVO_SW_VERSION" "$version" "$(get ORVO_SW_VERSION)"
expect_eq "second run: ORVO_SW_INSIDE_VERSION" "$version" "$(get ORVO_SW_INSIDE_VERSION)"
expect_eq "second run: the config as after one" "$after_one" "$(cat $config)"

# A failing write is not reported, and the second one is still made.
"$ORVO_SRC/sim/module" ctl calls clear
"$ORVO_SRC/sim/module" ctl fail orvo_uci_set -3
run_quietly "writes failing"
expect_eq "writes failing: both tried" 2 "$(calls | wc -l)"

finish
