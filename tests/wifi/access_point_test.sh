#!/bin/bash
# SPDX-License-Identifier: MIT
# wlan_dual_demo's access point on a real radio: a peer station of its own joins it, gets an
# address from its DHCP server and reaches it across the air; the console reports the join
# with the peer's MAC and host name; each way of ending shuts everything down.
# shellcheck source=tests/wifi/wifi_kit.sh
. "$(dirname "$0")/wifi_kit.sh"

peer_mac=$(cat "/sys/class/net/$(netdev_of phy3)/address")

# ap_joined MODE: the access point of work mode MODE is on the air; the peer joins it.
ap_joined() {
    local mode=$1 net=$((43 + $1)) dev=$AP_DEV
    [ "$mode" = 0 ] || dev=${AP_DEV}ap$mode # an interface added beside the radio's
    expect_eq "mode $mode: hostapd runs" 1 "$(pidof hostapd | wc -w)"
    expect_ok "mode $mode: the peer joins ORVO-AP$mode" peers join "ORVO-AP$mode" orvo-module peer-phone
    expect_ok "mode $mode: the peer reaches the module across the air" \
        peers run station ping -c 1 -W 5 "192.168.$net.1"
    co_wait "mode $mode: the join is reported with the host name" \
        "user_ap_sta_conn_status_cb:$mode,1,$peer_mac,peer-phone" 1 15
    expect_eq "mode $mode: the access point's record names it and its radio" 1 \
        "$(grep -cE "user_ap_status_cb:$mode,2,ORVO-AP$mode,3,$(cat "/sys/class/net/$dev/address")" "$kit_out")"
}

dual
ap_joined 0
co_send q
co_end 30
expect_quiet "mode 0"
expect_main_flow "mode 0" ap_mode0
peers leave
expect_shut_down "mode 0, q"

dual 1
ap_joined 1
peers leave
co_wait "mode 1: the peer's leaving is reported" "user_ap_sta_conn_status_cb:1,0,$peer_mac" 1 15
co_send stop
co_end 30
expect_quiet "mode 1"
expect_main_flow "mode 1" ap_mode1
expect_shut_down "mode 1, stop"

# Each termination signal, and exit.
for ending in exit INT HUP TERM; do
    dual
    if [ $ending = exit ]; then co_send exit; else co_signal $ending; fi
    co_end 30
    expect_quiet "$ending"
    expect_eq "$ending: the console ended its run" 1 "$(co_count "${W}test end.")"
    expect_shut_down "$ending"
done

finish_wifi
