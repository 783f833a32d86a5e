# SPDX-License-Identifier: MIT
# The Wi-Fi consoles on the emulated ARM board's real 802.11 stack (sim/board test wifi), in
# a boot of its own after the sleep suite's: the access point that a peer joins, the station
# on the peers' networks, test mode.
SUITE_NEEDS="10-normal 20-arm"
SUITE_AFTER="27-sleep"
suite_build() { "$SRC/sim/board" kernel; }
suite_test() {
    local log=$SRC/build-arm/board/wifi.log status line
    mkdir -p "$SRC/build-arm/board"
    "$SRC/sim/board" test wifi 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    line=$(grep -E '^wifi: [0-9]+ of [0-9]+ tests passed' "$log" | tail -1)
    [ -n "$line" ] || line="wifi: 0 of 1 tests passed on the emulated board (it did not finish)"
    echo "$line" >>"$SUMMARY_FILE"
    return "$status"
}
