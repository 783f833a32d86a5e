# SPDX-License-Identifier: MIT
# A status query that gets no answer only uses up a try of its wait.
. "$(dirname "$0")/test_support.sh"

ctl fail qx_wifi_get_enable_status_ext -7 2
forget_calls
run_on_text $'q\n' wlan_dual_demo
expect_console "two queries unanswered" ap_mode0
expect_eq "answered at the third query" 3 \
    "$(calls | sed -n '/enable_ext/,/work_mode/p' | grep -c get_enable_status)"

ctl wifi reset
ctl fail qx_wifi_get_enable_status_ext -7
forget_calls
run_on_text $'q\n' wlan_dual_demo
expect_console "no query answered" wait_query_none
expect_eq "five queries" 5 "$(calls | grep -c get_enable_status)"

finish
