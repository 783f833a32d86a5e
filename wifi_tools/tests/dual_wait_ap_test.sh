# The access-point step: state 5 ends the wait with 1, no settled state with 11, a refused
# start at once; each is followed by disable and uninit, without stop calls.
. "$(dirname "$0")/wifi_lib.sh"

# ap_fails WHAT CODE DOWN_LINE LINES...: DOWN_LINE (if any) comes with the disable.
ap_fails() {
    ctlw reset
    forget_calls
    run_to_end wlan_dual_demo $'q\n' 1 Home secret-pass 2
    expect_transcript "$1" "$(
        t_begin; t_enable
        echo "${W}qx_wifi_work_mode_set AP1 ret:0"
        [ $# -gt 3 ] && printf '%s\n' "${@:4}"
        echo "${W}user_ap_enable fail:$2!!!"
        [ -n "$3" ] && echo "$3"
        t_down)"
    expect_eq "$1: disable then uninit, nothing stopped" "qx_wifi_disable_ext 0
qx_wifi_uninit_ext 0" "$(calls | grep -E 'stop_ext|disable_ext|uninit|sta_start' | cut -d' ' -f2-)"
}

starting="${W}user_ap_status_cb:1,0,ORVO-AP1,2,02:4f:56:00:00:01"
ctlw result ap 5
ap_fails "access point state 5" 1 "${W}user_ap_status_cb:1,5,ORVO-AP1,0,02:4f:56:00:00:01" \
    "$starting" "${W}user_ap_status_cb:1,2,ORVO-AP1,5,02:4f:56:00:00:01" \
    "${W}user_wait_ap_start_status fail:1!!!"
ctlw result ap never
ap_fails "access point never settles" 11 "${W}user_ap_status_cb:1,2,ORVO-AP1,0,02:4f:56:00:00:01" \
    "$starting" "${W}user_wait_ap_start_status fail:11!!!"
ctlw result ap ok
"$ORVO_SRC/sim/module" ctl fail qx_wifi_ap_start_ext -4
ap_fails "access point start refused" -4 "" "${W}qx_wifi_ap_start fail:-4!!!"

finish
