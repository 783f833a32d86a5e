# SPDX-License-Identifier: MIT
# Shared by the NV bridge's system tests: the daemon in the simulated module.
. "$ORVO_SRC/tests/support/kit.sh"

nv() { ctl nv "$@"; }
held() { grep -qw nvrpc_lock /sys/power/wake_lock; }
released() { ! held; }
printed() { nv output | grep -qxF -- "$1"; }
daemon_pid() { ctl paramlinkd pid; }
# Messages waiting on queue 4134 (0x1026).
queued() { ipcs -q | awk '$1 == "0x00001026" { print $6 }'; }
# expect_printed WHAT LINE: the daemon printed exactly this line on standard output
expect_printed() { wait_for "$1" 2 printed "$2"; }
