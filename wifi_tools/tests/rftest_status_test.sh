# wlan_rftest_demo reports the enable state changes that another client causes, and ends
# on SIGINT while its prompt waits.
. "$(dirname "$0")/wifi_lib.sh"

start_console wlan_rftest_demo
rftest_pid=$pid
wait_for "prompt" 10 shows "${R}Please input test command:"
OUT=/tmp/dual_out run_to_end wlan_dual_demo $'q\n'
expect_eq "the other client's run" "${W}test end." "$(tail -1 /tmp/dual_out)"
wait_for "Wi-Fi off again" 5 shows "${R}user_status_cb:2,0"
kill -INT $rftest_pid
pid=$rftest_pid
wait_end
expect_transcript "enable state reports" "$(
    echo "${R}test begin"
    echo "${R}Please input test command:"
    echo "${R}user_status_cb:0,2"
    echo "${R}user_status_cb:2,1"
    echo "${R}user_status_cb:1,2"
    echo "${R}user_status_cb:2,0"
    t_handler 2
    echo "${R}test end")"

finish
