# SPDX-License-Identifier: MIT
# paramlinkd's start-up: the channel's set-up failures and the wait for its first message.
. "$(dirname "$0")/test_support.sh"

reads_without_channel() { nv channel | grep -c 'read without channel'; }
retried() { [ "$(reads_without_channel)" -ge "$1" ]; }

# No device: the failure line, then retries every 200 ms, serving nothing.
nv start service
nv start daemon
expect_eq "open failure on standard error" \
    $'[rpc] open device fail\n: No such file or directory' "$(nv errors)"
# The channel's interposer sees each read the daemon makes without a channel; on the board,
# where it reads a closed descriptor on the driver's channel, nothing sees them.
if ! on_board; then
    wait_for "retrying the read without a channel" 2 retried 3
    # The pace over the window actually measured: on a loaded or emulated machine the window
    # itself stretches well past the second asked for.
    now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
    start_ms=$(now_ms)
    before=$(reads_without_channel)
    sleep 1
    count=$(($(reads_without_channel) - before))
    window_ms=$(($(now_ms) - start_ms))
    [ "$count" -ge $((window_ms / 400)) ] && [ "$count" -le $((window_ms / 140 + 1)) ] ||
        fail "a retry every 200 ms (got $count in $window_ms ms)"
fi
expect_ok "wake lock held from start" held
expect_eq "still running" running "$(nv status)"
nv start modemcore
expect_eq "no request served" "no channel" "$(nv get a --timeout 300)"
nv stop daemon

# Each set-up ioctl failing: its line, the channel closed, no further ioctl.
expected_ioctls=""
for ioctl in RPMSG_CREATE_CHANNEL:18432 RPMSG_SET_INT_FLAG:0 RPMSG_CLEAR_POLL_FLAG:0; do
    name=${ioctl%%:*}
    ctl fail "$name" 22
    nv start daemon
    expect_eq "$name failure on standard error" \
        "[rpc] $name error"$'\n'": Invalid argument" "$(nv errors)"
    expect_eq "$name: set-up stops there" \
        "open${expected_ioctls}"$'\n'"ioctl $name ${ioctl#*:} failed 22"$'\n'"close" \
        "$(nv channel | grep -v 'read without channel')"
    on_board || wait_for "$name: retrying without a channel" 2 retried 2
    nv stop daemon
    ctl unfail "$name"
    expected_ioctls+=$'\n'"ioctl $name ${ioctl#*:}"
done

# The first message must be 24 bytes: a shorter one is not taken, the next 24 bytes are.
nv stop modemcore
nv start modemcore --no-hello
nv start daemon
expect_eq "set-up complete" "open$expected_ioctls" "$(nv channel)"
nv hello 10 >/dev/null
expect_eq "a frame before the first message is taken as that message" "no answer" \
    "$(nv get a --timeout 800)"
expect_eq "served after it" "result=1" "$(nv get a | grep -o 'result=[0-9]*')"
expect_eq "nothing on standard error" "" "$(nv errors)"

finish
