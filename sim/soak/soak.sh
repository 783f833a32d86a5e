#!/bin/bash
# SPDX-License-Identifier: MIT
# The soak (sim/module soak): every deliverable and simulated service at once, client
# processes doing what users do while faults are injected, invariants checked as it goes
# and at the end; a table of operations, faults and invariants. Runs inside a module.
# --sleeping (where the kernel itself sleeps, the emulated board): automatic suspend on and
# paging every second; each client holds a wake lock of its own while an operation runs
# and none between, as applications must, so the module sleeps between operations; the
# table adds the kernel's suspends, the wake-ups by cause and its failed suspends, and a
# timeline of the sleeps goes to /tmp/soak/timeline.svg.
#   soak.sh [--minutes N] [--seed S] [--clients N] [--sleeping]   (--minutes 0: 20 seconds)
set -uo pipefail
minutes=1 seed=$$ clients=2 sleeping=0
while [ $# -gt 0 ]; do
    case $1 in
    --minutes) minutes=$2 ;;
    --seed) seed=$2 ;;
    --clients) clients=$2 ;;
    --sleeping)
        sleeping=1
        shift
        continue
        ;;
    *)
        echo "usage: sim/module soak [--minutes N] [--seed S] [--clients N] [--sleeping]" >&2
        exit 2
        ;;
    esac
    shift 2
done
[[ $minutes =~ ^[0-9]+$ && $seed =~ ^[0-9]+$ && $clients =~ ^[0-9]+$ ]] && [ "$clients" -gt 0 ] || {
    echo "soak: --minutes, --seed and --clients take whole numbers" >&2
    exit 2
}
RANDOM=$seed
dir=/tmp/soak
mkdir -p "$dir/ops" "$dir/state"
: >"$dir/faults" >"$dir/broken" >"$dir/checked" >"$dir/journal"
plugin=$ORVO_BUILD/lib/liborvo-at-common.so
duration=$((minutes * 60))
[ "$duration" -gt 0 ] || duration=20
start=$(date +%s)
deadline=$((start + duration))
# Resident memory and descriptors are judged against the first minute (a third of a
# shorter soak), when every long-lived process has settled.
warmup=$((duration / 3 < 60 ? duration / 3 : 60))
hang_limit=60 # seconds: an operation that takes longer counts as a hang

ctl() { orvo-sim-ctl "$@"; }
# Bash's own clock and /proc, not GNU date, pgrep and comm: the board has busybox's tools.
now_ms() { echo $((${EPOCHREALTIME//[.,]/} / 1000)); }
running() { [ "$(date +%s)" -lt $deadline ]; }

# Sleeping, a client holds its kernel wake lock (work_lock, one name per client loop: the
# kernel keeps at most 100 names made from user space) while an operation runs.
work_lock=soak_work
work() { [ $sleeping = 0 ] || echo "$work_lock" >/sys/power/wake_lock; }
rest() { [ $sleeping = 0 ] || echo "$work_lock" >/sys/power/wake_unlock; }

# Sleeping, a client loop rests a few seconds between rounds, as applications do between
# their work; the module sleeps whenever every loop rests (their pauses stand still then).
idle() { [ $sleeping = 0 ] || sleep $((1 + RANDOM % 3)); }

# op KIND CMD...: one user operation, bounded by the watchdog; its output on stdout.
op() {
    local kind=$1 status
    shift
    work 2>/dev/null
    timeout -k 5 $hang_limit "$@" 2>>"$dir/errors"
    status=$?
    rest 2>/dev/null
    echo >>"$dir/ops/$kind"
    [ $status != 124 ] || broke "hung: $kind $* (over $hang_limit s)"
    return $status
}

broke() { echo "$*" >>"$dir/broken"; }
checked() { echo "$1" >>"$dir/checked"; }
fault() { echo "$1" >>"$dir/faults"; }

# --- clients -------------------------------------------------------------------------

# Wake locks: names created, taken, released and destroyed; a name's state is noted after
# each call that ended (a killed call leaves it unknown: "?").
wakelock_client() {
    local id=$1 name slot out status before
    work_lock=soak_work_wakelock_$id
    RANDOM=$((seed + id))
    while running; do
        name=soak_${id}_$((RANDOM % 4))
        before=$(cat "$dir/state/$name" 2>/dev/null)
        out=$(op wakelock orvo-sim-kesl-call create "$name")
        status=$?
        slot=${out#create }
        if [ $status != 0 ]; then
            echo "?" >"$dir/state/$name"
            continue
        fi
        checked registrations
        if ! [[ $slot =~ ^[0-9]+$ ]] || [ "$slot" -gt 127 ]; then
            broke "registration of $name refused: $out"
            continue
        fi
        if [[ $before =~ ^[0-9]+$ ]]; then
            # Left by a process that has ended: the name is taken over in its own slot.
            checked takeovers
            [ "$slot" = "$before" ] || broke "$name taken over in slot $slot, registered in $before"
        fi
        echo "$slot" >"$dir/state/$name"
        # Left registered, a name is taken over by the next process that creates it.
        if [ $((RANDOM % 2)) = 0 ]; then
            out=$(op wakelock orvo-sim-kesl-call lock "$slot" unlock "$slot" destroy "$slot")
        else
            out=$(op wakelock orvo-sim-kesl-call lock "$slot" unlock "$slot")
        fi
        status=$?
        if [ $status != 0 ]; then
            echo "?" >"$dir/state/$name"
        elif [[ $out == *"destroy 0"* ]]; then
            echo "-" >"$dir/state/$name"
        elif [[ $out != *"unlock 0"* ]]; then
            echo "?" >"$dir/state/$name" # held, or refused while the kernel failed
        fi
        idle
    done
}

# IPC: requests to the server, each answered with its own text or timed out in time.
ipc_client() {
    local id=$1 n=0 text out t0 elapsed limit
    work_lock=soak_work_ipc_$id
    RANDOM=$((seed + 100 + id))
    while running; do
        n=$((n + 1))
        text=r${id}_$n
        limit=$((200 + RANDOM % 800))
        t0=$(now_ms)
        # The library adds its own lines when the loop ends: the answer line alone.
        out=$(op ipc-request qxipc-demo request 5469 "$text" $limit | grep -E '^(key|no answer)')
        elapsed=$(($(now_ms) - t0))
        checked ipc-requests
        case $out in
        "key 5469 answered: answer:$text") ;;
        "no answer")
            # The process itself starts and ends around the wait, and a loaded machine (the
            # emulated board beside) stalls that for seconds: five of slack.
            [ $elapsed -le $((limit + 5000)) ] || broke "ipc request $text timed out after $elapsed ms (limit $limit)"
            ;;
        "") ;; # killed
        *) broke "ipc request $text: $out" ;;
        esac
        if [ $((n % 3)) = 0 ]; then
            op ipc-publish qxipc-demo publish 5469 77 "p${id}_$n" >/dev/null &&
                echo "p${id}_$n" >>"$dir/published"
        fi
        idle
    done
}

# NV: the modem core (one channel, one request at a time) sets and reads parameters through
# paramlinkd; each call gets one answer, request identifiers grow, a read gives the value
# last set. A request the dying NV service took is sent again after paramlinkd's 20 s, so
# one that meets two deaths in a row takes over 40 s: the wait allows for that.
nv_client() {
    local id=1 n=0 out key value answers
    work_lock=soak_work_nv
    while running; do
        n=$((n + 1))
        key=soak.k$((n % 5)) value=$n
        out=$(op nv orvo-sim-ctl nv set "$key" "$value" --timeout 55000)
        answers=$(grep -c '^answer ' <<<"$out")
        [ "$answers" = 1 ] || broke "nv set $key: $answers answers"
        grep -o 'req_id=[0-9]*' <<<"$out" >>"$dir/nv_ids.$id"
        out=$(op nv orvo-sim-ctl nv get "$key" --timeout 55000)
        answers=$(grep -c '^answer ' <<<"$out")
        [ "$answers" = 1 ] || broke "nv get $key: $answers answers"
        [[ $out == *"value=\"$value\""* ]] || broke "nv get $key: $out (wanted $value)"
        grep -o 'req_id=[0-9]*' <<<"$out" >>"$dir/nv_ids.$id"
        checked nv-requests
        idle
    done
}

# SMS from the network, each of which must reach every listener once, read messages
# deleted as a user does, and messages sent, each of which must reach the outbox.
sms_client() {
    local n=0 index
    work_lock=soak_work_sms
    RANDOM=$((seed + 400))
    while running; do
        n=$((n + 1))
        if index=$(op sms-delivered orvo-sim-ctl sms deliver +4900$n "soak-sms-$n"); then
            echo "soak-sms-$n" >>"$dir/delivered"
        fi
        sleep 0.$((RANDOM % 5 + 2))
        [[ $index =~ ^[0-9]+$ ]] && op sms-deleted orvo-sim-sms-client delete "$index" >/dev/null
        if [ $((n % 4)) = 0 ] && op sms-sent orvo-sim-sms-client send +4911$n "soak-out-$n" |
            grep -qx 'send_sms: 0'; then
            checked sms-sent
            orvo-sim-ctl sms outbox | grep -q "soak-out-$n\$" || broke "sent soak-out-$n is not in the outbox"
        fi
        idle
    done
}

# AT commands through the plug-in in the AT host, and the consoles driven.
at_console_client() {
    local id=$1 out version
    work_lock=soak_work_at_$id
    RANDOM=$((seed + 300 + id))
    version=$'+CGIR:R220-NYY-BASE2WLAN-K40Q07.AP.19.09_CAP.19.09\r\nOK\r'
    while running; do
        out=$(printf 'AT+CGIR\r\n' | op at orvo-sim-athost "$plugin" 2>/dev/null)
        [ -z "$out" ] || [ "$out" = "$version" ] || broke "AT+CGIR: $out"
        # Sleeping, AT+LEELSP switches automatic suspend on, never off.
        printf 'AT+LEELSP=%s\r\nAT+NETLED=1\r\n' $((sleeping == 1 ? 1 : RANDOM % 2)) |
            op at orvo-sim-athost "$plugin" >/dev/null 2>&1
        printf -- '%s\n' "-cl soak_c$id " '-ccl' '-e' '-q' | op console orvo-kesl-autosuspend-demo >/dev/null
        printf 'testmode_enable\ntestmode_disable\nq\n' | op console wlan_rftest_demo >/dev/null
        checked answers
        idle
    done
}

# --- sleep --------------------------------------------------------------------------------

switch_sleep() { orvo-sim-kesl-call autosuspend "$1" >/dev/null || broke "automatic suspend not switched to $1"; }
# The service's sleeps and their causes, kept before it is killed (its journal goes with it).
keep_journal() { ctl autosuspend show 2>/dev/null | grep -E '^(suspend|cause) ' >>"$dir/journal"; }
kernel_stat() { awk -v key="$1:" '$1 == key { print $2 }' /sys/kernel/debug/suspend_stats; }

start_sleeping() {
    [ $sleeping = 1 ] || return 0
    ctl autosuspend cycles | grep -q '^kernel:' || broke "--sleeping: the kernel here does not sleep"
    ctl set paging_ms 1000
    suspends_before=$(kernel_stat success) fails_before=$(kernel_stat fail)
    switch_sleep 1
}

# The checks at the end run awake, under a lock of their own.
stop_sleeping() {
    [ $sleeping = 1 ] || return 0
    echo soak_checks >/sys/power/wake_lock
    keep_journal
    switch_sleep 0
}

sleep_table() {
    [ $sleeping = 1 ] || return 0
    local suspends fails
    suspends=$(($(kernel_stat success) - suspends_before)) fails=$(($(kernel_stat fail) - fails_before))
    printf '%-24s %s\n' "suspends (kernel)" "$suspends"
    printf '%-24s %s\n' "failed suspends" "$fails"
    printf '%-24s %s\n' "wake-ups by cause" "count"
    awk '$1 == "cause" { n = split($5, names, ","); for (i = 1; i <= n; i++) count[names[i] == "-" ? "(none counted)" : names[i]]++ }
        END { for (name in count) printf "  %-22s %d\n", name, count[name] }' "$dir/journal" | sort
    orvo-sim-ctl autosuspend timeline "$dir/journal" >"$dir/timeline.svg"
    echo "timeline: $dir/timeline.svg"
    echo "sleep totals: $suspends suspends, $fails failed, $(count "$dir/broken") broken (seed $seed)"
    echo soak_checks >/sys/power/wake_unlock
}

# --- long-lived processes --------------------------------------------------------------

start_long_lived() {
    # On a strict platform the NV service also answers twice now and then: paramlinkd must
    # take the surplus out and still answer every request once.
    [ -n "$(ctl strict)" ] && ctl set nv_answer_twice 50
    qxipc-demo serve msm-server >"$dir/server.out" &
    echo $! >"$dir/pid.ipc-server"
    # The subscription goes to the server's queue: it must be there first.
    for _ in $(seq 100); do
        grep -q '^serving' "$dir/server.out" 2>/dev/null && break
        sleep 0.05
    done
    qxipc-demo subscribe 5469 77 1000000000 >"$dir/subscriber.out" &
    echo $! >"$dir/pid.ipc-subscriber"
    for i in 1 2; do
        orvo-sim-sms-client listen >"$dir/listener$i.out" &
        echo $! >"$dir/pid.sms-listener$i"
    done
    ctl nv start >/dev/null || broke "the NV services did not start"
    ctl paramlinkd pid >"$dir/pid.paramlinkd"
    ctl sms pid >"$dir/pid.sms-service"
    sleep 1
}

# Descriptors, threads and resident memory of the long-lived processes, one line each:
# "SECONDS NAME FDS THREADS RSS_KB".
sample() {
    local file pid name
    for file in "$dir"/pid.*; do
        name=${file#"$dir"/pid.} pid=$(cat "$file")
        [ -d "/proc/$pid" ] || continue
        echo "$(($(date +%s) - start)) $name $(ls "/proc/$pid/fd" | wc -l) $(ls "/proc/$pid/task" | wc -l)" \
            "$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")" >>"$dir/samples"
    done
}

# --- faults ------------------------------------------------------------------------------

# A client process killed at any point: one of the users' programs, never a long-lived one.
kill_a_client() {
    local pids=() pid
    for pid in $(grep -lxE 'orvo-sim-kesl-c|qxipc-demo|orvo-sim-athost|orvo-kesl-autos|wlan_rftest_dem' \
        /proc/[0-9]*/comm 2>/dev/null | cut -d/ -f3); do
        grep -qx "$pid" "$dir"/pid.* 2>/dev/null || pids+=("$pid")
    done
    [ ${#pids[@]} -gt 0 ] || return 0
    pid=${pids[RANDOM % ${#pids[@]}]}
    kill -KILL "$pid" 2>/dev/null && fault client-killed
}

inject_fault() {
    case $((RANDOM % 6)) in
    0 | 1) kill_a_client ;;
    2)
        local service=$([ $((RANDOM % 2)) = 0 ] && echo autosuspend || echo wifi)
        [ "$service" = wifi ] || keep_journal
        ctl "$service" kill KILL >/dev/null && fault "$service-killed"
        sleep 0.$((RANDOM % 9 + 1))
        ctl "$service" start >/dev/null || broke "the $service service did not start again"
        # A service started again begins with automatic suspend off.
        [ "$service" = wifi ] || [ $sleeping = 0 ] || switch_sleep 1
        ;;
    3) ipcrm -Q 5469 2>/dev/null && fault ipc-queue-removed ;;
    4) ctl kernel fail wake_lock 5 $((RANDOM % 3 + 1)) && fault kernel-file-failing ;;
    5)
        # The NV service dies holding a request (it answers late); it comes back, and
        # paramlinkd sends the request again.
        ctl nv service delay 2000 >/dev/null
        sleep 0.5
        ctl nvservice kill KILL >/dev/null && fault nv-service-killed
        sleep 0.$((RANDOM % 9 + 1))
        ctl nvservice start >/dev/null || broke "the NV service did not start again"
        ;;
    esac
}

# --- checks at the end ---------------------------------------------------------------------

check_registry() {
    local table name state slot owner
    table=$(printf -- '-ccl\n-q\n' | orvo-kesl-autosuspend-demo | grep '^fd: ')
    checked registry
    # One slot per name: a name taken over from an ended registrant keeps its slot.
    dup=$(sed 's/.*lock_name:\([^ ]*\) .*/\1/' <<<"$table" | sort | uniq -d)
    [ -z "$dup" ] || broke "names registered twice: $dup"
    for state in "$dir"/state/*; do
        [ -e "$state" ] || continue
        name=${state##*/} slot=$(cat "$state")
        owner=$(grep " lock_name:$name strlen" <<<"$table" | sed 's/^fd: \([0-9]*\) .*/\1/')
        case $slot in
        "?") ;;
        -) [ -z "$owner" ] || broke "$name destroyed but still in slot $owner" ;;
        *) [ "$owner" = "$slot" ] || broke "$name lost: registered in slot $slot, table has '${owner:-none}'" ;;
        esac
    done
}

# Kernel wake locks outlive their process: only names whose client was killed may stay
# held; taking such a name over and unlocking it clears it.
check_kernel_locks() {
    local name slot out
    checked kernel-wake-locks
    for name in $(cat /sys/power/wake_lock); do
        [[ $name != soak_work* && $name != soak_checks ]] || continue
        if [ "$(cat "$dir/state/$name" 2>/dev/null)" != "?" ]; then
            broke "kernel wake lock $name held with no killed holder"
            continue
        fi
        echo "$name" >>"$dir/inherited"
        out=$(orvo-sim-kesl-call create "$name")
        slot=${out#create }
        orvo-sim-kesl-call unlock "$slot" >/dev/null
        grep -qw "$name" /sys/power/wake_lock && broke "$name still held after a take-over and unlock"
    done
}

check_nv_order() {
    local file ids
    checked nv-order
    for file in "$dir"/nv_ids.*; do
        [ -e "$file" ] || continue
        ids=$(sed 's/req_id=//' "$file")
        [ "$ids" = "$(sort -n <<<"$ids")" ] || broke "nv answers of ${file##*.} out of order"
    done
    dup=$(cat "$dir"/nv_ids.* 2>/dev/null | sort | uniq -d | head -3)
    [ -z "$dup" ] || broke "nv requests answered twice: $dup"
}

# Whether listener I has every delivered message.
listener_has_all() {
    local missing
    missing=$(sort -u "$dir/delivered" 2>/dev/null |
        grep -vxF -f <(sed -n 's/.*: \(soak-sms-[0-9]*\)$/\1/p' "$dir/listener$1.out"))
    [ -z "$missing" ]
}

# The last deliveries reach the listeners: at once on an idle machine, within seconds on a
# loaded one; what never arrives is found by check_sms.
wait_for_listeners() {
    local tries=100
    until listener_has_all 1 && listener_has_all 2; do
        tries=$((tries - 1))
        [ $tries -gt 0 ] || return
        sleep 0.2
    done
}

check_sms() {
    local i text got
    checked sms-handlers
    for i in 1 2; do
        for text in $(cat "$dir/delivered" 2>/dev/null); do
            got=$(grep -c ": $text\$" "$dir/listener$i.out")
            [ "$got" = 1 ] || broke "listener $i got $text $got times"
        done
    done
}

check_ipc_publishes() {
    checked ipc-publishes
    dup=$(sed -n 's/^topic 77 from key 5469: //p' "$dir/subscriber.out" | sort | uniq -d | head -3)
    [ -z "$dup" ] || broke "publications received twice: $dup"
}

check_alive() {
    local file
    checked watchdog
    for file in "$dir"/pid.*; do
        kill -0 "$(cat "$file")" 2>/dev/null || broke "${file#"$dir"/pid.} has ended"
    done
    [ "$(ctl nv get soak.alive --timeout 45000 | grep -c '^answer ')" = 1 ] || broke "paramlinkd does not answer"
    [ "$(qxipc-demo request 5469 alive 2000 | grep '^key')" = "key 5469 answered: answer:alive" ] ||
        broke "the IPC server does not answer"
}

# Descriptors and threads: a leak grows with the operations, so the fewest of the last
# quarter's samples must not pass the most of those from the warm-up to half-time (a sample
# taken while a call holds a descriptor, or between a close and the open that replaces it,
# is no leak). Resident memory flat: no sample after the warm-up more than 10 % and 512 KiB
# above the first one after it.
check_resources() {
    checked resources
    awk -v warmup="$warmup" -v half=$((duration / 2)) -v late=$((duration * 3 / 4)) '
        function least(table, key, value) { if (!(key in table) || value < table[key]) table[key] = value }
        function most(table, key, value) { if (!(key in table) || value > table[key]) table[key] = value }
        $1 >= warmup && !($2 in base) { rss[$2] = $5; base[$2] = 1 }
        ($2 in base) && ($1 <= half || !($2 in fd)) { most(fd, $2, $3); most(th, $2, $4) }
        ($2 in base) && $1 >= late { least(lfd, $2, $3); least(lth, $2, $4) }
        ($2 in base) { if ($5 > max[$2]) max[$2] = $5 }
        END {
            for (n in base) {
                if (lfd[n] > fd[n]) printf "%s: %d descriptors, %d after the warm-up\n", n, lfd[n], fd[n]
                if (lth[n] > th[n]) printf "%s: %d threads, %d after the warm-up\n", n, lth[n], th[n]
                if (max[n] > rss[n] * 1.1 + 512) printf "%s: resident %d KiB, %d after the warm-up\n", n, max[n], rss[n]
            }
        }' "$dir/samples" >"$dir/resources"
    while IFS= read -r line; do broke "$line"; done <"$dir/resources"
    # What a process that seems to leak holds, for whoever reads the report.
    local name
    for name in $(cut -d: -f1 "$dir/resources" | sort -u); do
        echo "descriptors of $name:"
        ls -l "/proc/$(cat "$dir/pid.$name")/fd" 2>&1 | sed 's/^/  /'
    done
}

# --- the run -------------------------------------------------------------------------------

count() { [ -s "$1" ] && wc -l <"$1" || echo 0; }

table() {
    local file
    echo "soak: seed $seed, $minutes minutes, $((clients * 3 + 2)) client loops"
    printf '%-24s %s\n' "operations" "count"
    for file in "$dir"/ops/*; do printf '  %-22s %d\n' "${file##*/}" "$(count "$file")"; done
    printf '%-24s %s\n' "faults injected" "count"
    sort "$dir/faults" | uniq -c | awk '{printf "  %-22s %d\n", $2, $1}'
    printf '%-24s %s\n' "invariants checked" "count"
    sort "$dir/checked" | uniq -c | awk '{printf "  %-22s %d\n", $2, $1}'
    printf '%-24s %s\n' "kernel locks inherited" "$(count "$dir/inherited")"
    printf '%-24s %s\n' "nv reply waits ended" \
        "$(orvo-sim-ctl nv output | grep -c 'msgrcv fail, errno = 4')"
    local strict
    strict=$(ctl strict)
    if [ -n "$strict" ]; then
        printf '%-24s %s\n' "strict platform" "$(head -1 <<<"$strict")"
        sed 1d <<<"$strict" | awk '{printf "  %-22s %d\n", $1, $2}'
    fi
    if [ -s "$dir/broken" ]; then
        echo "broken:"
        sed 's/^/  /' "$dir/broken"
    else
        echo "broken: none"
    fi
    echo "soak totals: $(cat "$dir"/ops/* | wc -l) operations, $(count "$dir/faults") faults," \
        "$(count "$dir/checked") invariant checks, $(count "$dir/broken") broken (seed $seed)"
    sleep_table
}

echo "soak: seed $seed, $minutes minutes (the same seed injects the same faults in turn)"
start_long_lived
start_sleeping
workers=()
for i in $(seq 1 "$clients"); do
    wakelock_client "$i" &
    workers+=($!)
    ipc_client "$i" &
    workers+=($!)
    at_console_client "$i" &
    workers+=($!)
done
sms_client &
workers+=($!)
nv_client &
workers+=($!)

while running; do
    sleep "$((RANDOM % 3 + 1)).$((RANDOM % 10))"
    running || break
    inject_fault
    sample
done
wait "${workers[@]}"
stop_sleeping
ctl kernel unfail wake_lock
wait_for_listeners
sleep 2 # the daemons go idle
# Several idle samples: on a loaded machine a last delivery may still hold a descriptor.
for _ in 1 2 3 4 5; do
    sample
    sleep 0.3
done
check_registry
check_kernel_locks
check_nv_order
check_sms
check_ipc_publishes
check_alive
check_resources
table
[ ! -s "$dir/broken" ]
