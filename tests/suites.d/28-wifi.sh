# SPDX-License-Identifier: MIT
# The Wi-Fi consoles on the emulated ARM board's real 802.11 stack (sim/board test wifi), in
# a boot of its own after the sleep suite's: the access point that a peer joins, the station
# on the peers' networks, test mode.
SUITE_NEEDS="10-normal 20-arm"
SUITE_AFTER="27-sleep"
suite_build() { "$SRC/sim/board" kernel; }
suite_test() { board_group wifi "$SRC/build-arm/board/wifi.log"; }
