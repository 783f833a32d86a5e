# SPDX-License-Identifier: MIT
# The shutdown's disable: a failed state ends the wait with 1, no settled state with 11, a
# refused request at once; the result is printed and the run ends as usual.
. "$(dirname "$0")/test_support.sh"

# disable_fails WHAT TRANSCRIPT
disable_fails() {
    ctl wifi reset
    run_on_text $'q\n' wlan_dual_demo
    expect_console "$1" "$2"
}

ctl wifi result disable 4
disable_fails "disable state 4" wait_disable_state_4
ctl wifi result disable never
disable_fails "disable never settles" wait_disable_never
ctl wifi result disable ok
ctl fail qx_wifi_disable_ext -6
disable_fails "disable refused" wait_disable_refused

finish
