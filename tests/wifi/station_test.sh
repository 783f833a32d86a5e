#!/bin/bash
# SPDX-License-Identifier: MIT
# wlan_dual_demo's station on a real radio, joining a network of the peers: with the right
# pass phrase it comes up and gets its address from the network's DHCP server, for each
# authentication the access point offers (WEP with a key of 13 characters) and a name of 32
# bytes; with a wrong one the console's wait gives up; the scan the station made is reported.
# shellcheck source=tests/wifi/wifi_kit.sh
. "$(dirname "$0")/wifi_kit.sh"

# station_up NAME PASS AUTH WHAT: the console's station joins the network NAME.
station_up() {
    local name=$1 pass=$2 auth=$3 what=$4
    expect_ok "$what: the network starts" peers network "$name" "$pass" "$auth"
    dual "$name" "$pass" "$auth"
    expect_eq "$what: the station came up" 1 "$(co_count "${W}user_sta_enable succ")"
    co_wait "$what: the station's address comes from the network's DHCP server" \
        "${W}addr ip:192.168.50.1" 1 20
    expect_ok "$what: the network's DHCP server leased it" \
        grep -q "$(sed -n 's/.*addr ip:\(192[.0-9]*\),.*/\1/p' "$kit_out" | head -1)" \
        <(peers run network dumpleases -f /run/orvo-peers/network.leases)
    co_send q
    co_end 30
    expect_quiet "$what"
    expect_shut_down "$what"
}

station_up "Upstream Net" $UPSTREAM_PASS 2 "WPA2"
expect_main_flow "WPA2" station_wpa2
expect_ok "WPA2: the status names the network's access point" \
    grep -qE "sta_status: 1, Upstream Net, ([0-9a-f]{2}:){5}[0-9a-f]{2}, -[0-9]+, 0" "$kit_out"
expect_ok "WPA2: the gateway and name server are the network's" \
    grep -qF "netmask:255.255.255.0, subnet_bits:24, gateway:192.168.50.1, dnsp:192.168.50.1" "$kit_out"
expect_eq "WPA2: the address came in a report of its own" 1 \
    "$(co_count "${W}user_sta_status_ind_cb pre:1, cur:1")"
expect_eq "WPA2: no report of a station that stays down" 0 "$(co_count "pre:0, cur:0")"
expect_ok "WPA2: the station's scan is reported with the network in it" \
    grep -qE "ap\[[0-9]+\]:Upstream Net,6,-[0-9]+,2,([0-9a-f]{2}:){5}[0-9a-f]{2},2,2437,20" "$kit_out"

station_up "$(printf 'N%.0s' {1..32})" $UPSTREAM_PASS 2 "a name of 32 bytes"
station_up "WPA Net" $UPSTREAM_PASS 1 "WPA"
station_up "Mixed Net" $UPSTREAM_PASS 4 "WPA/WPA2"
station_up "Open Net" $UPSTREAM_PASS 0 "open"
# WEP takes the pass phrase as its key: 13 characters make one, 8 do not.
station_up "WEP Net" 1234567890abc 3 "WEP"
peers network "WEP Net" 12345 3
co_start wlan_dual_demo "WEP Net" 12345678 3
co_wait "WEP, no key of 8 characters: the station fails at once" \
    "${W}user_wait_sta_start_status fail:1!!!" 1 30
co_end 30
expect_shut_down "WEP, a key of 8 characters"

# A wrong pass phrase: the handshake fails, the station never comes up (wpa_supplicant
# tries again after a pause; the console gives up first).
peers network "Upstream Net" $UPSTREAM_PASS 2
co_start wlan_dual_demo "Upstream Net" wrong-pass 2
co_wait "wrong pass phrase: the wait gives up" "${W}user_wait_sta_start_status fail:" 1 40
co_end 30
expect_quiet "wrong pass phrase"
expect_main_flow "wrong pass phrase" station_wrong_pass
expect_shut_down "wrong pass phrase"

peers stop
finish_wifi
