# SPDX-License-Identifier: MIT
# Run on the host: a source or build folder under /tmp or /run, where the module mounts
# fresh file systems, is still seen inside it at its own path.
. "$ORVO_SRC/tests/support/kit.sh"

tmp_dir=$(mktemp -d /tmp/orvo-paths.XXXXXX)
run_dir=$(mktemp -d /run/orvo-paths.XXXXXX)
mkdir "$tmp_dir/src" "$run_dir/build"
# Only empty mount points are left behind: rmdir never removes what a bind showed.
trap 'rmdir "$tmp_dir/src" "$tmp_dir" "$run_dir/build" "$run_dir"' EXIT

# What the module sees of its folders: their files, the private /tmp beside them.
probe='test -f "$ORVO_SRC/sim/config/orvo_uci" && test -x "$ORVO_BUILD/bin/orvo-sim-kernel" &&
       test -f /etc/config/orvo_uci && "$ORVO_SRC/sim/module" ctl calls && echo visible
       ls -A /tmp | grep -v "^autosuspend\.\(cmd\|data\)\.server$"
       echo "$ORVO_SRC $ORVO_BUILD"'

# in_place CMD...: CMD in a mount namespace of its own where the checkout is at
# $tmp_dir/src and the build at $run_dir/build.
in_place() {
    unshare --mount --propagation private bash -c '
        mount --bind "$ORVO_SRC" "$1/src" && mount --bind "$ORVO_BUILD" "$2/build" || exit 90
        shift 2
        exec "$@"' - "$tmp_dir" "$run_dir" "$@"
}

out=$(in_place "$tmp_dir/src/sim/module" --build "$run_dir/build" run sh -c "$probe" 2>&1)
expect_eq "source under /tmp, build under /run" \
    "visible
${tmp_dir#/tmp/}
$tmp_dir/src $run_dir/build" "$out"

# A build inside the checkout, found as the default build folder or by --build.
inner=${ORVO_BUILD#"$ORVO_SRC"/}
if [ "$inner" != "$ORVO_BUILD" ]; then
    out=$(in_place "$tmp_dir/src/sim/module" --build "$tmp_dir/src/$inner" run sh -c "$probe" 2>&1)
    expect_eq "build inside the source, both under /tmp" \
        "visible
${tmp_dir#/tmp/}
$tmp_dir/src $tmp_dir/src/$inner" "$out"
fi

expect_eq "the module's /tmp itself is refused as a folder" \
    "sim/module: /tmp cannot be the source or build folder: it is the module's own" \
    "$("$ORVO_SRC/sim/module" --build /tmp run true 2>&1 | tail -1)"
finish
