# SPDX-License-Identifier: MIT
# Pass phrases of 8 to 63 bytes, whatever the authentication; a rejected one leaves the
# name in the record (an open network to the library) and the station still starts.
. "$(dirname "$0")/test_support.sh"

param_call() { calls | grep -F qx_wifi_sta_param_set_ext | cut -d' ' -f3-; }

forget_calls
run_on_text $'q\n' wlan_dual_demo Home 12345678 0
expect_console "8-byte pass phrase, open network" pass_8_open
expect_eq "open network: record" "0 ssid=Home auth=0 auth_aux=0 pw=12345678" "$(param_call)"

# rejected_pw WHAT TRANSCRIPT PW AUTH
rejected_pw() {
    forget_calls
    run_on_text $'q\n' wlan_dual_demo Home "$3" "$4"
    expect_console "$1" "$2"
    expect_eq "$1: record holds the name only" "0 ssid=Home auth=0 auth_aux=0 pw=" "$(param_call)"
}
rejected_pw "7-byte pass phrase of an open network" pass_7_open 1234567 0
rejected_pw "64-byte pass phrase" pass_64 "$(printf 'p%.0s' $(seq 64))" 2

finish
