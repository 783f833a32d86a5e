# A newcomer's first step: a clone of this commit in /tmp, where the simulated module mounts
# a fresh /tmp of its own. Builds only what the sandbox needs and runs one sandbox test there.
echo "=== tmp-clone (one sandbox test from a clone in /tmp)"
commit=$(git -C "$SRC" rev-parse --verify -q HEAD) || {
    echo "tmp-clone: skipped, $SRC is not a git checkout"
    exit 0
}
clone=$(mktemp -d /tmp/orvo-clone.XXXXXX) || exit 1
trap 'rm -rf "$clone"' EXIT
git clone -q --no-checkout "$SRC" "$clone/src" && git -C "$clone/src" checkout -q "$commit" ||
    exit 1
cmake -S "$clone/src" -B "$clone/src/build" -DORVO_WERROR=ON >/dev/null || exit 1
if ! cmake --build "$clone/src/build" -j"$JOBS" --target orvo-sim-kernel orvo-sim-ctl orvo-sim-autosuspend orvo-sim-wifi orvo-sim-sms \
    >"$clone/build.log" 2>&1; then
    grep -E 'error|warning' "$clone/build.log" | head -50
    echo "tmp-clone build failed"
    exit 1
fi
(cd "$clone/src/build" && ctest -R '^sandbox_layout$' --no-tests=error --output-on-failure)
status=$?
passed=$((status == 0 ? 1 : 0))
echo "tmp-clone: $passed of 1 tests passed (sandbox_layout from a clone in /tmp)" >>"$SUMMARY_FILE"
exit $status
