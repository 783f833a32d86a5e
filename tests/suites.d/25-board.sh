# The emulated ARM board (sim/board): the ARM build's module image on a real 32-bit ARM
# kernel with wake locks under qemu-system-arm, in one boot: the wake-lock behaviour test
# against that kernel, then the system tests of the power, IPC, NV, SMS and console
# deliverables. The kernel is built once and cached outside the clone.
echo "=== board (sim/board test)"
mkdir -p "$SRC/build-arm/board"
log=$SRC/build-arm/board/test.log
"$SRC/sim/board" test 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
line=$(grep -E '^board: [0-9]+ of [0-9]+ tests passed' "$log" | tail -1)
[ -n "$line" ] || line="board: 0 of 1 tests passed on the emulated board (it did not finish)"
echo "$line" >>"${SUMMARY_FILE:-/dev/null}"
exit "$status"
