# SPDX-License-Identifier: MIT
# The emulated ARM board (sim/board): the ARM build's module image on a real 32-bit ARM
# kernel with wake locks under qemu-system-arm, in one boot: the wake-lock behaviour test
# against that kernel, then the system tests of the power, IPC, NV, SMS and console
# deliverables. The kernel is built once and cached outside the clone (the build step).
SUITE_NEEDS="10-normal 20-arm"
suite_build() { "$SRC/sim/board" kernel; }
suite_test() {
    local log=$SRC/build-arm/board/test.log status line
    mkdir -p "$SRC/build-arm/board"
    "$SRC/sim/board" test 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    line=$(grep -E '^board: [0-9]+ of [0-9]+ tests passed' "$log" | tail -1)
    [ -n "$line" ] || line="board: 0 of 1 tests passed on the emulated board (it did not finish)"
    echo "$line" >>"$SUMMARY_FILE"
    return "$status"
}
