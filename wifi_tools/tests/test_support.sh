# SPDX-License-Identifier: MIT
# Shared by the Wi-Fi tools' system tests: the consoles' prompts and the check of a whole
# run. The expected screens are files in transcripts/.
. "$ORVO_SRC/tests/support/kit.sh"

W='[wlan_dual_demo]'
R='[wlan_rftest]'
dual_prompt="${W}when want to off, input command:"
rftest_prompt="${R}Please input test command:"

# Every state change takes 300 ms: each wait succeeds at its first query, one second in,
# and each callback comes well apart from the main flow's lines.
ctl wifi delay 300

calls() { ctl calls; }
forget_calls() { ctl calls clear; }

# expect_console WHAT NAME: the console's whole standard output is transcripts/NAME.out,
# nothing came on standard error and it exited with 0.
expect_console() {
    expect_transcript "$1: transcript" "$2"
    expect_quiet "$1"
}
