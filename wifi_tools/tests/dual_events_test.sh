# SPDX-License-Identifier: MIT
# What wlan_dual_demo prints of the service's reports while it runs: stations joining and
# leaving the access point (with and without a host name), scan results, service errors,
# and a station whose IPv4 flag is not 1.
. "$(dirname "$0")/test_support.sh"

ctl wifi addr 2 1
co_start wlan_dual_demo 1 Home secret-pass 2
co_wait "prompt" "$dual_prompt" 1 15

# step WHAT LINE CTL-ARGS...: raises an event and waits for its last line.
step() {
    local what=$1 line=$2
    shift 2
    expect_ok "$what" ctl wifi "$@"
    co_wait "$what: reported" "$line"
}
step "join with host name" "${W}user_ap_sta_conn_status_cb:1,1,11:22:33:44:55:66,phone" \
    join 11:22:33:44:55:66 phone 1
step "join without host name" "${W}user_ap_sta_conn_status_cb:1,1,aa:bb:cc:dd:ee:ff," \
    join aa:bb:cc:dd:ee:ff "" 1
step "leave" "${W}user_ap_sta_conn_status_cb:1,0,11:22:33:44:55:66," leave 11:22:33:44:55:66 1
step "scan" "${W}ap[2]:" scan 3
step "empty scan" "${W}user_sta_scan_result_ind_cb:0" scan 0
step "service error" "${W}user_wifi_service_error_cb: -7" error -7
expect_fail "no station joins an access point that is down" ctl wifi join 11:22:33:44:55:77 x 0
co_send q
co_end
expect_console "events" events
expect_eq "host-name lookups" "qx_wifi_get_hostname_by_mac_ext 0 11:22:33:44:55:66 32
qx_wifi_get_hostname_by_mac_ext 0 aa:bb:cc:dd:ee:ff 32
qx_wifi_get_hostname_by_mac_ext 0 11:22:33:44:55:66 32" "$(calls | grep -F hostname | cut -d' ' -f2-)"

finish
