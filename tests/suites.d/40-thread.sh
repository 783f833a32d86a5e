# SPDX-License-Identifier: MIT
# ThreadSanitizer build: only the tests labelled "threads" run in it (those whose threads
# meet: receive loops, waiters, concurrent starts), and only what they need is built.
# Label a test with
#   set_tests_properties(NAME PROPERTIES LABELS threads)
# to add it here.
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
dir="$SRC/build-tsan"
suite_build() {
    local targets
    configure_tree "$dir" -DORVO_SANITIZE=thread || return 1
    targets=$(label_targets "$dir" threads) || return 1
    # shellcheck disable=SC2086
    make_tree "$dir" $targets
}
suite_test() {
    ctest_tree "$dir" -L threads
    local status=$?
    echo "thread: $(passed_of "$dir" -L threads) threaded tests passed under ThreadSanitizer" >>"$SUMMARY_FILE"
    return $status
}
