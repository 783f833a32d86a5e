# SPDX-License-Identifier: MIT
# The station step: state 6 with code 0 ends the wait with 1, a refused start at once; both
# are followed by disable and uninit, without stop calls.
. "$(dirname "$0")/test_support.sh"

# sta_fails WHAT TRANSCRIPT
sta_fails() {
    ctl wifi reset
    forget_calls
    run_on_text $'q\n' wlan_dual_demo Home secret-pass 2
    expect_console "$1" "$2"
    expect_eq "$1: disable then uninit, nothing stopped" "qx_wifi_disable_ext 0
qx_wifi_uninit_ext 0" "$(calls | grep -E 'stop_ext|disable_ext|uninit' | cut -d' ' -f2-)"
}

ctl wifi result sta 6
sta_fails "station state 6, code 0" wait_sta_state_6
ctl wifi result sta ok
ctl fail qx_wifi_sta_start_ext -8
sta_fails "station start refused" wait_sta_refused

finish
