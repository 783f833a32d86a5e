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
ended() { ! kill -0 "$co_pid" 2>/dev/null; }

# signal_in_window WHAT SIGNAL PROMPT: at the prompt, checks the threads' masks, sends the
# signal in the window and waits for the console to end.
signal_in_window() {
    co_wait "$1: prompt" "$3" 1 10
    expect_ok "$1: the library's threads hold the signals" other_threads_hold "$co_pid"
    expect_ok "$1: signal $2 sent while the main thread holds it" signal-window "$co_pid" "$2"
    wait_for "$1: the console ends at once" 2 ended || co_send stop
    co_end
}

co_start wlan_dual_demo
signal_in_window wlan_dual_demo 15 "$dual_prompt"
expect_console "wlan_dual_demo" signal_term

co_start wlan_rftest_demo
signal_in_window wlan_rftest_demo 1 "$rftest_prompt"
expect_console "wlan_rftest_demo" rftest_signal_hup

finish
