# The cross build for the module's 32-bit ARM (cmake/toolchain-armhf.cmake). Its unit tests
# run under qemu-user; those that need the simulated module run under qemu-user inside the
# normal build's sandbox. Shell-script system tests drive host programs and stay host-only.
dir="$SRC/build-arm"
echo "=== arm build ($dir)"
cmake -S "$SRC" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/toolchain-armhf.cmake" \
    -DORVO_SANDBOX_BUILD="$SRC/build" -DORVO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >/dev/null || exit 1
if ! cmake --build "$dir" -j"$JOBS" >"$dir/build.log" 2>&1; then
    grep -E 'error|warning' "$dir/build.log" | head -50
    echo "arm build failed"
    exit 1
fi
cd "$dir" || exit 1
ctest -j"$JOBS" --no-tests=error --output-on-failure --timeout 300
status=$?
total=$(ctest -N | awk '/Total Tests:/ {print $3}')
failed=0
[ $status = 0 ] || failed=$(wc -l <Testing/Temporary/LastTestsFailed.log)
echo "arm: $((total - failed)) of $total tests passed under qemu-arm" >>"${SUMMARY_FILE:-/dev/null}"
exit $status
