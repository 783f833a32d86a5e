# SPDX-License-Identifier: MIT
# wlan_rftest_demo: leading parts of "testmode_enable" switch test mode on, then those of
# "testmode_disable" off; anything else gives the usage lines; a line feed alone only its
# echo; long lines are read in pieces, each losing its last character.
. "$(dirname "$0")/test_support.sh"

test_modes() { calls | grep -F qx_wifi_drv_test_mode_ext | cut -d' ' -f4 | tr '\n' ' '; }

forget_calls
run_on rftest_commands wlan_rftest_demo
expect_console "commands" rftest_commands
expect_eq "test mode calls" "1 1 0 1 0 1 " "$(test_modes)"

# last_line_at_end WHAT NAME: transcripts/NAME.in, a text without a line feed, then the end
# of input; the prompt comes again until SIGTERM (shown once in NAME.out).
last_line_at_end() {
    co_start_on "$2" wlan_rftest_demo
    wait_for "$1: prompt again" 10 co_shows "$rftest_prompt" 2
    co_signal TERM
    co_end
    expect_eq "$1: exit status" 0 "$status"
    uniq "$kit_out" >/tmp/uniq.out
    expect_file "$1: transcript" "$transcripts/$2.out" /tmp/uniq.out
}
forget_calls
last_line_at_end "disable word without line feed" rftest_disable_at_end
expect_eq "disable word without line feed: test mode off" "0 " "$(test_modes)"
last_line_at_end "stop without line feed" rftest_stop_at_end

# Without init no callback is registered; the test-mode calls are still made.
ctl fail qx_wifi_init_ext 3
forget_calls
run_on_text $'t\nq\n' wlan_rftest_demo
expect_console "init failed" rftest_no_init
expect_eq "init failed: no registration" "qx_wifi_init_ext 0
qx_wifi_drv_test_mode_ext 0 1
qx_wifi_uninit_ext 0" "$(calls | cut -d' ' -f2-)"

finish
