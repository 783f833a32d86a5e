# The power-management console through pipes: whole transcripts of its output.
. "$(dirname "${BASH_SOURCE[0]}")/console_lib.sh"
module() { "$ORVO_SRC/sim/module" "$@"; }

# Menu, prompt and quitting.
run_console $'-q\n'
turn -q
expect_transcript "menu and prompt, then -q"
expect_eq "-q exits with 0" 0 "$status"
expect_eq "help line 5 ends in one space" '-cl [wakelock name] --kesl_wakelock_create $' \
    "$(sed -n 5p /tmp/console.out | cat -A)"

run_console ''
expected="$menu$prompt"
expect_transcript "end of input ends the console"
expect_eq "end of input exits with 0" 0 "$status"

# Words: empty lines, unknown words, reads in pieces of 63 characters.
long=$(printf 'a%.0s' {1..63})
spaces=$(printf ' %.0s' {1..63})
run_console $'\n'"nosuch word"$'\n'"$long-q"$'\n'
turn ''
turn nosuch
turn "$long"
turn -q
expect_transcript "empty, unknown and long lines"
run_console "$spaces"$'-q\n'
turn ''
turn -q
expect_transcript "a piece of spaces only is an empty word"

# Wake locks from creation to destruction; the lock table and the kernel's list between.
run_console $'-ccl\n-cl mylock\n-cl other \n-cl other \n-ccl\n-cll\n-al abc\n-al 1\n-al 200\n-al
-cll\n-rl 1\n-rl 1\n-dl 0\n-dl 0\n-rl\n-dl\n-ccl\n-dl 1\n-q\n'
turn -ccl $'Error open lock_table file:No such file or directory\ncheck lock fail\nret=-2\n'
turn -cl $'len =7\nwakelock create success\nfd=0\n'
turn -cl $'len =5\nwakelock create success\nfd=1\n'
# The library's liveness check prints the id of the running registrant.
turn -cl "len =5
$pid
wakelock create fail
ret=-5
"
turn -ccl "fd: 0 lock_name:mylock
 strlen:7, pid=$pid
fd: 1 lock_name:other strlen:5, pid=$pid
check lock success
"
turn -cll $'\n'
turn -al $'wakelock lock success\n'
turn -al $'wakelock lock success\n'
turn -al $'wakelock lock fail\nret=-6\n'
turn -al $'fd is null\n'
turn -cll $'mylock other\n'
turn -rl $'wakelock unlock success\n'
turn -rl $'wakelock unlock success\n'
turn -dl $'wakelock destroy success\n'
turn -dl $'wakelock destroy fail\nret=-1\n'
turn -rl $'fd is null\n'
turn -dl $'fd is null\n'
turn -ccl "fd: 1 lock_name:other strlen:5, pid=$pid
check lock success
"
turn -dl $'wakelock destroy success\n'
turn -q
expect_transcript "wake locks: create, list, lock, unlock, destroy"
# The name typed last on its line keeps its line feed all the way to the platform.
expect_eq "platform calls by name" "qx_pm_wakelock_lock mylock||
qx_pm_wakelock_lock other|
qx_pm_wakelock_unlock other|
qx_pm_wakelock_unlock other|
qx_pm_wakelock_unlock mylock||
qx_pm_wakelock_unlock other|" \
    "$(module ctl calls | tr '\n' '|' | sed 's/libbsp /\n/g' | grep qx_pm_wakelock)"

# The lock table as the file holds it: all free, empty, damaged.
head -c 8704 /dev/zero >/tmp/.lock_table
run_console $'-ccl\n-q\n'
turn -ccl $'check lock success\n'
turn -q
expect_transcript "table without used slots"

: >/tmp/.lock_table
run_console $'-ccl\n-q\n'
turn -ccl $'check lock fail\nret=-2\n'
turn -q
expect_transcript "empty file"

zs=$(printf 'z%.0s' {1..64})
{
    head -c $((127 * 64)) /dev/zero
    printf '%s' "$zs"
    head -c 508 /dev/zero
    printf '\xfe\xff\xff\xff'
} >/tmp/.lock_table
run_console $'-ccl\n-q\n'
turn -ccl "fd: 127 lock_name:$zs strlen:64, pid=-2
check lock success
"
turn -q
expect_transcript "a name without terminator stops at the end of its field"

# The kernel's lists.
module ctl kernel fail wake_lock 5
run_console $'-cll\n-q\n'
turn -cll $'check created lock fail\n'
turn -q
expect_transcript "kernel wake-lock list unreadable"
module ctl kernel unfail wake_lock

echo held_a >/sys/power/wake_lock
echo gone >/sys/power/wake_lock
echo gone >/sys/power/wake_unlock
sleep 0.05
run_console $'-cws\n-q\n'
sed -i 's/^[1-9][0-9]*\t/N\t/' /tmp/console.out
turn -cws $'start check active wakeup_sources  !!!\nactive_since\tname\nN\theld_a\n'
turn -q
expect_transcript "active wake-up sources, time since active and name"

# Whitelist state.
run_console $'-ws abc\n-ws abcd\n-ws\n-wg\n-q\n'
turn -ws $'kesl_whitlist_set fail\nret=-1\n'
turn -ws $'kesl_whitlist_set success\n'
turn -ws $'num is null\n'
turn -wg $'ret=0, whilelist state is abcd\n'
turn -q
expect_transcript "whitelist set and get"

uci set orvo_uci.orvo_autosuspend.whitelist_state=0123456789abcdef && uci commit
run_console $'-wg\n-q\n'
turn -wg $'ret=0, whilelist state is 0123456789abcdef\n'
turn -q
expect_transcript "a stored state longer than 7 characters"

# A failed read prints nothing after the command.
module ctl fail orvo_get_value -3
run_console $'-wg\n-q\n'
module ctl unfail orvo_get_value
turn -wg
turn -q
expect_transcript "-wg when the store fails"

# Automatic suspend on.
run_console $'-e\n-q\n'
turn -e $'kesl_autosuspend_enable success\n'
turn -q
expect_transcript "-e"

# A second -i fails and ends the console.
run_console $'-i\n-i\n-q\n'
turn -i $'lpm init success\n'
turn -i $'lpm init fail\n'
expect_transcript "-i twice ends the console"
expect_eq "failed -i exits with 0" 0 "$status"

finish
