# SPDX-License-Identifier: MIT
# AddressSanitizer + UndefinedBehaviorSanitizer build.
# use_sigaltstack=0: a thread ended by pthread_cancel is unwound without its frames' stack
# redzones being cleared (ASan does not see forced unwinding); its own sigaltstack teardown
# at thread exit then writes into those stale redzones and reports a false underflow.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:use_sigaltstack=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
suite_build() { build_tree "$SRC/build-asan" -DORVO_SANITIZE=address; }
suite_test() { test_tree address "$SRC/build-asan"; }
