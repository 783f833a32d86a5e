# Authentication texts other than the five: reported, both codes left 0, the station still
# starts with the name and pass phrase.
. "$(dirname "$0")/wifi_lib.sh"

param_call() { calls | grep -F qx_wifi_sta_param_set_ext | cut -d' ' -f3-; }

for auth in 00 5 ""; do
    forget_calls
    run_to_end wlan_dual_demo $'q\n' Home secret-pass "$auth"
    expect_transcript "auth [$auth]" "$(
        t_begin; t_enable; t_ap 0
        t_params Home secret-pass "$auth" -1 0 "${W}wlan_dual_param auth [$auth] err!"
        t_sta_up Home
        t_prompt; t_shutdown 0 1)"
    expect_eq "auth [$auth]: record" "0 ssid=Home auth=0 auth_aux=0 pw=secret-pass" "$(param_call)"
done

finish
