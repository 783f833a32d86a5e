# SPDX-License-Identifier: MIT
# shellcheck shell=bash disable=SC2034
# What the Wi-Fi tests on the emulated board share: the consoles on the kernel's simulated
# radios, the peers on the radios the module leaves free (sim/board.d/wifi-peers), and the
# look at what the Wi-Fi service left running.
# shellcheck source=tests/support/kit.sh
. "$ORVO_SRC/tests/support/kit.sh"

W='[wlan_dual_demo]'
dual_prompt="${W}when want to off, input command:"
peers() { "$ORVO_SRC/sim/board.d/wifi-peers" "$@"; }
UPSTREAM_PASS=upstream-pass

if ! on_board || [ "$(find /sys/class/ieee80211/ -mindepth 1 -maxdepth 1 | wc -l)" -lt 4 ]; then
    echo "FAIL: not on the emulated board with four radios" >&2
    exit 1
fi

# The module's radios: the access point's interface, the station's (moved into a namespace
# of its own while Wi-Fi is on).
netdev_of() {
    local dev
    for dev in /sys/class/net/*; do
        [ "$(cat "$dev/phy80211/name" 2>/dev/null)" = "$1" ] && basename "$dev" && return 0
    done
    return 1
}
AP_DEV=$(netdev_of phy0)

daemons() { pidof hostapd wpa_supplicant udhcpd udhcpc 2>/dev/null; }
# Only the peers' daemons may run: the module's are gone.
module_daemons() {
    local pid
    for pid in $(daemons); do
        grep -q /run/orvo-peers "/proc/$pid/cmdline" 2>/dev/null || echo "$pid"
    done
}
radio_up() { ip link show "$1" 2>/dev/null | grep -q '<[^>]*\bUP\b'; }

# expect_shut_down WHAT: nothing of the module's Wi-Fi runs and its radios are down (the
# station's back from its namespace).
expect_shut_down() {
    expect_eq "$1: no hostapd, wpa_supplicant or DHCP of the module's left" "" "$(module_daemons)"
    checks=$((checks + 1))
    radio_up "$AP_DEV" && fail "$1: the access point's radio is still up"
    wait_for "$1: the station's radio is back" 10 netdev_of phy1 >/dev/null
}

# The main flow of the console's output: the lines the callbacks print (on the library's
# thread, at times the real stack chooses) left out.
main_flow() {
    grep -vE '_cb[: ]|^\[wlan_dual_demo\](sta_status|addr6? ip|ap\[)|^\[wlan_demo\]' "$kit_out"
}
# expect_main_flow WHAT NAME: the main flow is transcripts/NAME.out.
expect_main_flow() {
    main_flow >/tmp/wifi.flow
    expect_file "$1: transcript" "$transcripts/$2.out" /tmp/wifi.flow
}

# dual ARGS...: wlan_dual_demo started on the fifo; waits for its prompt (30 s: the real
# waits take up to five seconds each).
dual() {
    co_start wlan_dual_demo "$@"
    co_wait "wlan_dual_demo $*: prompt" "$dual_prompt" 1 30
}

# finish, with the last console's output and the stack's log after a failure.
finish_wifi() {
    [ $failures = 0 ] || {
        echo "--- the last console's output:"
        cat "$kit_out"
        echo "--- the end of the Wi-Fi service's log:"
        grep -v '^[[:space:]]' /run/orvo-sim/wifi/stack.log | tail -30
    } >&2
    finish
}
