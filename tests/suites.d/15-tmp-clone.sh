# SPDX-License-Identifier: MIT
# A newcomer's first step: a clone of this commit in /tmp, where the simulated module mounts
# a fresh /tmp of its own. Builds only what the sandbox needs and runs one sandbox test there.
clone_path="$STATE/tmp-clone.path" # where the build step put the clone
suite_build() {
    local commit clone
    commit=$(git -C "$SRC" rev-parse --verify -q HEAD) || {
        echo "tmp-clone: not a git checkout, nothing to build"
        return 0
    }
    clone=$(mktemp -d /tmp/orvo-clone.XXXXXX) || return 1
    echo "$clone" >"$clone_path"
    git clone -q --no-checkout "$SRC" "$clone/src" && git -C "$clone/src" checkout -q "$commit" &&
        SOURCE_DIR="$clone/src" configure_tree "$clone/src/build" -DCMAKE_BUILD_TYPE= &&
        make_tree "$clone/src/build" orvo-sim-kernel orvo-sim-ctl orvo-sim-autosuspend orvo-sim-wifi \
            orvo-sim-sms || {
        rm -rf "$clone"
        return 1
    }
}
suite_test() {
    local clone status passed
    [ -s "$clone_path" ] || {
        echo "tmp-clone: skipped, $SRC is not a git checkout"
        return 0
    }
    clone=$(cat "$clone_path")
    # The path now: clone, a local, is gone when the step ends.
    # shellcheck disable=SC2064
    trap "rm -rf $(printf %q "$clone")" EXIT
    echo "one sandbox test from a clone in /tmp ($clone)"
    (cd "$clone/src/build" && ctest -R '^sandbox_layout$' --no-tests=error --output-on-failure)
    status=$?
    passed=$((status == 0 ? 1 : 0))
    echo "tmp-clone: $passed of 1 tests passed (sandbox_layout from a clone in /tmp)" >>"$SUMMARY_FILE"
    return $status
}
