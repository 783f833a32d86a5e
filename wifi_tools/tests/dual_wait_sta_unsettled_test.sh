# SPDX-License-Identifier: MIT
# The station step without a settled state: still connecting, or failed with a reason code
# (which is not final). Both end the wait with 11 after five queries.
. "$(dirname "$0")/test_support.sh"

# sta_unsettled WHAT TRANSCRIPT
sta_unsettled() {
    ctl wifi reset
    forget_calls
    run_on_text $'q\n' wlan_dual_demo Home secret-pass 2
    expect_console "$1" "$2"
    expect_eq "$1: five queries" 5 "$(calls | grep -c sta_get_status)"
}

ctl wifi result sta never
sta_unsettled "station never settles" wait_sta_never
ctl wifi result sta 6 15
sta_unsettled "station failed with code 15" wait_sta_code_15

finish
