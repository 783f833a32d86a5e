# The AT plug-in behind the simulated AT host: whole transcripts of what the port receives.
. "$ORVO_SRC/tests/lib.sh"
plugin=$ORVO_BUILD/lib/liborvo-at-common.so
module() { "$ORVO_SRC/sim/module" "$@"; }

# at LINE...: what the host writes back for the lines (each sent with CR LF), shown with
# cat -A: a CR LF line end reads "^M$", a missing line feed shows as a missing "$".
at() { printf '%s\r\n' "$@" | orvo-sim-athost "$plugin" 2>/dev/null | cat -A; }

# expect_at WHAT TRANSCRIPT LINE...
expect_at() {
    local what=$1 transcript=$2
    shift 2
    expect_eq "$what" "$(printf '%s' "$transcript")" "$(at "$@")"
}

version=$'+CGIR:R220-NYY-BASE2WLAN-K40Q07.AP.19.09_CAP.19.09^M$\n'
ok=$'OK^M$\n'
error=$'+CME ERROR: 100^M$\n'

# Software version: the name is a prefix, whatever follows it.
expect_at "CGIR, CGIR? and CGIR=1" "$version$ok$version$ok$version$ok" AT+CGIR AT+CGIR? AT+CGIR=1

# Lines that select nothing get nothing; the host goes on serving.
expect_at "no response for lower case, empty command, short lines" "$version$ok" \
    at+cgir AT+ AT A "" AT+FOO AT+CGIRX=1x

# LEDs: the mode is the last character's distance from '0'; the LED library decides.
expect_at "NETLED=1 accepted, NETLED (mode 20) refused" "$ok$error" AT+NETLED=1 AT+NETLED
expect_eq "LED calls" $'liborvo-led orvo_set_netled_on 1\nliborvo-led orvo_set_netled_on 20' \
    "$(module ctl calls | grep liborvo-led)"
expect_eq "net LED mode kept" 1 "$(module ctl led net)"
expect_at "STATUSLED=3" "$ok" AT+STATUSLED=3
expect_eq "status LED mode kept" 3 "$(module ctl led status)"
module ctl fail orvo_set_statusled_on 7
expect_at "STATUSLED failing in the library" "$error" AT+STATUSLED=1
module ctl unfail orvo_set_statusled_on

# Low-power entry: the MAC is powered down first, whatever follows; the last character
# switches automatic suspend.
expect_at "LEELSP=0, =1, =2 and bare" "$ok$ok$error$error" AT+LEELSP=0 AT+LEELSP=1 AT+LEELSP=2 AT+LEELSP
expect_eq "service got disable, then enable" $'disable\nenable' \
    "$(module ctl autosuspend show | awk '$1 == "cmd" && $3 ~ /able$/ {print $3}')"
gmac='/sys/devices/platform/soc/1307000.gmac/gmac_power 0\n'
expect_eq "MAC powered down each time" "$gmac"$'\n'"$gmac"$'\n'"$gmac"$'\n'"$gmac" \
    "$(module ctl kernel writes)"
module ctl kernel fail gmac_power 5
expect_at "MAC power-down failing does not matter" "$ok" AT+LEELSP=0
module ctl kernel unfail gmac_power
module ctl autosuspend stop
expect_at "LEELSP with the service gone" "$error" AT+LEELSP=1

# DDR identification from the register as devmem prints it.
ddrid() {
    module ctl devmem ddrid "$2"
    expect_at "DDRID $2" "$1" AT+DDRID
}
ddrid $'+DDRID:2Gb ddr^M$\n'"$ok" 0xF8631600
ddrid $'+DDRID:2Gb ddr^M$\n'"$ok" 0xF8631700
ddrid $'+DDRID:4Gb ddr^M$\n'"$ok" 0xF8631300
ddrid $'+DDRID:4Gb ddr^M$\n'"$ok" 0xF8631500
nomatch=$'+DDRID:no matching ddr^M$\n'"$error"
ddrid "$nomatch" 0xF8631400
ddrid "$nomatch" 0xF8631501
ddrid "$nomatch" none
expect_eq "devmem read the register each time" 7 \
    "$(module ctl calls | grep -c '^devmem read 0x0121B040$')"

# Halt enable: the PMU register write decides the answer.
expect_at "HALTENABLE" "$ok" AT+HALTENABLE
module ctl kernel fail regs 5
expect_at "HALTENABLE with the write failing" "$error" AT+HALTENABLE
module ctl kernel unfail regs
expect_eq "register written once" '/sys/kernel/debug/pmu_kv31/regs 0x7:0x0\n' \
    "$(module ctl kernel writes | grep regs)"

# The host refuses what is not an AT plug-in, saying why.
expect_fail "no such plug-in" orvo-sim-athost /nonexistent/plugin.so </dev/null
err=$(orvo-sim-athost "$ORVO_BUILD/lib/liborvo-led.so" </dev/null 2>&1)
expect_eq "a library without the registration function" \
    "orvo-sim-athost: $ORVO_BUILD/lib/liborvo-led.so has no orvo_register_at_common" "$err"

finish
