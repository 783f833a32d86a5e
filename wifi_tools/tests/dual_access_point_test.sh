# SPDX-License-Identifier: MIT
# wlan_dual_demo without a station: the command-line rows that start only the access point
# of the work mode, and the shutdown that stops that access point.
. "$(dirname "$0")/test_support.sh"

ap_calls() {
    calls | cut -d' ' -f2- |
        grep -E '^qx_wifi_(work_mode_set|ap_start|ap_stop|ap_get_status|sta_param_set|sta_start|sta_stop|sta_get_status)_ext [0-9]'
}

# check_ap_only WHAT MODE ARGS...
check_ap_only() {
    local what=$1 mode=$2
    shift 2
    forget_calls
    run_on_text $'q\n' wlan_dual_demo "$@"
    expect_console "$what" "ap_mode$mode"
    expect_eq "$what: calls" "qx_wifi_work_mode_set_ext 0 $mode
qx_wifi_ap_start_ext 0 $mode
qx_wifi_ap_get_status_ext 0 $mode
qx_wifi_ap_stop_ext 0 $mode" "$(ap_calls)"
}

check_ap_only "no arguments" 0
check_ap_only "one argument 1: work mode 1" 1 1
check_ap_only "one other argument" 0 01
check_ap_only "two arguments ignored" 0 1 2
check_ap_only "five arguments ignored" 0 1 MyNet password1 2 x

# The callbacks are registered in their fixed order, right after a successful init.
expect_eq "registration order" "qx_wifi_init_ext 0
qx_wifi_set_enable_status_ind_cb_ext 0
qx_wifi_ap_set_status_ind_cb_ext 0
qx_wifi_set_ap_sta_connect_ind_cb_ext 0
qx_wifi_sta_set_status_ind_cb_ext 0
qx_wifi_sta_set_scan_result_ind_cb_ext 0
qx_wifi_set_service_error_cb_ext 0
qx_wifi_enable_ext 0" "$(calls | head -8 | cut -d' ' -f2-)"

finish
