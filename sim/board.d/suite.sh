#!/bin/bash
# SPDX-License-Identifier: MIT
# The board's test runs. "plan SRC ARM HOST [GROUP]" prints the script that the board runs in
# one boot (as /board/run) for one group of tests, ending with the group's summary line:
# - board (the default): the wake-lock behaviour test against the real kernel, the services
#   that the board's init started at boot, then the system tests of the power, IPC, NV, SMS
#   and console deliverables, one after the other (they share the kernel's wake locks): the
#   ARM build's sandbox tests and the host build's shell tests, both on the ARM build's
#   programs;
# - sleep: the proofs that the board really sleeps, each in a simulated module with
#   automatic suspend on;
# - wifi: the Wi-Fi consoles on the kernel's simulated radios, each test in a simulated
#   module of its own.
set -euo pipefail

[ "${1:-}" = plan ] && [ $# -ge 4 ] || {
    echo "usage: suite.sh plan SRC ARM_BUILD HOST_BUILD [board|sleep|wifi]" >&2
    exit 2
}
SRC=$2
ARM=$3
HOST=$4
GROUP=${5:-board}
case $GROUP in
board | sleep | wifi) ;;
*)
    echo "suite.sh: no test group $GROUP" >&2
    exit 2
    ;;
esac
# The deliverables' test folders, and the tests of the simulated module itself.
FOLDERS='autosuspend|pm|pm_console|ipc|nv_bridge|sms|tests'
# Tests of what only the host's simulated kernel gives: a kernel of its own per sandbox
# (the board's wake locks are the one kernel's), and the behaviour tests, which the board
# runs first against the kernel and its driver themselves.
HOST_ONLY='sandbox_kernel sandbox_isolation sandbox_wakelock_behaviour'
HOST_ONLY+=' sandbox_kernel_files_behaviour sandbox_channel_behaviour'
# The trust group (trust.*) is the host's: its intruder is a host program of the normal build.

# tests BUILD: "name<TAB>working dir<TAB>environment<TAB>command", each field a JSON array
# or string, for the sandbox tests of BUILD's chosen folders.
tests() {
    (cd "$1" && ctest --show-only=json-v1) | jq -r --arg build "$1" --arg folders "^($FOLDERS)(/|$)" '
        .tests[]
        | { name, command,
            labels: ([.properties[]? | select(.name == "LABELS") | .value[]]),
            env: ([.properties[]? | select(.name == "ENVIRONMENT") | .value[]]),
            wd: ([.properties[]? | select(.name == "WORKING_DIRECTORY") | .value][0]) }
        | select(.labels | index("sandbox"))
        | select(.wd | ltrimstr($build + "/") | test($folders))
        | [.name, .wd, (.env | tojson), (.command | tojson)] | @tsv'
}

# The command on the board: the simulated module of the ARM build, no emulator (qemu-arm
# and its options go).
board_command() {
    jq -r --arg host "$HOST" --arg arm "$ARM" '
        (if .[1] == "--build" then .[2] = $arm else . end)
        | (if .[4] == "qemu-arm" then .[0:4] + (.[5:] | until(.[0] | startswith("-") | not; .[2:]))
           else . end)
        | map(@sh) | join(" ")' <<<"$1"
}
board_env() {
    jq -r --arg host "$HOST" --arg arm "$ARM" '
        map(if startswith("ORVO_BUILD=") then "ORVO_BUILD=" + $arm else . end) | map(@sh) | join(" ")' <<<"$1"
}

cat <<HEAD
# The board's test run (made by sim/board.d/suite.sh).
SRC=$(printf %q "$SRC")
ARM=$(printf %q "$ARM")
GROUP=$GROUP
HEAD
cat <<'BODY'
export PATH="$ARM/simbin:$PATH"
passed=0
total=0
failed=()
log=/tmp/board-test.log
# board_test NAME DIR ENV CMD: one test, with a time limit (TEST_LIMIT seconds, 300).
board_test() {
    local name=$1 dir=$2 env=$3 start status
    shift 3
    total=$((total + 1))
    mkdir -p "$dir"
    start=$(date +%s)
    (cd "$dir" && eval "exec env $env timeout -k 5 ${TEST_LIMIT:-300} \"\$@\"") >"$log" 2>&1
    status=$?
    # The kernel is shared: release what a test left held (the names stay known to it).
    for held in $(cat /sys/power/wake_lock); do
        echo "$held" >/sys/power/wake_unlock
    done
    if [ $status = 0 ]; then
        passed=$((passed + 1))
        echo "board-test: $name ok ($(($(date +%s) - start)) s)"
    else
        failed+=("$name")
        echo "board-test: $name FAILED (status $status)"
        tail -40 "$log" | sed 's/^/    /'
    fi
}

echo "$GROUP: $(uname -sr) on $(uname -m), $(nproc) CPU"
BODY
cat <<'MODULE'
# in_module NAME SCRIPT: a test script in a simulated module of its own.
in_module() { board_test "$1" "$SRC" '' "$SRC/sim/module" --build "$ARM" run bash "$2"; }
MODULE
if [ "$GROUP" = wifi ]; then
    cat <<'WIFI'
# The access point with a peer joining, the station on the peers' networks, test mode.
in_module wifi_access_point "$SRC/tests/wifi/access_point_test.sh"
in_module wifi_station "$SRC/tests/wifi/station_test.sh"
in_module wifi_rftest "$SRC/tests/wifi/rftest_test.sh"
WIFI
elif [ "$GROUP" = sleep ]; then
    cat <<'SLEEP'
# Through the library: the paging alarm wakes it, a lock holds it, an edge wakes it.
in_module sleep_autosuspend "$SRC/tests/sleep/sleep_test.sh"
# Through the power console and AT+LEELSP.
in_module sleep_tools "$SRC/tests/sleep/tools_test.sh"
# paramlinkd's lock, and an NV request and a message that come while it sleeps.
in_module sleep_wakeups "$SRC/tests/sleep/wakeups_test.sh"
# The soak, sleeping between its clients' operations; its table goes to the log.
TEST_LIMIT=600 board_test sleep_soak "$SRC" '' "$SRC/sim/module" --build "$ARM" soak \
    --minutes 2 --seed 1 --clients 1 --sleeping
sed -n '/^soak: seed .*client loops/,$p' "$log"
SLEEP
else
    cat <<'BOARD'
# First, while the kernel's wake locks are untouched (the host runs it in a sandbox as
# sandbox_wakelock_behaviour).
board_test wakelock_behaviour_kernel "$SRC" '' bash "$SRC/tests/wakelocks/behaviour.sh"
# The board's driver against the same transcript as the host's simulated kernel.
board_test kernel_files_behaviour_driver "$SRC" '' bash "$SRC/tests/kernelfiles/behaviour.sh"
board_test channel_behaviour_driver "$SRC" '' bash "$SRC/tests/kernelfiles/channel.sh"
# A real suspend with the module's waits in place, woken by the driver's timed edge.
board_test freeze_driver "$SRC" '' bash "$SRC/tests/kernelfiles/freeze_test.sh"
# What the board's init started at boot: the module's init scripts and the system log.
board_test boot_services "$SRC" '' bash "$SRC/tests/services/board_boot_test.sh"
# A simulated module on the driver and the real kernel, suspended with everything running.
board_test module_on_driver "$SRC" '' "$SRC/sim/module" --build "$ARM" run \
    bash "$SRC/tests/kernelfiles/module_on_driver_test.sh"
BOARD
    for build in "$ARM" "$HOST"; do
        tests "$build"
    done | awk -F'\t' '!seen[$1]++ && !($1 in host_only) && $1 !~ /^trust\./
        BEGIN { split("'"$HOST_ONLY"'", names, " "); for (i in names) host_only[names[i]] }' |
        while IFS=$'\t' read -r name wd env command; do
            printf 'board_test %q %q %q %s\n' "$name" "$wd" "$(board_env "$env")" "$(board_command "$command")"
        done
fi
cat <<'TAIL'
echo "$GROUP: $passed of $total tests passed on the emulated board"
[ ${#failed[@]} = 0 ] || echo "$GROUP: failed: ${failed[*]}"
[ $passed = $total ]
TAIL
