# SPDX-License-Identifier: MIT
say "liborvo-autosuspend: automatic suspend through the autosuspend service"
show 'module ctl autosuspend timing 300 200; module ctl autosuspend status; module ctl autosuspend state'
say "Wake locks still held keep the module awake: release those of earlier steps"
show 'for lock in $(cat /sys/power/wake_lock); do echo $lock > /sys/power/wake_unlock; done; cat /sys/power/wake_lock'
say "Switched on, the module suspends while no wake lock is held; each wake-up reaches a waiting caller"
show 'timeout 10 orvo-sim-autosuspend-client enable wait 3'
show 'module ctl autosuspend show'
say "A wake lock (acquire_wake_lock, through libbsp into the kernel) keeps it awake"
show 'orvo-sim-autosuspend-client lock tour_busy; cat /sys/power/wake_lock'
show 'sleep 0.4; module ctl autosuspend clear; sleep 1; module ctl autosuspend state; module ctl autosuspend show | grep -c "^suspend"'
say "Released, it suspends again; then automatic suspend is switched off"
show 'timeout 10 orvo-sim-autosuspend-client unlock tour_busy wait 1 disable'
say "The library's log: every message at level 3"
show 'module log --plain | grep LIBORVO_AUTOSUSPEND | tail -12'
