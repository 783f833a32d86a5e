# AddressSanitizer + UndefinedBehaviorSanitizer build.
# tests/asan.supp says why each suppressed report is not a fault.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:suppressions=$SRC/tests/asan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite address "$SRC/build-asan" -DORVO_SANITIZE=address
