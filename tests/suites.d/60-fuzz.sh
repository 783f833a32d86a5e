# libFuzzer targets with ASan+UBSan (clang): the seed corpora as a regression test, then a
# short bounded fuzzing run of each target.
dir="$SRC/build-fuzz"
echo "=== fuzz build ($dir)"
CC=clang CXX=clang++ cmake -S "$SRC" -B "$dir" -DORVO_WERROR=ON -DORVO_FUZZ=ON \
    -DORVO_FUZZ_SECONDS="${ORVO_FUZZ_SECONDS:-5}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null ||
    exit 1
if ! cmake --build "$dir" -j"$JOBS" >"$dir/build.log" 2>&1; then
    grep -E 'error|warning' "$dir/build.log" | head -50
    echo "fuzz build failed"
    exit 1
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:use_sigaltstack=0  # see 20-address.sh
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$dir" || exit 1
ctest -L 'fuzz_corpus' -j"$JOBS" --output-on-failure || exit 1
ctest -L '^fuzz$' -V 2>&1 | tee "$dir/fuzz-run.log" | grep -E '^[0-9]+: fuzz-runs|Test +#|tests passed'
status=${PIPESTATUS[0]}
awk '/^[0-9]+: Test command: / {n=split($0, w, "/"); target=w[n]; gsub(/"/, "", target)}
     /fuzz-runs:/ {print "fuzz " target ": " $NF " inputs"}' "$dir/fuzz-run.log" >>"$SUMMARY_FILE"
exit $status
