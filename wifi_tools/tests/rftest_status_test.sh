# SPDX-License-Identifier: MIT
# wlan_rftest_demo reports the enable state changes that another client causes, and ends
# on SIGINT while its prompt waits.
. "$(dirname "$0")/test_support.sh"

co_start wlan_rftest_demo
co_wait "prompt" "$rftest_prompt" 1 10
wlan_dual_demo <<<q >/tmp/dual.out 2>&1
expect_eq "the other client's run" "${W}test end." "$(tail -1 /tmp/dual.out)"
co_wait "Wi-Fi off again" "${R}user_status_cb:2,0"
co_signal INT
co_end
expect_console "enable state reports" rftest_status

finish
