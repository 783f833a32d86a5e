# SPDX-License-Identifier: MIT
# libFuzzer targets with ASan+UBSan (clang): the seed corpora as a regression test, then a
# short bounded fuzzing run of each target. Only what the fuzz tests need is built.
dir="$SRC/build-fuzz"
suite_build() {
    local targets
    CC=clang CXX=clang++ configure_tree "$dir" -DORVO_FUZZ=ON \
        -DORVO_FUZZ_SECONDS="${ORVO_FUZZ_SECONDS:-5}" || return 1
    targets=$(label_targets "$dir" fuzz) || return 1
    # shellcheck disable=SC2086
    make_tree "$dir" $targets
}
suite_test() {
    local status
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:use_sigaltstack=0 # see 30-address.sh
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    cd "$dir" || return 1
    ctest -L 'fuzz_corpus' -j"$JOBS" --output-on-failure || return 1
    ctest -L '^fuzz$' -V 2>&1 | tee "$dir/fuzz-run.log" | grep -E '^[0-9]+: fuzz-runs|Test +#|tests passed'
    status=${PIPESTATUS[0]}
    awk '/^[0-9]+: Test command: / {n=split($0, w, "/"); target=w[n]; gsub(/"/, "", target)}
         /fuzz-runs:/ {print "fuzz " target ": " $NF " inputs"}' "$dir/fuzz-run.log" >>"$SUMMARY_FILE"
    return $status
}
