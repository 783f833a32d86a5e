# Termination signals reach the consoles' main thread only: the Wi-Fi library's threads hold
# them back, so one sent to the process while the main thread holds them too (between the
# stop-flag check and the wait for input) waits for that wait and ends the console at once.
. "$(dirname "$0")/wifi_lib.sh"

HELD_BITS=$(((1 << (1 - 1)) | (1 << (2 - 1)) | (1 << (15 - 1)))) # SIGHUP, SIGINT, SIGTERM

# other_threads_hold PID: there are threads besides the main one, and each blocks all three.
other_threads_hold() {
    local pid=$1 others=0 task blocked
    for task in /proc/"$pid"/task/*; do
        [ "${task##*/}" = "$pid" ] && continue
        others=$((others + 1))
        blocked=$(awk '/^SigBlk:/ { print $2 }' "$task/status")
        [ $((0x$blocked & HELD_BITS)) = $HELD_BITS ] || return 1
    done
    [ $others -gt 0 ]
}
ended() { ! kill -0 "$pid" 2>/dev/null; }

# signal_in_window WHAT SIGNAL PROMPT: at the prompt, checks the threads' masks, sends the
# signal in the window and waits for the console to end.
signal_in_window() {
    wait_for "$1: prompt" 10 shows "$3"
    expect_ok "$1: the library's threads hold the signals" other_threads_hold "$pid"
    expect_ok "$1: signal $2 sent while the main thread holds it" signal-window "$pid" "$2"
    wait_for "$1: the console ends at once" 2 ended || type_line stop
    wait_end
}

start_console wlan_dual_demo
signal_in_window wlan_dual_demo 15 "$(t_prompt)"
expect_transcript "wlan_dual_demo" "$(
    t_begin; t_enable; t_ap 0; t_prompt
    t_handler 15
    t_shutdown 0 0)"

start_console wlan_rftest_demo
signal_in_window wlan_rftest_demo 1 "${R}Please input test command:"
expect_transcript "wlan_rftest_demo" "$(
    echo "${R}test begin"
    echo "${R}Please input test command:"
    t_handler 1
    echo "${R}test end")"

finish
