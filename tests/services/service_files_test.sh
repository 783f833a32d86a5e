#!/bin/bash
# SPDX-License-Identifier: MIT
# The service files of paramlinkd and orvo-default as a build makes them (BUILD/init): the
# shell scripts parse in the shells of the images, the systemd units pass systemd-analyze
# verify, the procd scripts issue the right commands to a stand-in of procd's helpers, and
# the busybox/sysvinit script keeps its daemon running, its output in the system log.
# Usage: service_files_test.sh BUILD
set -uo pipefail
BUILD=$(cd "$1" && pwd)
INIT=$BUILD/init
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# shellcheck source=tests/support/kit.sh
. "$(dirname "$0")/../support/kit.sh"

echo "--- syntax"
for script in "$INIT"/*.sysvinit "$INIT"/*.procd; do
    for shell in dash "busybox sh" bash; do
        $shell -n "$script" || fail "$script in $shell"
    done
    shellcheck -s sh "$script" || fail "shellcheck $script"
done

echo "--- systemd units"
for unit in "$INIT"/*.service; do
    # verify wants the programs there: the build's own, for the installed paths.
    sed "s#^ExecStart=.*/#ExecStart=$BUILD/bin/#" "$unit" >"$WORK/${unit##*/}"
done
out=$(systemd-analyze verify "$WORK"/*.service 2>&1)
[ -z "$out" ] || fail "systemd-analyze verify: $out"
grep -q '^Restart=always' "$INIT/paramlinkd.service" || fail "paramlinkd.service: no restart"
grep -q '^Type=oneshot' "$INIT/orvo-default.service" || fail "orvo-default.service: not one-shot"

echo "--- procd scripts, against a stand-in of rc.common"
procd_calls() {
    # shellcheck disable=SC2016 # expanded by the inner shell
    sh -c '
        procd_open_instance() { echo "open_instance $*"; }
        procd_set_param() { echo "set_param $*"; }
        procd_close_instance() { echo "close_instance $*"; }
        logger() { echo "logger $*"; cat; }
        . "$1"
        echo "START=$START"
        shift
        "$@"' procd "$@"
}
sbindir=$(sed -n 's/^DAEMON=\(.*\)\/paramlinkd$/\1/p' "$INIT/paramlinkd.sysvinit")
expected="START=95
open_instance 
set_param command $sbindir/paramlinkd
set_param respawn 3600 1 0
set_param stdout 1
set_param stderr 1
close_instance "
got=$(procd_calls "$INIT/paramlinkd.procd" start_service 2>&1)
[ "$got" = "$expected" ] || fail "paramlinkd.procd issued: $got"
# orvo-default runs once at boot (boot), not on a later start.
mkdir -p "$WORK/bin"
printf '#!/bin/sh\necho published "$@"\n' >"$WORK/bin/orvo-default"
chmod +x "$WORK/bin/orvo-default"
sed "s#^\( *\)/.*/orvo-default#\1$WORK/bin/orvo-default#" "$INIT/orvo-default.procd" >"$WORK/orvo-default.procd"
got=$(procd_calls "$WORK/orvo-default.procd" boot)
[ "$got" = $'START=19\nlogger -t orvo-default\npublished' ] || fail "orvo-default.procd boot: $got"
got=$(procd_calls "$WORK/orvo-default.procd" start)
[ "$got" = "START=19" ] || fail "orvo-default.procd start ran: $got"

echo "--- the busybox/sysvinit script keeps its daemon running"
# Its daemon and logger stand-ins: the daemon prints a line and waits to be killed (its
# "sleep 1000" killed alone, it ends; told to terminate, it takes half a second, as a daemon
# finishing a request does); the logger keeps what it is given, with its tag.
cat >"$WORK/bin/daemon" <<'STUB'
#!/bin/sh
echo "started $$"
echo "on stderr" >&2
trap 'sleep 0.5; exit 0' TERM
sleep 1000 &
wait
STUB
cat >"$WORK/bin/logger" <<STUB
#!/bin/sh
while IFS= read -r line; do echo "\$* \$line" >>"$WORK/log"; done
STUB
chmod +x "$WORK/bin/daemon" "$WORK/bin/logger"
script=$WORK/S50paramlinkd
sed -e "s#^DAEMON=.*#DAEMON=$WORK/bin/daemon#" -e "s#^PIDFILE=.*#PIDFILE=$WORK/pid#" \
    -e "s#/etc/default/paramlinkd#$WORK/default#g" "$INIT/paramlinkd.sysvinit" >"$script"
chmod +x "$script"
echo 'RESPAWN_PAUSE=0.2' >"$WORK/default"
export PATH="$WORK/bin:$PATH"

# daemon_pid: the daemon the supervisor runs now.
daemon_pid() { pgrep -f "^sleep 1000" -s "$(cat "$WORK/pid" 2>/dev/null || echo 0)" | head -1; }
# restarted PID: a daemon other than PID runs.
restarted() {
    local now
    now=$(daemon_pid)
    [ -n "$now" ] && [ "$now" != "$1" ]
}
# group_gone GROUP: nothing of the supervisor's process group is left.
group_gone() { ! pgrep -s "$1" >/dev/null; }
"$script" status >/dev/null && fail "status before start"
"$script" start
wait_for "no daemon output in the log" 5 grep -qs "^-t paramlinkd started" "$WORK/log"
wait_for "no standard error in the log" 5 grep -qs "^-t paramlinkd on stderr" "$WORK/log"
first=$(daemon_pid)
[ -n "$first" ] || fail "daemon not running after start"
"$script" status | grep -q "is running" || fail "status after start"
"$script" start
[ "$(pgrep -f "^sleep 1000" -s "$(cat "$WORK/pid")" | wc -l)" = 1 ] || fail "a second start started another"
kill "$first"
wait_for "killed daemon not started again" 5 restarted "$first"
[ "$(grep -c "started" "$WORK/log")" = 2 ] || fail "log after the restart: $(cat "$WORK/log")"
group=$(cat "$WORK/pid")
"$script" restart
group_gone "$group" || fail "restart started again before the old daemon had ended"
wait_for "no daemon after the restart" 5 restarted ""
[ "$(pgrep -f "^sleep 1000" | wc -l)" = 1 ] || fail "daemons after the restart: $(pgrep -fa "^sleep 1000")"
group=$(cat "$WORK/pid")
"$script" stop
group_gone "$group" || fail "stop returned before the supervisor, the daemon and the logger ended"
"$script" status >/dev/null && fail "status after stop"

echo "--- orvo-default runs once, its output in the log"
sed "s#^\( *\)/.*/orvo-default#\1$WORK/bin/orvo-default#" "$INIT/orvo-default.sysvinit" >"$WORK/S20orvo-default"
: >"$WORK/log"
sh "$WORK/S20orvo-default" start
[ "$(cat "$WORK/log")" = "-t orvo-default published" ] || fail "orvo-default start: $(cat "$WORK/log")"

finish
