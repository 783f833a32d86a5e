# The shutdown's disable: a failed state ends the wait with 1, no settled state with 11, a
# refused request at once; the result is printed and the run ends as usual.
. "$(dirname "$0")/wifi_lib.sh"

# disable_fails WHAT RESULT LINES...
disable_fails() {
    ctlw reset
    run_to_end wlan_dual_demo $'q\n'
    expect_transcript "$1" "$(
        t_begin; t_enable; t_ap 0; t_prompt
        echo "${W}qx_wifi_ap_stop ret:0"
        printf '%s\n' "${@:3}"
        echo "${W}user_wifi_disable ret:$2"
        echo "${W}test end.")"
}

ctlw result disable 4
disable_fails "disable state 4" 1 "$(t_ap_down 0 3)" "${W}user_status_cb:1,2" \
    "${W}user_status_cb:2,4" "${W}user_wait_disable_status fail:1!!!"
ctlw result disable never
disable_fails "disable never settles" 11 "$(t_ap_down 0 3)" "${W}user_status_cb:1,2" \
    "${W}user_wait_disable_status fail:11!!!"
ctlw result disable ok
"$ORVO_SRC/sim/module" ctl fail qx_wifi_disable_ext -6
disable_fails "disable refused" -6 "${W}qx_wifi_disable fail:-6!!!"

finish
