# The normal build's sandbox tests once more, each in a simulated module on the strict
# platform (sim/module --strict): seed ORVO_SIM_STRICT, 1 unless set. The summary line gives
# the seed and the faults of each kind the platform injected, added up over the modules.
# After the normal suite's tests: both keep their records in build/Testing.
SUITE_NEEDS=10-normal
SUITE_AFTER=10-normal
suite_test() {
    local seed=${ORVO_SIM_STRICT:-1} tally="$SRC/build/strict-tally.txt" status total failed=0 faults
    : >"$tally" # each module adds its counts (sim/sandbox)
    echo "strict platform, seed $seed ($SRC/build)"
    rm -f "$SRC/build/Testing/Temporary/LastTestsFailed.log"
    (cd "$SRC/build" && ORVO_SIM_STRICT=$seed ORVO_STRICT_TALLY=1 \
        ctest -L sandbox -j"$((JOBS * 2))" --output-on-failure --timeout 300)
    status=$?
    total=$(cd "$SRC/build" && ctest -N -L sandbox | awk '/Total Tests:/ {print $3}')
    [ $status = 0 ] || failed=$(wc -l <"$SRC/build/Testing/Temporary/LastTestsFailed.log")
    faults=$(awk '{ n[$1] += $2; if (!($1 in order)) { order[$1] = ++kinds; name[kinds] = $1 } }
        END { for (i = 1; i <= kinds; i++) printf "%s%s %d", (i > 1 ? ", " : ""), name[i], n[name[i]] }' \
        "$tally")
    echo "strict: $((total - failed)) of $total sandbox tests passed on the strict platform, seed $seed; injected: ${faults:-nothing}" >>"$SUMMARY_FILE"
    return $status
}
