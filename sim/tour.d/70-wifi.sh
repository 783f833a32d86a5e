# SPDX-License-Identifier: MIT
say "Wi-Fi as access point and station at once (wlan_dual_demo over the simulated Wi-Fi)"
show 'module ctl wifi delay 500   # each state change of the simulated service takes 0.5 s'
show 'module ctl wifi delay addr 200   # the station has its address 0.2 s after it is up'
mkfifo /tmp/wifi_console
exec 3<>/tmp/wifi_console
show 'wlan_dual_demo HomeNet secret-pass 2 </tmp/wifi_console | tee /tmp/wifi_out &'
for _ in $(seq 200); do
    grep -q 'input command' /tmp/wifi_out 2>/dev/null && break
    sleep 0.05
done
say "A phone joins the access point; a scan finds networks; then the console command q"
show 'module ctl wifi join 3c:22:fb:10:20:30 phone; sleep 0.3'
show 'module ctl wifi scan 3; sleep 0.3'
show 'echo q >/tmp/wifi_console; wait'
exec 3>&-

say "The Wi-Fi driver's test mode (wlan_rftest_demo): any leading part of the command words"
show 'printf "t\ntestmode_disable\nq\n" | wlan_rftest_demo'
show 'module ctl calls | grep drv_test_mode'

say "The software version published into the UCI store (orvo-default)"
show 'orvo-default; uci get orvo_uci_ro.orvo_version.ORVO_SW_VERSION'
show 'uci get orvo_uci_ro.orvo_version.ORVO_SW_INSIDE_VERSION'
