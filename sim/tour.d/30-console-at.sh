# SPDX-License-Identifier: MIT
say "Power console (orvo-kesl-autosuspend-demo): its menu, then one command per line"
show "printf -- '-q\n' | orvo-kesl-autosuspend-demo; echo"
say "A wake lock created, taken, listed, released and destroyed (menus left out)"
show "printf -- '%s\n' '-cl tour_lock ' '-al 0' '-ccl' '-cll' '-cws' '-rl 0' '-dl 0' '-ccl' '-q' |
    orvo-kesl-autosuspend-demo | grep -v -- ' --'"
say "The whitelist state and automatic suspend"
show "printf -- '%s\n' '-ws 1010' '-wg' '-e' '-q' | orvo-kesl-autosuspend-demo | grep -v -- ' --'"

say "AT plug-in (liborvo-at-common) behind the simulated AT host; responses end in CR LF"
show "orvo-sim-athost --help | tail -4"
show "printf 'AT+CGIR\r\nAT+CGIR?\r\nAT+NETLED=1\r\nAT+STATUSLED=2\r\nAT+NETLED\r\nat+cgir\r\n' |
    orvo-sim-athost \$ORVO_BUILD/lib/liborvo-at-common.so"
show "module ctl calls | grep liborvo-led"
say "AT+DDRID reads the DDR-identification register through devmem"
show "devmem 0x0121b040; printf 'AT+DDRID\r\n' | orvo-sim-athost \$ORVO_BUILD/lib/liborvo-at-common.so"
show "module ctl devmem ddrid 0xF8631600; printf 'AT+DDRID\r\n' | orvo-sim-athost \$ORVO_BUILD/lib/liborvo-at-common.so"
show "module ctl devmem ddrid 0x12345678; printf 'AT+DDRID\r\n' | orvo-sim-athost \$ORVO_BUILD/lib/liborvo-at-common.so"
say "AT+LEELSP powers the Ethernet MAC down and switches automatic suspend; AT+HALTENABLE"
show "printf 'AT+LEELSP=1\r\nAT+LEELSP=0\r\nAT+LEELSP=2\r\nAT+HALTENABLE\r\n' |
    orvo-sim-athost \$ORVO_BUILD/lib/liborvo-at-common.so"
show "module ctl kernel writes"
show "module ctl autosuspend show | grep able"
