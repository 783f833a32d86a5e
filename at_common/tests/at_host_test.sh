# SPDX-License-Identifier: MIT
# The AT plug-in behind the simulated AT host: whole sessions of the port, kept in
# transcripts/ (NAME.in the lines sent, each with CR LF; NAME.out what the host writes back).
. "$ORVO_SRC/tests/support/kit.sh"
plugin=$ORVO_BUILD/lib/liborvo-at-common.so

# session WHAT INPUT [OUTPUT]: the host on transcripts/INPUT.in answers
# transcripts/OUTPUT.out (default INPUT.out), byte for byte.
session() {
    run_on "$2" orvo-sim-athost "$plugin"
    expect_transcript "$1" "${3:-$2}"
}

# Software version: the name is a prefix, whatever follows it.
session "CGIR, CGIR? and CGIR=1" cgir

# Lines that select nothing get nothing; the host goes on serving.
session "no response for lower case, empty command, short lines" no_response

# LEDs: the mode is the last character's distance from '0'; the LED library decides.
session "NETLED=1 accepted, NETLED (mode 20) refused" netled
expect_eq "LED calls" $'liborvo-led orvo_set_netled_on 1\nliborvo-led orvo_set_netled_on 20' \
    "$(ctl calls | grep liborvo-led)"
expect_eq "net LED mode kept" 1 "$(ctl led net)"
session "STATUSLED=3" statusled
expect_eq "status LED mode kept" 3 "$(ctl led status)"
ctl fail orvo_set_statusled_on 7
session "STATUSLED failing in the library" statusled_failing
ctl unfail orvo_set_statusled_on

# Low-power entry: the MAC is powered down first, whatever follows; the last character
# switches automatic suspend.
session "LEELSP=0, =1, =2 and bare" leelsp
expect_eq "service got disable, then enable" $'disable\nenable' \
    "$(ctl autosuspend show | awk '$1 == "cmd" && $3 ~ /able$/ {print $3}')"
gmac='/sys/devices/platform/soc/1307000.gmac/gmac_power 0\n'
expect_eq "MAC powered down each time" "$gmac"$'\n'"$gmac"$'\n'"$gmac"$'\n'"$gmac" \
    "$(ctl kernel writes)"
ctl kernel fail gmac_power 5
session "MAC power-down failing does not matter" leelsp_mac_failing
ctl kernel unfail gmac_power
ctl autosuspend stop
session "LEELSP with the service gone" leelsp_service_gone

# DDR identification from the register as devmem prints it.
ddrid() {
    ctl devmem ddrid "$2"
    session "DDRID $2" ddrid "ddrid_$1"
}
ddrid 2gb 0xF8631600
ddrid 2gb 0xF8631700
ddrid 4gb 0xF8631300
ddrid 4gb 0xF8631500
ddrid no_match 0xF8631400
ddrid no_match 0xF8631501
ddrid no_match none
expect_eq "devmem read the register each time" 7 \
    "$(ctl calls | grep -c '^devmem read 0x0121B040$')"

# Halt enable: the PMU register write decides the answer.
session "HALTENABLE" haltenable
ctl kernel fail regs 5
session "HALTENABLE with the write failing" haltenable haltenable_failing
ctl kernel unfail regs
expect_eq "register written once" '/sys/kernel/debug/pmu_kv31/regs 0x7:0x0\n' \
    "$(ctl kernel writes | grep regs)"

# The host refuses what is not an AT plug-in, saying why.
expect_fail "no such plug-in" orvo-sim-athost /nonexistent/plugin.so </dev/null
err=$(orvo-sim-athost "$ORVO_BUILD/lib/liborvo-led.so" </dev/null 2>&1)
expect_eq "a library without the registration function" \
    "orvo-sim-athost: $ORVO_BUILD/lib/liborvo-led.so has no orvo_register_at_common" "$err"

finish
