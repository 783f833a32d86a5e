# SPDX-License-Identifier: MIT
# The enable step: a failed enable state ends the wait with 1, no settled state with 11, a
# refused request at once; each ends the run after uninit alone. A failed init only leaves
# the callbacks out.
. "$(dirname "$0")/test_support.sh"

# run_fresh WHAT TRANSCRIPT: a run from a reset service with no calls recorded yet.
run_fresh() {
    ctl wifi reset
    forget_calls
    run_on_text $'q\n' wlan_dual_demo
    expect_console "$1" "$2"
}

# enable_fails WHAT TRANSCRIPT
enable_fails() {
    run_fresh "$1" "$2"
    expect_eq "$1: uninit is the last call" "qx_wifi_uninit_ext 0" "$(calls | tail -1 | cut -d' ' -f2-)"
    expect_eq "$1: nothing disabled" 0 "$(calls | grep -c disable_ext)"
}

ctl wifi result enable 3
enable_fails "enable state 3" wait_enable_state_3
ctl wifi result enable 4
enable_fails "enable state 4" wait_enable_state_4
ctl wifi result enable never
enable_fails "enable never settles" wait_enable_never
expect_eq "five queries" 5 "$(calls | grep -c get_enable_status)"
ctl wifi result enable ok

ctl fail qx_wifi_enable_ext -5
run_fresh "enable refused" wait_enable_refused
expect_eq "enable refused: no query" 0 "$(calls | grep -c get_enable_status)"
ctl unfail qx_wifi_enable_ext

# Without init, no callback is registered and the run goes on.
ctl fail qx_wifi_init_ext 9
run_fresh "init failed" wait_enable_no_init
expect_eq "init failed: no registration" 0 "$(calls | grep -c _cb_ext)"

finish
