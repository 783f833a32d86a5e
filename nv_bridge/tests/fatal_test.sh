# SPDX-License-Identifier: MIT
# paramlinkd stops itself when an answer cannot be written in full.
. "$(dirname "$0")/test_support.sh"

nv start
expect_eq "answered before" "result=1" "$(nv get k | grep -o 'result=[0-9]*')"
ctl fail rpmsg_write 5
ended() { [ "$(nv status)" != running ]; }

expect_eq "the channel ends with the daemon" "no channel" "$(nv get k --timeout 3000)"
wait_for "daemon ended" 5 ended
expect_eq "ended by abort" "exited 134" "$(nv status)"
expect_printed "write failure reported" "[nvrpc] write error, len=-1 != 37!"
expect_eq "assertion failure message" "paramlinkd: main.cpp:319: main: Assertion \`0' failed." \
    "$(nv errors | tail -1)"
expect_ok "wake lock left held" held

finish
