# Termination signals: while the prompt waits, the read returns and the shutdown runs; during
# the bring-up, the current sleep is cut short, the bring-up goes on and the shutdown starts
# before the first prompt.
. "$(dirname "$0")/wifi_lib.sh"

# signal_at_prompt SIGNAL NUMBER
signal_at_prompt() {
    start_console wlan_dual_demo
    wait_for "SIG$1: prompt" 10 shows "$(t_prompt)"
    kill -"$1" "$pid"
    wait_end
    expect_transcript "SIG$1 at the prompt" "$(
        t_begin; t_enable; t_ap 0; t_prompt
        t_handler "$2"
        t_shutdown 0 0)"
}
signal_at_prompt INT 2
signal_at_prompt TERM 15
signal_at_prompt HUP 1

# Enabling takes 0.9 s: a signal at about 0.3 s cuts the first sleep short, so its query
# comes early and a second one, a second later, finds Wi-Fi on (uncut, one query would do).
ctlw delay enable 900
forget_calls
start_console wlan_dual_demo Home secret-pass 2
wait_for "enabling" 10 shows "${W}user_status_cb:0,2"
sleep 0.15
kill -TERM "$pid"
wait_end
expect_transcript "SIGTERM during the enable wait" "$(
    echo "${W}test begin."
    echo "${W}user_status_cb:0,2"
    t_handler 15
    echo "${W}user_status_cb:2,1"
    t_ap 0
    t_params Home secret-pass 2 0 0
    t_sta_up Home
    t_shutdown 0 1)"
expect_eq "the first sleep cut short" 2 \
    "$(calls | sed -n '/enable_ext/,/work_mode/p' | grep -c get_enable_status)"

finish
