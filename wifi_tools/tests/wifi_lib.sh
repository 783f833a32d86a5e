# Helpers for the Wi-Fi tools' system tests: run a console with scripted input, compare its
# whole transcript, and the transcript pieces of the simulated Wi-Fi service's usual course.
. "$ORVO_SRC/tests/lib.sh"

W='[wlan_dual_demo]'
R='[wlan_rftest]'
OUT=/tmp/out
ctlw() { "$ORVO_SRC/sim/module" ctl wifi "$@"; }
calls() { "$ORVO_SRC/sim/module" ctl calls; }
forget_calls() { "$ORVO_SRC/sim/module" ctl calls clear; }

# Every state change takes 300 ms: each wait succeeds at its first query, one second in,
# and each callback comes well apart from the main flow's lines.
ctlw delay 300

# run_to_end PROGRAM INPUT ARGS...: runs with INPUT as the whole standard input.
run_to_end() {
    local program=$1 input=$2
    shift 2
    printf '%s' "$input" >/tmp/input
    "$program" "$@" </tmp/input >$OUT 2>/tmp/err
    status=$?
}

# start_console PROGRAM ARGS...: runs in the background reading the fifo on descriptor 3.
start_console() {
    rm -f /tmp/in
    mkfifo /tmp/in
    exec 3<>/tmp/in
    : >$OUT # no waiting on an earlier run's lines
    "$@" </tmp/in >$OUT 2>/tmp/err &
    pid=$!
}

# type_line TEXT: a line on the console of start_console.
type_line() { printf '%s\n' "$1" >&3; }

# Lines of the transcript matching PATTERN (fixed text), as a count.
count_of() { grep -cF -- "$1" $OUT; }
shows() { [ "$(count_of "$1")" -ge "${2:-1}" ]; }

# wait_end: waits for the console of start_console to exit; status as its exit status.
wait_end() {
    local tries=200
    while kill -0 "$pid" 2>/dev/null && [ $tries -gt 0 ]; do
        sleep 0.05
        tries=$((tries - 1))
    done
    kill -0 "$pid" 2>/dev/null && { fail "the console did not end"; kill -9 "$pid"; }
    wait "$pid"
    status=$?
    exec 3>&-
}

# expect_transcript WHAT EXPECTED: the whole standard output, nothing on standard error,
# exit status 0.
expect_transcript() {
    expect_eq "$1: transcript" "$2" "$(cat $OUT)"
    expect_eq "$1: standard error" "" "$(cat /tmp/err)"
    expect_eq "$1: exit status" 0 "$status"
}

# Transcript pieces of wlan_dual_demo.
t_begin() { echo "${W}test begin."; }
t_enable() {
    echo "${W}user_status_cb:0,2"
    echo "${W}user_status_cb:2,1"
}
# t_ap M: work mode M, access point M up.
t_ap() {
    echo "${W}qx_wifi_work_mode_set AP$1 ret:0"
    echo "${W}user_ap_status_cb:$1,0,ORVO-AP$1,2,02:4f:56:00:00:0$1"
    echo "${W}user_ap_status_cb:$1,2,ORVO-AP$1,3,02:4f:56:00:00:0$1"
    echo "${W}user_ap_enable succ"
}
# t_params SSID PW AUTH RESULT PARAM_SET_RESULT [ERROR LINE]
t_params() {
    echo "${W}wlan_dual_param [$1-$2-$3]!"
    [ $# -gt 5 ] && echo "$6"
    echo "${W}wlan_dual_param_set ret:$4"
    echo "${W}qx_wifi_sta_param_set ret:$5"
}
t_sta_status() {
    echo "${W}user_sta_status_ind_cb pre:$1, cur:$2"
    echo "${W}sta_status: $2, $3, $4, $5, $6"
}
t_addr() {
    echo "${W}addr ip:192.168.10.23, netmask:255.255.255.0, subnet_bits:24, gateway:192.168.10.1, dnsp:192.168.10.1, dnss:8.8.8.8"
}
t_addr6() {
    echo "${W}addr6 ip:2001:db8:10::23, prefix:2001:db8:10::, prefix_bits:64, gateway:fe80::1, dnsp:2001:4860:4860::8888, dnss:2001:4860:4860::8844"
}
# t_sta_up SSID: the station connecting to SSID and up with both addresses.
t_sta_up() {
    t_sta_status 0 2 "$1" "" 0 0
    echo "${W}sta_status end"
    t_sta_status 2 1 "$1" 00:0a:f5:5e:a1:01 -48 0
    t_addr
    t_addr6
    echo "${W}sta_status end"
    echo "${W}user_sta_enable succ"
}
t_prompt() { echo "${W}when want to off, input command:"; }
# t_disable [AP STATE BEFORE] ...: the disable wait's callbacks.
t_down() {
    echo "${W}user_status_cb:1,2"
    echo "${W}user_status_cb:2,0"
}
t_ap_down() { echo "${W}user_ap_status_cb:$1,$2,ORVO-AP$1,0,02:4f:56:00:00:0$1"; }
t_sta_down() {
    t_sta_status 1 0 "" "" 0 0
    echo "${W}sta_status end"
}
# t_shutdown M STATION(0|1): the shutdown after a stop word or signal.
t_shutdown() {
    if [ "$2" = 1 ]; then
        echo "${W}qx_wifi_sta_stop ret:0"
        echo "${W}qx_wifi_ap_stop ret:0"
        t_sta_down
    else
        echo "${W}qx_wifi_ap_stop ret:0"
    fi
    t_ap_down "$1" 3
    t_down
    echo "${W}user_wifi_disable ret:0"
    echo "${W}test end."
}
t_handler() {
    echo q
    echo "user_wifi_termination_handler signum $1"
}
