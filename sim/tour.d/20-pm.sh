# SPDX-License-Identifier: MIT
say "Named wake locks shared between processes (liborvo-kesl-autosuspend, via orvo-sim-kesl-call)"
show 'orvo-sim-kesl-call create tour_lock'
show 'od -A d -c /tmp/.lock_table | head -2; od -A d -t d4 -j 8192 -N 8 /tmp/.lock_table'
show 'orvo-sim-kesl-call lock 0 autosuspend 1; cat /sys/power/wake_lock'
say "While the lock is held the module stays awake; after the release it suspends"
show 'sleep 0.5; module ctl autosuspend clear; sleep 1; module ctl autosuspend show | grep -c suspend'
show 'orvo-sim-kesl-call unlock 0; sleep 1; module ctl autosuspend show | grep suspend | head -2'
show 'orvo-sim-kesl-call autosuspend 0 destroy 0 destroy 0; od -A d -t d4 -j 8192 -N 4 /tmp/.lock_table'
say "The low-power-mode monitor calls the handler with each edge"
show '(sleep 0.3; module ctl kernel edge 1; module ctl kernel edge 0) & orvo-sim-kesl-call monitor 1'
say "The wake-up whitelist state lives in the UCI store"
show 'orvo-sim-kesl-call whitelist-set 1010 whitelist-get whitelist-set "10'"'"'1"'
show 'uci get orvo_uci.orvo_autosuspend.whitelist_state; grep whitelist /etc/config/orvo_uci'
show 'module log --plain | grep "^ORVO_KESL_AUTOSUSPEND" | tail -4'
