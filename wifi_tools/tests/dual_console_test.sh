# The console of wlan_dual_demo: only "stop", "q" and "exit" as whole lines with their line
# feed end the run; longer lines are read in pieces of 126 characters, each judged alone;
# at end of input the prompt comes about once a second until a signal.
. "$(dirname "$0")/wifi_lib.sh"

x126=$(printf 'x%.0s' $(seq 126))
# Five near misses, a 131-character line (two pieces), then 126 characters and "q": the
# "q" piece is a stop word by itself.
run_to_end wlan_dual_demo "Q
 q
q 
stop x
EXIT
${x126}xxxx
${x126}q
never read
"
expect_transcript "near misses and pieces" "$(
    t_begin; t_enable; t_ap 0; t_prompt
    for _ in 1 2 3 4 5 6 7 8; do
        echo "${W}only wait exit command!"
        t_prompt
    done
    t_shutdown 0 0)"

# A last line without its line feed is no stop word; then the input has ended.
printf 'exit' >/tmp/in
: >$OUT
wlan_dual_demo </tmp/in >$OUT 2>/tmp/err &
pid=$!
wait_for "prompt again at end of input" 10 shows "$(t_prompt)" 3
sleep 2
prompts=$(count_of "$(t_prompt)")
[ "$prompts" -le 6 ] || fail "end of input: $prompts prompts in about 3 seconds"
kill -TERM $pid
wait $pid
status=$?
expect_eq "end of input: transcript" "$(
    t_begin; t_enable; t_ap 0; t_prompt
    echo "${W}only wait exit command!"
    t_prompt
    t_handler 15
    t_shutdown 0 0)" "$(uniq $OUT)"
expect_eq "end of input: exit status" 0 "$status"

finish
