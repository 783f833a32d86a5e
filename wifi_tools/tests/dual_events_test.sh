# What wlan_dual_demo prints of the service's reports while it runs: stations joining and
# leaving the access point (with and without a host name), scan results, service errors,
# and a station whose IPv4 flag is not 1.
. "$(dirname "$0")/wifi_lib.sh"

ctlw addr 2 1
start_console wlan_dual_demo 1 Home secret-pass 2
wait_for "prompt" 15 shows "$(t_prompt)"

# step WHAT LINE CTL-ARGS...: raises an event and waits for its last line.
step() {
    local what=$1 line=$2
    shift 2
    expect_ok "$what" ctlw "$@"
    wait_for "$what: reported" 5 shows "$line"
}
step "join with host name" "${W}user_ap_sta_conn_status_cb:1,1,11:22:33:44:55:66,phone" \
    join 11:22:33:44:55:66 phone 1
step "join without host name" "${W}user_ap_sta_conn_status_cb:1,1,aa:bb:cc:dd:ee:ff," \
    join aa:bb:cc:dd:ee:ff "" 1
step "leave" "${W}user_ap_sta_conn_status_cb:1,0,11:22:33:44:55:66," leave 11:22:33:44:55:66 1
step "scan" "${W}ap[2]:" scan 3
step "empty scan" "${W}user_sta_scan_result_ind_cb:0" scan 0
step "service error" "${W}user_wifi_service_error_cb: -7" error -7
expect_fail "no station joins an access point that is down" ctlw join 11:22:33:44:55:77 x 0
type_line q
wait_end

expect_transcript "events" "$(
    t_begin; t_enable; t_ap 1
    t_params Home secret-pass 2 0 0
    t_sta_status 0 2 Home "" 0 0
    echo "${W}sta_status end"
    t_sta_status 2 1 Home 00:0a:f5:5e:a1:01 -48 0
    t_addr6
    echo "${W}sta_status end"
    echo "${W}user_sta_enable succ"
    t_prompt
    echo "${W}user_ap_sta_conn_status_cb:1,1,11:22:33:44:55:66,phone"
    echo "[wlan_demo]sta ip not assigned, try again later!"
    echo "${W}user_ap_sta_conn_status_cb:1,1,aa:bb:cc:dd:ee:ff,"
    echo "[wlan_demo]sta ip not assigned, try again later!"
    echo "${W}user_ap_sta_conn_status_cb:1,0,11:22:33:44:55:66,"
    echo "${W}user_sta_scan_result_ind_cb:3"
    echo "${W}ap[0]:HomeNet,1,-40,0,00:0a:f5:10:00:00,0,2412,20"
    echo "${W}ap[1]:Office,6,-47,1,00:0a:f5:10:00:01,2,2437,20"
    echo "${W}ap[2]:Guest,11,-54,2,00:0a:f5:10:00:02,2,2462,20"
    echo "${W}user_sta_scan_result_ind_cb:0"
    echo "${W}user_wifi_service_error_cb: -7"
    t_shutdown 1 1)"
expect_eq "host-name lookups" "qx_wifi_get_hostname_by_mac_ext 0 11:22:33:44:55:66 32
qx_wifi_get_hostname_by_mac_ext 0 aa:bb:cc:dd:ee:ff 32
qx_wifi_get_hostname_by_mac_ext 0 11:22:33:44:55:66 32" "$(calls | grep -F hostname | cut -d' ' -f2-)"

finish
