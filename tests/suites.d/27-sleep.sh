# SPDX-License-Identifier: MIT
# The emulated ARM board really sleeping (sim/board test sleep), in a boot of its own after
# the board suite's: automatic suspend on the real kernel through the library, the power
# console and AT+LEELSP, and what wakes the board or keeps it awake (the paging alarm, the
# low-power-mode edge, paramlinkd's NV requests, a delivered message), and two minutes of
# the soak sleeping between its clients' operations.
SUITE_NEEDS="10-normal 20-arm"
SUITE_AFTER="25-board"
suite_build() { "$SRC/sim/board" kernel; }
suite_test() {
    local log=$SRC/build-arm/board/sleep.log status=0 line
    board_group sleep "$log" || status=$?
    line=$(grep -E '^sleep totals: ' "$log" | tail -1 | sed 's/^sleep totals: //')
    echo "sleeping soak: ${line:-did not finish}" >>"$SUMMARY_FILE"
    return "$status"
}
