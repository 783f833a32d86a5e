# The station step: state 6 with code 0 ends the wait with 1, a refused start at once; both
# are followed by disable and uninit, without stop calls.
. "$(dirname "$0")/wifi_lib.sh"

# sta_fails WHAT CODE DOWN(0|1) LINES...: DOWN 1 when the station goes down with the disable.
sta_fails() {
    ctlw reset
    forget_calls
    run_to_end wlan_dual_demo $'q\n' Home secret-pass 2
    expect_transcript "$1" "$(
        t_begin; t_enable; t_ap 0
        t_params Home secret-pass 2 0 0
        printf '%s\n' "${@:4}"
        echo "${W}user_sta_enable fail:$2!!!"
        if [ "$3" = 1 ]; then
            t_sta_status 6 0 "" "" 0 0
            echo "${W}sta_status end"
        fi
        t_ap_down 0 3
        t_down)"
    expect_eq "$1: disable then uninit, nothing stopped" "qx_wifi_disable_ext 0
qx_wifi_uninit_ext 0" "$(calls | grep -E 'stop_ext|disable_ext|uninit' | cut -d' ' -f2-)"
}

ctlw result sta 6
sta_fails "station state 6, code 0" 1 1 \
    "$(t_sta_status 0 2 Home "" 0 0)" "${W}sta_status end" \
    "$(t_sta_status 2 6 Home "" 0 0)" "${W}sta_status end" \
    "${W}user_wait_sta_start_status fail:1!!!"
ctlw result sta ok
"$ORVO_SRC/sim/module" ctl fail qx_wifi_sta_start_ext -8
sta_fails "station start refused" -8 0 "${W}qx_wifi_sta_start fail:-8!!!"

finish
