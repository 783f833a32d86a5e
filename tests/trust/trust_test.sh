#!/bin/bash
# SPDX-License-Identifier: MIT
# Another local user (uid 65534, the intruder tool) takes or jams the fixed keys and paths
# that root's components use, before or while they run: nothing forged reaches root, no
# call of a root process blocks on what the intruder holds, no root wake lock changes on
# its say, nothing is written outside the table. One case per run: trust_test.sh CASE
. "$ORVO_SRC/tests/support/kit.sh"

console() { run_on_text "$1" timeout -k 2 15 orvo-kesl-autosuspend-demo; }
logged() { module log --plain | grep -qF -- "$1"; }
said() { grep -qx "$2" "$1"; }

# intruder OUT ACTION [ARG]: the intruder in the background (pid $intruder), once it has
# said WHAT it did on its first line.
intruder() {
    local out=$1
    shift
    command intruder "$@" >"$out" 2>&1 &
    intruder=$!
    wait_for "intruder: $*" 5 test -s "$out"
}

# Queue 4134 made first, open to all, by a process that answers every request: paramlinkd
# refuses the queue and echoes the request, and the forger sees nothing.
queue_4134_taken_first() {
    intruder /tmp/forger forge-nv
    ctl nv start modemcore
    ctl nv start daemon
    local answer
    answer=$(ctl nv get a.b --req-id 7 --timeout 30000)
    expect_eq "the request echoed" "(echo of the request)" "$(grep -o '(echo.*' <<<"$answer")"
    expect_eq "nothing forged reached the modem core" "" "$(grep -o 'FORGED[^"]*' <<<"$answer")"
    expect_eq "the forger read no request" "" "$(grep '^request' /tmp/forger)"
    expect_ok "the queue refused" \
        bash -c '"$ORVO_SRC/sim/module" ctl nv output | grep -qxF "nv error: msgget msgId fail, errno = 13!"'
    expect_eq "daemon still running" running "$(ctl nv status)"
}

# An endpoint's fixed key made first, open to all: the root endpoint refuses it rather than
# read the intruder's messages (or let it stop the loop); a dynamic key still works.
endpoint_taken_first() {
    intruder /tmp/queue queue 5470
    timeout -k 2 5 qxipc-demo serve telecom-server >/tmp/serve 2>&1
    expect_eq "the root endpoint does not start on it" 1 "$?"
    expect_ok "no queue for the endpoint" grep -qF "No MSG-QUEUE can be used!" /tmp/serve
    qxipc-demo serve >/tmp/serve-dynamic 2>&1 &
    local serve=$!
    wait_for "a dynamic endpoint starts" 5 said /tmp/serve-dynamic "serving qxipc on key 5471"
    expect_eq "and answers" "key 5471 answered" \
        "$(qxipc-demo request 5471 hello 2000 | grep -o 'key 5471 answered')"
    kill "$serve"
}

# The table readable by all and locked by the intruder for good: root's operations go on
# without the lock after about a second, say so once, and work.
lock_table_jammed() {
    console $'-cl mylock\n-q\n'
    intruder /tmp/holder hold-table
    console $'-al 0\n-rl 0\n-q\n'
    expect_eq "the console was not held" 0 "$status"
    expect_ok "locked" grep -qx "wakelock lock success" "$kit_out"
    expect_ok "unlocked" grep -qx "wakelock unlock success" "$kit_out"
    expect_ok "going on without the lock is logged" logged "lock_table busy, going on without its lock"
}

# The table made first by the intruder, naming "nvrpc_lock" in slot 0: root refuses it, so
# no kernel wake lock is taken on its say and nothing is written into it.
lock_table_planted() {
    intruder /tmp/planter plant-table nvrpc_lock
    local before
    before=$(md5sum </tmp/.lock_table)
    console $'-al 0\n-cl mine\n-ccl\n-q\n'
    expect_ok "lock refused" grep -qx "wakelock lock fail" "$kit_out"
    expect_ok "create refused" grep -qx "wakelock create fail" "$kit_out"
    expect_ok "listing refused" grep -qx "check lock fail" "$kit_out"
    expect_fail "no kernel wake lock on the intruder's say" grep -qw nvrpc_lock /sys/power/wake_lock
    expect_eq "the intruder's file unchanged" "$before" "$(md5sum </tmp/.lock_table)"
    expect_ok "the refusal logged" logged "Error open lock_table file:Permission denied"
}

# A hard link at the table path to another file (where protected_hardlinks is off anyone
# can make one to a file they cannot write): root does not write through it.
lock_table_hard_link() {
    echo "not a lock table" >/tmp/victim
    ln /tmp/victim /tmp/.lock_table
    console $'-cl mine\n-q\n'
    expect_ok "create refused" grep -qx "wakelock create fail" "$kit_out"
    expect_eq "the other file unchanged" "not a lock table" "$(cat /tmp/victim)"
}

# Made under umask 0, the table is still not writable by others.
lock_table_made_under_umask_0() {
    (umask 0 && console $'-cl mine\n-q\n')
    expect_ok "created" grep -qx "wakelock create success" "$kit_out"
    expect_eq "mode" 775 "$(stat -c %a /tmp/.lock_table)"
    intruder /tmp/writer write-table
    expect_ok "the intruder cannot write it" grep -q "Permission denied" /tmp/writer
}

# The console's listing does not follow a link to a file only root may read, and does not
# wait on a FIFO.
console_reads_only_a_table() {
    echo "root-only-secret" >/run/secret
    chmod 600 /run/secret
    intruder /tmp/linker link-table /run/secret
    console $'-ccl\n-q\n'
    expect_ok "listing refused" grep -qx "check lock fail" "$kit_out"
    expect_fail "the file not shown" grep -q "root-only-secret" "$kit_out"
    rm -f /tmp/.lock_table
    intruder /tmp/fifo fifo-table
    console $'-ccl\n-q\n'
    expect_eq "the console did not wait on the FIFO" 0 "$status"
    expect_ok "listing refused" grep -qx "check lock fail" "$kit_out"
}

# The autosuspend service down, an impostor on its paths: root's enable is refused, not
# handed to the impostor.
autosuspend_impostor() {
    ctl autosuspend stop
    intruder /tmp/impostor impostor
    expect_eq "enable refused" "enable: -1" \
        "$(timeout -k 2 20 orvo-sim-autosuspend-client enable)"
    expect_ok "the refusal logged" logged "CONNECT ERROR "
    expect_eq "the impostor got no command" "" "$(grep '^command' /tmp/impostor)"
}

# A listener on the command path that never accepts, its backlog full: the connect ends.
autosuspend_jammed() {
    ctl autosuspend stop
    intruder /tmp/jammer jam /tmp/autosuspend.cmd.server
    local out
    out=$(timeout -k 2 30 orvo-sim-autosuspend-client enable)
    expect_eq "enable fails instead of waiting for good" "enable: -1" "$out"
}

# The station's pass phrase is not left in the command line, which every user can read.
pass_phrase_hidden() {
    ctl wifi delay 300
    co_start wlan_dual_demo Home secret-pass 2
    co_wait "prompt" "[wlan_dual_demo]when want to off, input command:" 1 15
    local cmdline
    cmdline=$(tr '\0' ' ' </proc/"$co_pid"/cmdline)
    expect_fail "pass phrase not in the command line ($cmdline)" grep -q secret-pass <<<"$cmdline"
    expect_ok "the other arguments stay" grep -q "Home" <<<"$cmdline"
    expect_ok "the program's own trace line stays" \
        grep -qF "[wlan_dual_demo]wlan_dual_param [Home-secret-pass-2]!" "$kit_out"
    co_send stop
    co_end
}

"$1"
kill "$intruder" 2>/dev/null
finish
