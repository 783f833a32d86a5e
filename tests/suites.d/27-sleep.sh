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
    local log=$SRC/build-arm/board/sleep.log status line
    mkdir -p "$SRC/build-arm/board"
    "$SRC/sim/board" test sleep 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    line=$(grep -E '^sleep: [0-9]+ of [0-9]+ tests passed' "$log" | tail -1)
    [ -n "$line" ] || line="sleep: 0 of 1 tests passed on the emulated board (it did not finish)"
    echo "$line" >>"$SUMMARY_FILE"
    line=$(grep -E '^sleep totals: ' "$log" | tail -1 | sed 's/^sleep totals: //')
    echo "sleeping soak: ${line:-did not finish}" >>"$SUMMARY_FILE"
    return "$status"
}
