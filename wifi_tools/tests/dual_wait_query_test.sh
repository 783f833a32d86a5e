# A status query that gets no answer only uses up a try of its wait.
. "$(dirname "$0")/wifi_lib.sh"

"$ORVO_SRC/sim/module" ctl fail qx_wifi_get_enable_status_ext -7 2
forget_calls
run_to_end wlan_dual_demo $'q\n'
expect_transcript "two queries unanswered" "$(t_begin; t_enable; t_ap 0; t_prompt; t_shutdown 0 0)"
expect_eq "answered at the third query" 3 \
    "$(calls | sed -n '/enable_ext/,/work_mode/p' | grep -c get_enable_status)"

ctlw reset
"$ORVO_SRC/sim/module" ctl fail qx_wifi_get_enable_status_ext -7
forget_calls
run_to_end wlan_dual_demo $'q\n'
expect_transcript "no query answered" "$(
    t_begin; t_enable
    echo "${W}user_wait_enable_status fail:11!!!"
    echo "${W}user_wifi_enable fail:11!!!")"
expect_eq "five queries" 5 "$(calls | grep -c get_enable_status)"

finish
