# SPDX-License-Identifier: MIT
# Run on the host: two sandboxes at once are separate, and the host is untouched.
. "$ORVO_SRC/tests/support/kit.sh"
module="$ORVO_SRC/sim/module --build $ORVO_BUILD"

# The host's /tmp is shared with other work (compilers' temporaries come and go), so only
# the names that the sandboxes write there are watched.
sandbox_files='^(orvo-isolation-mark|\.lock_table|autosuspend\.(cmd|data)\.server)$'
tmp_before=$(ls -A /tmp | grep -E "$sandbox_files" | sort)
queues_before=$(ipcs -q | grep '^0x' | sort)

probe='echo hold-$1 > /sys/power/wake_lock; echo $1 > /tmp/orvo-isolation-mark; ipcmk -Q >/dev/null;
       sleep 1; echo "$(cat /sys/power/wake_lock) $(cat /tmp/orvo-isolation-mark) $(ipcs -q | grep -c ^0x)"'
$module run sh -c "$probe" - one >"$ORVO_BUILD/isolation.one" &
$module run sh -c "$probe" - two >"$ORVO_BUILD/isolation.two" &
wait
expect_eq "first sandbox sees only its own" "hold-one one 1" "$(cat "$ORVO_BUILD/isolation.one")"
expect_eq "second sandbox sees only its own" "hold-two two 1" "$(cat "$ORVO_BUILD/isolation.two")"
expect_eq "host /tmp unchanged" "$tmp_before" "$(ls -A /tmp | grep -E "$sandbox_files" | sort)"
expect_eq "host queues unchanged" "$queues_before" "$(ipcs -q | grep '^0x' | sort)"

expect_eq "exit status passes through" 7 "$($module run sh -c 'exit 7' ; echo $?)"
err=$("$ORVO_SRC/sim/module" --build /nonexistent-build run true 2>&1)
[ $? -ne 0 ] || fail "missing build accepted"
expect_eq "missing build explained in one line" 1 "$(printf '%s\n' "$err" | wc -l)"
finish
