# SPDX-License-Identifier: MIT
say "The simulated module: its own /tmp, queues and kernel files"
show 'ls /sys/power /sys/xp2xp/xp2xp_notify /etc/config'
say "Kernel wake locks: a name up to the first space, listed in name order"
show 'echo tour_b > /sys/power/wake_lock; echo tour_a > /sys/power/wake_lock; cat /sys/power/wake_lock'
show 'echo tour_b > /sys/power/wake_unlock; cat /sys/power/wake_lock; cat /sys/power/wake_unlock'
show 'echo nosuch > /sys/power/wake_unlock || echo "refused: never taken"'
show 'cat /sys/kernel/debug/wakeup_sources'
say "Low-power-mode edges: a read of xp2xp_state waits for the next edge"
show '(sleep 0.5; module ctl kernel edge 1) & dd if=/sys/xp2xp/xp2xp_notify/xp2xp_state bs=16 count=1 2>/dev/null | wc -c'
say "The system log: one line per message, with time, tag and level"
show 'orvo-sim-logger TOUR_DEMO 3 "hello from the logger"; orvo-sim-logger TOUR_DEMO 1 "a second message"'
show 'module log'
