# SPDX-License-Identifier: MIT
# The emulated ARM board (sim/board): the ARM build's module image on a real 32-bit ARM
# kernel with wake locks under qemu-system-arm, in one boot: the wake-lock behaviour test
# against that kernel, then the system tests of the power, IPC, NV, SMS and console
# deliverables. The kernel is built once and cached outside the clone (the build step).
SUITE_NEEDS="10-normal 20-arm"
suite_build() { "$SRC/sim/board" kernel; }
suite_test() { board_group board "$SRC/build-arm/board/test.log"; }
