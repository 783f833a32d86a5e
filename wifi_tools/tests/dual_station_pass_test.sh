# Pass phrases of 8 to 63 bytes, whatever the authentication; a rejected one leaves the
# name in the record (an open network to the library) and the station still starts.
. "$(dirname "$0")/wifi_lib.sh"

param_call() { calls | grep -F qx_wifi_sta_param_set_ext | cut -d' ' -f3-; }

forget_calls
run_to_end wlan_dual_demo $'q\n' Home 12345678 0
expect_transcript "8-byte pass phrase, open network" "$(
    t_begin; t_enable; t_ap 0
    t_params Home 12345678 0 0 0
    t_sta_up Home
    t_prompt; t_shutdown 0 1)"
expect_eq "open network: record" "0 ssid=Home auth=0 auth_aux=0 pw=12345678" "$(param_call)"

# rejected_pw WHAT PW AUTH
rejected_pw() {
    forget_calls
    run_to_end wlan_dual_demo $'q\n' Home "$2" "$3"
    expect_transcript "$1" "$(
        t_begin; t_enable; t_ap 0
        t_params Home "$2" "$3" -1 0 "${W}wlan_dual_param pw [$2] err!"
        t_sta_up Home
        t_prompt; t_shutdown 0 1)"
    expect_eq "$1: record holds the name only" "0 ssid=Home auth=0 auth_aux=0 pw=" "$(param_call)"
}
rejected_pw "7-byte pass phrase of an open network" 1234567 0
rejected_pw "64-byte pass phrase" "$(printf 'p%.0s' $(seq 64))" 2

finish
