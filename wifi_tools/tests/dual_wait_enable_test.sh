# The enable step: a failed enable state ends the wait with 1, no settled state with 11, a
# refused request at once; each ends the run after uninit alone. A failed init only leaves
# the callbacks out.
. "$(dirname "$0")/wifi_lib.sh"

# enable_fails WHAT CODE [CALLBACK LINES]
enable_fails() {
    ctlw reset
    forget_calls
    run_to_end wlan_dual_demo $'q\n'
    expect_transcript "$1" "$(
        t_begin
        [ $# -gt 2 ] && printf '%s\n' "${@:3}"
        [ "$2" -ge 0 ] && echo "${W}user_wait_enable_status fail:$2!!!"
        echo "${W}user_wifi_enable fail:$2!!!")"
    expect_eq "$1: uninit is the last call" "qx_wifi_uninit_ext 0" "$(calls | tail -1 | cut -d' ' -f2-)"
    expect_eq "$1: nothing disabled" 0 "$(calls | grep -c disable_ext)"
}

ctlw result enable 3
enable_fails "enable state 3" 1 "${W}user_status_cb:0,2" "${W}user_status_cb:2,3"
ctlw result enable 4
enable_fails "enable state 4" 1 "${W}user_status_cb:0,2" "${W}user_status_cb:2,4"
ctlw result enable never
enable_fails "enable never settles" 11 "${W}user_status_cb:0,2"
expect_eq "five queries" 5 "$(calls | grep -c get_enable_status)"
ctlw result enable ok

ctlw reset
forget_calls
"$ORVO_SRC/sim/module" ctl fail qx_wifi_enable_ext -5
run_to_end wlan_dual_demo $'q\n'
expect_transcript "enable refused" "$(
    t_begin
    echo "${W}qx_wifi_enable fail:-5!!!"
    echo "${W}user_wifi_enable fail:-5!!!")"
expect_eq "enable refused: no query" 0 "$(calls | grep -c get_enable_status)"
"$ORVO_SRC/sim/module" ctl fail qx_wifi_enable_ext 0

# Without init, no callback is registered and the run goes on.
ctlw reset
forget_calls
"$ORVO_SRC/sim/module" ctl fail qx_wifi_init_ext 9
run_to_end wlan_dual_demo $'q\n'
expect_transcript "init failed" "$(
    t_begin
    echo "${W}qx_wifi_work_mode_set AP0 ret:0"
    echo "${W}user_ap_enable succ"
    t_prompt
    echo "${W}qx_wifi_ap_stop ret:0"
    echo "${W}user_wifi_disable ret:0"
    echo "${W}test end.")"
expect_eq "init failed: no registration" 0 "$(calls | grep -c _cb_ext)"

finish
