# AddressSanitizer + UndefinedBehaviorSanitizer build.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite address "$SRC/build-asan" -DORVO_SANITIZE=address
