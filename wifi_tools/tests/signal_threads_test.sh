# SPDX-License-Identifier: MIT
# Termination signals reach the consoles' main thread only: the Wi-Fi library's threads hold
# them back, so one sent to the process while the main thread holds them too (between the
# stop-flag check and the wait for input) waits for that wait and ends the console at once.
# A thread the library starts with the signals open (its callback thread) may take the signal
# instead: the console ends at once all the same.
. "$(dirname "$0")/test_support.sh"

HELD_BITS=$(((1 << (1 - 1)) | (1 << (2 - 1)) | (1 << (15 - 1)))) # SIGHUP, SIGINT, SIGTERM

# other_threads_hold PID: there are threads besides the main one, and each blocks all three
# (but the simulated library's callback thread, which leaves every signal open).
other_threads_hold() {
    local pid=$1 others=0 task blocked
    for task in /proc/"$pid"/task/*; do
        [ "${task##*/}" = "$pid" ] && continue
        [ "$(cat "$task/comm")" = sim-callback ] && continue
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

# callback_thread_open PID: the library's callback thread runs, blocking none of the three.
callback_thread_open() {
    local task blocked
    for task in /proc/"$1"/task/*; do
        [ "$(cat "$task/comm")" = sim-callback ] || continue
        blocked=$(awk '/^SigBlk:/ { print $2 }' "$task/status")
        [ $((0x$blocked & HELD_BITS)) = 0 ] && return 0
    done
    return 1
}

# prompt_of CONSOLE: the console's prompt.
prompt_of() { if [ "$1" = wlan_rftest_demo ]; then echo "$rftest_prompt"; else echo "$dual_prompt"; fi; }

"$ORVO_SRC/sim/module" ctl set callback_thread 1
for console in wlan_dual_demo:15:signal_term wlan_rftest_demo:1:rftest_signal_hup; do
    IFS=: read -r name signum transcript <<<"$console"
    prompt=$(prompt_of "$name")
    co_start "$name"
    co_wait "$name, open thread: prompt" "$prompt" 1 10
    expect_ok "$name: the callback thread leaves the signals open" callback_thread_open "$co_pid"
    expect_ok "$name, open thread: signal $signum sent while the main thread holds it" \
        signal-window "$co_pid" "$signum"
    wait_for "$name, open thread: the console ends at once" 2 ended || co_send stop
    co_end
    expect_console "$name" "$transcript"
done

# The callback thread takes the signal while the main thread waits at the prompt, and is held
# as its handler starts to write: the main thread, free meanwhile, must not end the console
# before the handler's two lines.
for run in 1 2; do
    for console in wlan_dual_demo:15:signal_term wlan_rftest_demo:15:rftest_signal_term; do
        IFS=: read -r name signum transcript <<<"$console"
        prompt=$(prompt_of "$name")
        co_start "$name"
        co_wait "$name, run $run: prompt" "$prompt" 1 10
        expect_ok "$name, run $run: the callback thread takes signal $signum" \
            thread-signal "$co_pid" sim-callback "$signum"
        co_end
        expect_console "$name, run $run" "$transcript"
    done
done
"$ORVO_SRC/sim/module" ctl unset callback_thread

finish
