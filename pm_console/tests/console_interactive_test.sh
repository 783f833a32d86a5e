# SPDX-License-Identifier: MIT
# The console typed at through a pipe, one command at a time: the low-power-mode monitor's
# handler prints between the prompts.
. "$ORVO_SRC/tests/support/kit.sh"

co_start orvo-kesl-autosuspend-demo
co_send -i
co_wait "monitor started" "lpm init success" 1
ctl kernel edge 1
co_wait "handler called for edge 1" "edge_state=1" 1
ctl kernel edge 0
co_wait "handler called for edge 0" "edge_state=0" 1
co_send -d
co_wait "monitor stopped" "lpm deinit success" 1
co_send -d
co_wait "no monitor to stop" "lpm deinit fail" 1
co_send -i
co_wait "monitor started again" "lpm init success" 2
co_send -q
co_end
expect_eq "exit status" 0 "$status"
expect_transcript "monitor lines between the prompts" monitor

finish
