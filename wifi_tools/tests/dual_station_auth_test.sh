# SPDX-License-Identifier: MIT
# Authentication texts other than the five: reported, both codes left 0, the station still
# starts with the name and pass phrase.
. "$(dirname "$0")/test_support.sh"

param_call() { calls | grep -F qx_wifi_sta_param_set_ext | cut -d' ' -f3-; }

for auth in 00 5 ""; do
    forget_calls
    run_on_text $'q\n' wlan_dual_demo Home secret-pass "$auth"
    expect_console "auth [$auth]" "auth_${auth:-empty}"
    expect_eq "auth [$auth]: record" "0 ssid=Home auth=0 auth_aux=0 pw=secret-pass" "$(param_call)"
done

finish
