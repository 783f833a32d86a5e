# SPDX-License-Identifier: MIT
# The soak: the whole module under load and faults for a minute, with a fixed seed, on the
# normal build. A long one by hand: sim/module soak --minutes 30.
SUITE_NEEDS=10-normal
suite_test() {
    local log="$SRC/build/soak.log" status totals
    echo "soak (one minute, seed 1)"
    "$SRC/sim/module" --build "$SRC/build" soak --minutes 1 --seed 1 >"$log" 2>&1
    status=$?
    sed -n '/^soak: seed .*client loops/,$p' "$log"
    totals=$(grep '^soak totals: ' "$log" | sed 's/^soak totals: //')
    echo "soak: ${totals:-did not finish (see $log)}" >>"$SUMMARY_FILE"
    return $status
}
