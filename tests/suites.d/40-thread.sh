# ThreadSanitizer build: only the tests labelled "threads" run in it (those whose threads
# meet: receive loops, waiters, concurrent starts). Label a test with
#   set_tests_properties(NAME PROPERTIES LABELS threads)
# to add it here.
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
echo "=== thread build ($SRC/build-tsan)"
cmake -S "$SRC" -B "$SRC/build-tsan" -DORVO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVO_SANITIZE=thread >/dev/null || exit 1
if ! cmake --build "$SRC/build-tsan" -j"$JOBS" >"$SRC/build-tsan/build.log" 2>&1; then
    grep -E 'error|warning' "$SRC/build-tsan/build.log" | head -50
    echo "thread build failed"
    exit 1
fi
(cd "$SRC/build-tsan" && ctest -L threads -j"$((JOBS * 2))" --output-on-failure --timeout 300)
status=$?
total=$(cd "$SRC/build-tsan" && ctest -N -L threads | awk '/Total Tests:/ {print $3}')
failed=0
[ $status = 0 ] || failed=$(wc -l <"$SRC/build-tsan/Testing/Temporary/LastTestsFailed.log")
echo "thread: $((total - failed)) of $total threaded tests passed under ThreadSanitizer" >>"$SUMMARY_FILE"
exit $status
