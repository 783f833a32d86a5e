# SPDX-License-Identifier: MIT
# The console of wlan_dual_demo: only "stop", "q" and "exit" as whole lines with their line
# feed end the run; longer lines are read in pieces of 126 characters, each judged alone;
# at end of input the prompt comes about once a second until a signal.
. "$(dirname "$0")/test_support.sh"

# Five near misses, a 131-character line (two pieces), then 126 characters and "q": the
# "q" piece is a stop word by itself.
run_on console_near_misses wlan_dual_demo
expect_console "near misses and pieces" console_near_misses

# A last line without its line feed ("exit") is no stop word; then the input has ended.
co_start_on console_end_of_input wlan_dual_demo
wait_for "prompt again at end of input" 10 co_shows "$dual_prompt" 3
sleep 2
prompts=$(co_count "$dual_prompt")
[ "$prompts" -le 6 ] || fail "end of input: $prompts prompts in about 3 seconds"
co_signal TERM
co_end
uniq "$kit_out" >/tmp/uniq.out
expect_file "end of input: transcript" "$transcripts/console_end_of_input.out" /tmp/uniq.out
expect_eq "end of input: exit status" 0 "$status"

finish
