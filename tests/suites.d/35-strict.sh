# SPDX-License-Identifier: MIT
# The normal build's sandbox tests once more, each in a simulated module on the strict
# platform (sim/module --strict): seed ORVO_SIM_STRICT, 1 unless set. The summary line gives
# the seed and the faults of each kind the platform injected, added up over the modules.
# After the normal suite's tests: both keep their records in build/Testing. Transcripts of
# the simulated kernel's and channel's exact behaviour (label kernel_transcript) are left
# out: on the strict platform they fail reads and cut writes at random on purpose.
SUITE_NEEDS=10-normal
SUITE_AFTER=10-normal
suite_test() {
    local seed=${ORVO_SIM_STRICT:-1} tally="$SRC/build/strict-tally.txt" status faults
    : >"$tally" # each module adds its counts (sim/sandbox)
    echo "strict platform, seed $seed ($SRC/build)"
    ORVO_SIM_STRICT=$seed ORVO_STRICT_TALLY=1 ctest_tree "$SRC/build" -L sandbox -LE kernel_transcript
    status=$?
    faults=$(awk '{ n[$1] += $2; if (!($1 in order)) { order[$1] = ++kinds; name[kinds] = $1 } }
        END { for (i = 1; i <= kinds; i++) printf "%s%s %d", (i > 1 ? ", " : ""), name[i], n[name[i]] }' \
        "$tally")
    echo "strict: $(passed_of "$SRC/build" -L sandbox -LE kernel_transcript) sandbox tests passed on the strict platform, seed $seed; injected: ${faults:-nothing}" >>"$SUMMARY_FILE"
    return $status
}
