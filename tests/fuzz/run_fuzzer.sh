#!/bin/bash
# SPDX-License-Identifier: MIT
# run_fuzzer.sh WORK SECONDS CORPUS [SANDBOX...] FUZZER
# Fuzzes for SECONDS, new inputs in WORK, the seed corpus read-only; a crash input is kept
# in WORK (to be added to the seed corpus) and fails the test. Prints "fuzz-runs: N".
set -uo pipefail
work=$1 seconds=$2 corpus=$3
shift 3
mkdir -p "$work/new"
log="$work/fuzz.log"
"$@" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
    "$work/new" "$corpus" >"$log" 2>&1
status=$?
runs=$(awk '/stat::number_of_executed_units/ {print $NF}' "$log")
echo "fuzz-runs: ${runs:-0}"
if [ $status != 0 ]; then
    tail -40 "$log"
    ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* 2>/dev/null
fi
exit $status
