#!/bin/bash
# SPDX-License-Identifier: MIT
# wlan_rftest_demo on a real radio: test mode puts the access point's radio into monitor
# mode and back; while Wi-Fi is on, test mode is refused.
# shellcheck source=tests/wifi/wifi_kit.sh
. "$(dirname "$0")/wifi_kit.sh"

radio_type() { iw dev "$AP_DEV" info | awk '$1 == "type" { print $2 }'; }
is_type() { [ "$(radio_type)" = "$1" ]; }
R='[wlan_rftest]'

co_start wlan_rftest_demo
co_send testmode_enable
co_wait "enable" "${R}testmode_enable ret=0"
wait_for "test mode: the radio is in monitor mode" 10 is_type monitor
checks=$((checks + 1))
radio_up "$AP_DEV" || fail "test mode: the radio is up"
co_send testmode_disable
co_wait "disable" "${R}testmode_disable ret=0"
wait_for "test mode off: the radio is back in managed mode" 10 is_type managed
co_send q
co_end
expect_quiet "rftest"

# With Wi-Fi on, the radio is the access point's.
dual
printf 'testmode_enable\nq\n' | wlan_rftest_demo >/tmp/rftest.out 2>&1
expect_ok "Wi-Fi on: test mode refused" grep -qE "testmode_enable ret=-[0-9]+" /tmp/rftest.out
expect_eq "Wi-Fi on: the radio stays the access point's" AP "$(radio_type)"
co_send q
co_end 30
expect_shut_down "rftest with Wi-Fi on"
finish_wifi
