# SPDX-License-Identifier: MIT
# Termination signals: while the prompt waits, the read returns and the shutdown runs; during
# the bring-up, the current sleep is cut short, the bring-up goes on and the shutdown starts
# before the first prompt.
. "$(dirname "$0")/test_support.sh"

# signal_at_prompt SIGNAL TRANSCRIPT
signal_at_prompt() {
    co_start wlan_dual_demo
    co_wait "SIG$1: prompt" "$dual_prompt" 1 10
    co_signal "$1"
    co_end
    expect_console "SIG$1 at the prompt" "$2"
}
signal_at_prompt INT signal_int
signal_at_prompt TERM signal_term
signal_at_prompt HUP signal_hup

# Enabling takes 0.9 s: a signal at about 0.3 s cuts the first sleep short, so its query
# comes early and a second one, a second later, finds Wi-Fi on (uncut, one query would do).
ctl wifi delay enable 900
forget_calls
co_start wlan_dual_demo Home secret-pass 2
co_wait "enabling" "${W}user_status_cb:0,2" 1 10
sleep 0.15
co_signal TERM
co_end
expect_console "SIGTERM during the enable wait" signal_term_enable_wait
expect_eq "the first sleep cut short" 2 \
    "$(calls | sed -n '/enable_ext/,/work_mode/p' | grep -c get_enable_status)"

finish
