# SPDX-License-Identifier: MIT
# The access-point step: state 5 ends the wait with 1, no settled state with 11, a refused
# start at once; each is followed by disable and uninit, without stop calls.
. "$(dirname "$0")/test_support.sh"

# ap_fails WHAT TRANSCRIPT
ap_fails() {
    ctl wifi reset
    forget_calls
    run_on_text $'q\n' wlan_dual_demo 1 Home secret-pass 2
    expect_console "$1" "$2"
    expect_eq "$1: disable then uninit, nothing stopped" "qx_wifi_disable_ext 0
qx_wifi_uninit_ext 0" "$(calls | grep -E 'stop_ext|disable_ext|uninit|sta_start' | cut -d' ' -f2-)"
}

ctl wifi result ap 5
ap_fails "access point state 5" wait_ap_state_5
ctl wifi result ap never
ap_fails "access point never settles" wait_ap_never
ctl wifi result ap ok
ctl fail qx_wifi_ap_start_ext -4
ap_fails "access point start refused" wait_ap_refused

finish
