# SPDX-License-Identifier: MIT
# Station names: 1 to 32 bytes. A rejected name is reported, the record still goes to the
# library (which refuses an empty name), and the station start is still made.
. "$(dirname "$0")/test_support.sh"

param_call() { calls | grep -F qx_wifi_sta_param_set_ext | cut -d' ' -f3-; }
name32=abcdefghijklmnopqrstuvwxyz012345
name33=${name32}6
pw63=$(printf 'p%.0s' $(seq 63))

# A 32-byte name and a 63-byte pass phrase are accepted; the name fills its field.
forget_calls
run_on_text $'q\n' wlan_dual_demo "$name32" "$pw63" 1
expect_console "32-byte name" name_32
expect_eq "32-byte name: record" "0 ssid=$name32 auth=1 auth_aux=2 pw=$pw63" "$(param_call)"

# rejected_name WHAT TRANSCRIPT NAME: the library refuses the empty record, the station
# cannot start.
rejected_name() {
    forget_calls
    run_on_text $'q\n' wlan_dual_demo "$3" "$pw63" 2
    expect_console "$1" "$2"
    expect_eq "$1: record empty" "0 ssid= auth=0 auth_aux=0 pw=" "$(param_call)"
    expect_eq "$1: station start made, no stop calls" "qx_wifi_sta_start_ext 0
qx_wifi_disable_ext 0
qx_wifi_uninit_ext 0" "$(calls | grep -E 'sta_start|stop_ext|disable_ext|uninit' | cut -d' ' -f2-)"
}
rejected_name "33-byte name" name_33 "$name33"
rejected_name "empty name" name_empty ""

finish
