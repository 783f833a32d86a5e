# The soak: the whole module under load and faults for a minute, with a fixed seed, on the
# normal build (10-normal.sh builds it). A long one by hand: sim/module soak --minutes 30.
echo "=== soak (one minute, seed 1)"
[ -x "$SRC/build/bin/orvo-sim-kernel" ] || {
    echo "soak: no normal build in $SRC/build"
    exit 1
}
log="$SRC/build/soak.log"
"$SRC/sim/module" --build "$SRC/build" soak --minutes 1 --seed 1 >"$log" 2>&1
status=$?
sed -n '/^soak: seed .*client loops/,$p' "$log"
totals=$(grep '^soak totals: ' "$log" | sed 's/^soak totals: //')
echo "soak: ${totals:-did not finish (see $log)}" >>"$SUMMARY_FILE"
exit $status
