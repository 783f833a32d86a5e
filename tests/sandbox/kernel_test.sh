# SPDX-License-Identifier: MIT
# The simulated kernel's files behave as the module's kernel files do.
. "$ORVO_SRC/tests/support/kit.sh"

# Wake locks: name up to the first white space, listing in name order.
out=$(sh -c 'echo a > /sys/power/wake_lock; printf b > /sys/power/wake_lock; cat /sys/power/wake_lock
             echo a > /sys/power/wake_unlock; cat /sys/power/wake_lock')
expect_eq "lock, list, unlock, list" $'a b\nb' "$out"
expect_eq "released locks listed by wake_unlock" "a" "$(cat /sys/power/wake_unlock)"
echo b >/sys/power/wake_unlock
expect_eq "empty list is a bare line feed" "0a" "$(od -An -tx1 /sys/power/wake_lock | tr -d ' ')"

expect_fail "unlock of a name never taken" sh -c 'echo never > /sys/power/wake_unlock'
expect_fail "lock with a non-numeric timeout" sh -c 'echo "c xyz" > /sys/power/wake_lock'
expect_fail "lock with an empty name" sh -c 'echo " 5" > /sys/power/wake_lock'
expect_ok "lock with a timeout in ns" sh -c 'echo "t 200000000" > /sys/power/wake_lock'
expect_eq "timed lock held" "t" "$(cat /sys/power/wake_lock)"
sleep 0.4
expect_eq "timed lock expired" "" "$(cat /sys/power/wake_lock)"
echo c >/sys/power/wake_lock
echo c >/sys/power/wake_lock
expect_eq "renewing a held lock keeps one entry" "c" "$(cat /sys/power/wake_lock)"

# Wake-up sources follow the lock activity.
header=$(head -1 /sys/kernel/debug/wakeup_sources)
expect_eq "wakeup_sources header" $'name\t\tactive_count\tevent_count\twakeup_count\texpire_count\tactive_since\ttotal_time\tmax_time\tlast_change\tprevent_suspend_time' "$header"
row=$(awk '$1 == "c" {print $2, $3}' /sys/kernel/debug/wakeup_sources)
expect_eq "held lock counted once, two events" "1 2" "$row"
row=$(awk '$1 == "t" {print $2, $5}' /sys/kernel/debug/wakeup_sources)
expect_eq "expired lock counted as expired" "1 1" "$row"
sleep 0.1
since=$(awk '$1 == "c" {print $6}' /sys/kernel/debug/wakeup_sources)
[ "$since" -ge 100 ] || fail "active_since of a held lock grows ($since)"
since=$(awk '$1 == "a" {print $6}' /sys/kernel/debug/wakeup_sources)
expect_eq "released lock has active_since 0" "0" "$since"

# Register files record writes; a write can be made to fail.
echo 0 >/sys/devices/platform/soc/1307000.gmac/gmac_power
echo "0x7:0x0  " >/sys/kernel/debug/pmu_kv31/regs
expect_eq "writes recorded" $'/sys/devices/platform/soc/1307000.gmac/gmac_power 0\\n\n/sys/kernel/debug/pmu_kv31/regs 0x7:0x0  \\n' "$("$ORVO_SRC/sim/module" ctl kernel writes)"
"$ORVO_SRC/sim/module" ctl kernel fail gmac_power 5 1
expect_fail "scripted write failure" sh -c 'echo 0 > /sys/devices/platform/soc/1307000.gmac/gmac_power'
expect_ok "failure limited to one write" sh -c 'echo 0 > /sys/devices/platform/soc/1307000.gmac/gmac_power'
"$ORVO_SRC/sim/module" ctl kernel fail regs 13
expect_fail "failure for ever" sh -c 'echo 1 > /sys/kernel/debug/pmu_kv31/regs'
"$ORVO_SRC/sim/module" ctl kernel unfail regs
expect_ok "unfail" sh -c 'echo 1 > /sys/kernel/debug/pmu_kv31/regs'

# Low-power-mode edges: a read blocks until an edge is raised.
dd if=/sys/xp2xp/xp2xp_notify/xp2xp_state bs=16 count=1 of=/tmp/edge 2>/dev/null &
reader=$!
sleep 0.3
kill -0 $reader 2>/dev/null || fail "xp2xp_state read did not block"
"$ORVO_SRC/sim/module" ctl kernel edge 1
wait $reader
expect_eq "edge 1 reads 6 bytes" 6 "$(stat -c %s /tmp/edge)"
"$ORVO_SRC/sim/module" ctl kernel edge 0
dd if=/sys/xp2xp/xp2xp_notify/xp2xp_state bs=16 count=1 of=/tmp/edge 2>/dev/null
expect_eq "edge raised before the read: 5 bytes" 5 "$(stat -c %s /tmp/edge)"
dd if=/sys/xp2xp/xp2xp_notify/xp2xp_state bs=16 count=1 of=/tmp/edge 2>/dev/null &
reader=$!
sleep 0.2
kill $reader
wait $reader 2>/dev/null
expect_fail "a killed reader is gone" kill -0 $reader 2>/dev/null

finish
