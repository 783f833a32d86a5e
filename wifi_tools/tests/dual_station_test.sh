# SPDX-License-Identifier: MIT
# wlan_dual_demo with a station: three arguments (work mode 0, even when the first is "1")
# and four (work mode from the first); the parameter record handed to the library.
. "$(dirname "$0")/test_support.sh"

param_call() { calls | grep -F qx_wifi_sta_param_set_ext | cut -d' ' -f3-; }

forget_calls
run_on_text $'q\n' wlan_dual_demo 1 password1 2
expect_console "three arguments, the first 1" station_three_args
expect_eq "three arguments: record" "0 ssid=1 auth=2 auth_aux=2 pw=password1" "$(param_call)"
expect_eq "three arguments: calls in order" "qx_wifi_sta_stop_ext 0
qx_wifi_ap_stop_ext 0 0
qx_wifi_disable_ext 0" "$(calls | grep -E 'stop_ext|disable_ext' | cut -d' ' -f2-)"

forget_calls
run_on_text $'exit\n' wlan_dual_demo 1 "Cafe Net" 'pass word!' 4
expect_console "four arguments, work mode 1" station_work_mode_1
expect_eq "four arguments: record" "0 ssid=Cafe Net auth=4 auth_aux=2 pw=pass word!" "$(param_call)"

# Authentication codes and their companions: 1 and 2 with AES, 3 (WEP) and 0 without.
forget_calls
run_on_text $'stop\n' wlan_dual_demo 0 Lab 12345678 3
expect_console "four arguments, work mode 0" station_work_mode_0
expect_eq "auth 3: record" "0 ssid=Lab auth=3 auth_aux=0 pw=12345678" "$(param_call)"

finish
