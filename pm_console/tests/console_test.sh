# SPDX-License-Identifier: MIT
# The power-management console through pipes: whole transcripts of its output, kept in
# transcripts/ (NAME.in typed, NAME.out shown).
. "$ORVO_SRC/tests/support/kit.sh"

# console NAME: the console on transcripts/NAME.in.
console() { run_on "$1" orvo-kesl-autosuspend-demo; }

# Menu, prompt and quitting.
console quit
expect_transcript "menu and prompt, then -q" quit
expect_eq "-q exits with 0" 0 "$status"
expect_eq "help line 5 ends in one space" '-cl [wakelock name] --kesl_wakelock_create $' \
    "$(sed -n 5p "$kit_out" | cat -A)"

console end_of_input
expect_transcript "end of input ends the console" end_of_input
expect_eq "end of input exits with 0" 0 "$status"

# Words: empty lines, unknown words, reads in pieces of 63 characters.
console words
expect_transcript "empty, unknown and long lines" words
console spaces
expect_transcript "a piece of spaces only is an empty word" spaces

# Wake locks from creation to destruction; the lock table and the kernel's list between.
# The library's liveness check prints the id of the running registrant.
console wake_locks
expect_transcript "wake locks: create, list, lock, unlock, destroy" wake_locks PID=$run_pid
# The name typed last on its line keeps its line feed all the way to the platform.
expect_eq "platform calls by name" "qx_pm_wakelock_lock mylock||
qx_pm_wakelock_lock other|
qx_pm_wakelock_unlock other|
qx_pm_wakelock_unlock other|
qx_pm_wakelock_unlock mylock||
qx_pm_wakelock_unlock other|" \
    "$(ctl calls | tr '\n' '|' | sed 's/libbsp /\n/g' | grep qx_pm_wakelock)"

# The lock table as the file holds it: all free, empty, damaged.
head -c 8704 /dev/zero >/tmp/.lock_table
console table_free
expect_transcript "table without used slots" table_free

: >/tmp/.lock_table
console table_empty
expect_transcript "empty file" table_empty

{
    head -c $((127 * 64)) /dev/zero
    printf 'z%.0s' {1..64}
    head -c 508 /dev/zero
    printf '\xfe\xff\xff\xff'
} >/tmp/.lock_table
console table_unterminated
expect_transcript "a name without terminator stops at the end of its field" table_unterminated

# The kernel's lists.
ctl kernel fail wake_lock 5
console kernel_list_unreadable
expect_transcript "kernel wake-lock list unreadable" kernel_list_unreadable
ctl kernel unfail wake_lock

echo held_a >/sys/power/wake_lock
echo gone >/sys/power/wake_lock
echo gone >/sys/power/wake_unlock
sleep 0.05
console wakeup_sources
sed -i 's/^[1-9][0-9]*\t/N\t/' "$kit_out" # the time since active
expect_transcript "active wake-up sources, time since active and name" wakeup_sources

# Whitelist state.
console whitelist
expect_transcript "whitelist set and get" whitelist

uci set orvo_uci.orvo_autosuspend.whitelist_state=0123456789abcdef && uci commit
console whitelist_long
expect_transcript "a stored state longer than 7 characters" whitelist_long

# A failed read prints nothing after the command.
ctl fail orvo_get_value -3
console whitelist_store_fails
ctl unfail orvo_get_value
expect_transcript "-wg when the store fails" whitelist_store_fails

# Automatic suspend on.
console enable
expect_transcript "-e" enable

# A second -i fails and ends the console.
console init_twice
expect_transcript "-i twice ends the console" init_twice
expect_eq "failed -i exits with 0" 0 "$status"

finish
