# wlan_rftest_demo: leading parts of "testmode_enable" switch test mode on, then those of
# "testmode_disable" off; anything else gives the usage lines; a line feed alone only its
# echo; long lines are read in pieces, each losing its last character.
. "$(dirname "$0")/wifi_lib.sh"

prompt() { echo "${R}Please input test command:"; }
# echo_line LEN TEXT: the cmdstr line of a whole line (its line feed then ends it).
echo_line() { printf '%scmdstr:%s %s\n\n' "$R" "$1" "$2"; }
on() { echo "${R}cmd=$1"; echo "${R}testmode_enable ret=0"; }
off() { echo "${R}cmd=$1"; echo "${R}testmode_disable ret=0"; }
usage() {
    echo "${R}cmd=$1"
    echo "Request unknow."
    echo "${R}Usage: $1"
    printf 'testmode_enable\ntestmode_disable\n\n'
}
test_modes() { calls | grep -F qx_wifi_drv_test_mode_ext | cut -d' ' -f4 | tr '\n' ' '; }

a126=$(printf 'a%.0s' $(seq 126))
forget_calls
run_to_end wlan_rftest_demo "
t
testmode_
testmode_d
testmode_enable
testmode_disable
testmode_enablex
 testmode_enable
TESTMODE_ENABLE
Q
${a126}t
exit
never read
"
expect_transcript "commands" "$(
    echo "${R}test begin"
    prompt; echo_line 1 ""
    prompt; echo_line 2 t; on t
    prompt; echo_line 10 testmode_; on testmode_
    prompt; echo_line 11 testmode_d; off testmode_d
    prompt; echo_line 16 testmode_enable; on testmode_enable
    prompt; echo_line 17 testmode_disable; off testmode_disable
    prompt; echo_line 17 testmode_enablex; usage testmode_enablex
    prompt; echo_line 17 " testmode_enable"; usage " testmode_enable"
    prompt; echo_line 16 TESTMODE_ENABLE; usage TESTMODE_ENABLE
    prompt; echo_line 2 Q; usage Q
    prompt; echo "${R}cmdstr:126 $a126"; usage "${a126%a}"
    prompt; echo_line 2 t; on t
    prompt
    echo "${R}test end")"
expect_eq "test mode calls" "1 1 0 1 0 1 " "$(test_modes)"

# last_line_at_end WHAT TEXT EXPECTED (shell code printing the lines): TEXT without a line feed, then the end of input;
# the prompt comes again until SIGTERM.
last_line_at_end() {
    printf '%s' "$2" >/tmp/in
    : >$OUT
    wlan_rftest_demo </tmp/in >$OUT 2>/tmp/err &
    pid=$!
    wait_for "$1: prompt again" 10 shows "$(prompt)" 2
    kill -TERM $pid
    wait $pid
    expect_eq "$1: exit status" 0 $?
    expect_eq "$1: transcript" "$(
        echo "${R}test begin"
        prompt
        eval "$3"
        prompt
        t_handler 15
        echo "${R}test end")" "$(uniq $OUT)"
}
forget_calls
last_line_at_end "disable word without line feed" testmode_disable \
    'echo "${R}cmdstr:16 testmode_disable"; off testmode_disabl'
expect_eq "disable word without line feed: test mode off" "0 " "$(test_modes)"
last_line_at_end "stop without line feed" stop 'echo "${R}cmdstr:4 stop"; usage sto'

# Without init no callback is registered; the test-mode calls are still made.
"$ORVO_SRC/sim/module" ctl fail qx_wifi_init_ext 3
forget_calls
run_to_end wlan_rftest_demo $'t\nq\n'
expect_transcript "init failed" "$(
    echo "${R}test begin"
    prompt; echo_line 2 t; on t
    prompt
    echo "${R}test end")"
expect_eq "init failed: no registration" "qx_wifi_init_ext 0
qx_wifi_drv_test_mode_ext 0 1
qx_wifi_uninit_ext 0" "$(calls | cut -d' ' -f2-)"

finish
