# The station step without a settled state: still connecting, or failed with a reason code
# (which is not final). Both end the wait with 11 after five queries.
. "$(dirname "$0")/wifi_lib.sh"

# sta_unsettled WHAT LINES...
sta_unsettled() {
    ctlw reset
    forget_calls
    run_to_end wlan_dual_demo $'q\n' Home secret-pass 2
    expect_transcript "$1" "$(
        t_begin; t_enable; t_ap 0
        t_params Home secret-pass 2 0 0
        printf '%s\n' "${@:2}"
        echo "${W}user_wait_sta_start_status fail:11!!!"
        echo "${W}user_sta_enable fail:11!!!"
        t_sta_status "$last" 0 "" "" 0 0
        echo "${W}sta_status end"
        t_ap_down 0 3
        t_down)"
    expect_eq "$1: five queries" 5 "$(calls | grep -c sta_get_status)"
}

ctlw result sta never
last=2
sta_unsettled "station never settles" "$(t_sta_status 0 2 Home "" 0 0)" "${W}sta_status end"
ctlw result sta 6 15
last=6
sta_unsettled "station failed with code 15" \
    "$(t_sta_status 0 2 Home "" 0 0)" "${W}sta_status end" \
    "$(t_sta_status 2 6 Home "" 0 15)" "${W}sta_status end"

finish
