# SPDX-License-Identifier: MIT
# The uci command in a simulated module: staging, commit, messages and exit statuses.
. "$ORVO_SRC/tests/support/kit.sh"

option=orvo_uci.orvo_autosuspend.whitelist_state
config=/etc/config/orvo_uci

expect_eq "shipped value" "0000" "$(uci get $option)"
expect_eq "version section" "orvo_version" "$(uci get orvo_uci_ro.orvo_version)"

# A set is staged: get sees it, the file does not until the commit.
expect_ok "set" uci set $option='1111'
expect_eq "get sees the staged value" "1111" "$(uci get $option)"
expect_ok "file unchanged before commit" grep -q "whitelist_state '0000'" $config
expect_eq "changes" "$option='1111'" "$(uci changes)"
expect_ok "commit" uci commit
expect_ok "file holds the value" grep -q "^	option whitelist_state '1111'$" $config
expect_eq "nothing staged after commit" "" "$(uci changes)"

# Values with quotes and spaces survive the round trip through the file.
expect_ok "odd value" uci set "orvo_uci.orvo_autosuspend.note=it's \"a\" \$test"
expect_ok "commit one config" uci commit orvo_uci
expect_eq "odd value back" "it's \"a\" \$test" "$(uci get orvo_uci.orvo_autosuspend.note)"
expect_eq "show" "orvo_uci.orvo_autosuspend.note='it'\\''s \"a\" \$test'" \
    "$(uci show orvo_uci.orvo_autosuspend.note)"

# Revert drops staged changes; an empty value and delete remove an option.
uci set $option=2222
expect_ok "revert" uci revert orvo_uci
expect_eq "reverted" "1111" "$(uci get $option)"
uci set orvo_uci.orvo_autosuspend.note=
uci commit
expect_fail "empty value removed the option" uci -q get orvo_uci.orvo_autosuspend.note
expect_ok "new section" uci set orvo_uci.extra=thing
expect_ok "option in it" uci set orvo_uci.extra.key=v
uci commit orvo_uci
expect_ok "section in the file" grep -q "^config thing 'extra'$" $config
expect_ok "delete section" uci delete orvo_uci.extra
uci commit
expect_fail "section gone" uci -q get orvo_uci.extra

# Failures: exit status 1 and UCI's own message on standard error.
check_failure() {
    local what=$1 message=$2
    shift 2
    local err status
    err=$("$@" 2>&1 >/dev/null)
    status=$?
    expect_eq "$what: status" 1 "$status"
    expect_eq "$what: message" "$message" "$err"
}
check_failure "missing config" "uci: Entry not found" uci get nosuch.a.b
check_failure "missing section" "uci: Entry not found" uci get orvo_uci.nosuch.x
check_failure "missing option" "uci: Entry not found" uci get orvo_uci.orvo_autosuspend.nosuch
check_failure "set in a missing section" "uci: Entry not found" uci set orvo_uci.nosuch.x=1
check_failure "set in a missing config" "uci: Entry not found" uci set nosuch.a.b=1
check_failure "set without =" "uci: Invalid argument" uci set $option
check_failure "bad characters" "uci: Invalid argument" uci get "orvo_uci.orvo auto.x"
check_failure "empty section" "uci: Invalid argument" uci get orvo_uci..x
check_failure "path escape" "uci: Invalid argument" uci get ../passwd.a.b
check_failure "value too long" "uci: Invalid argument" uci set "$option=$(printf 'v%.0s' $(seq 128))"
expect_ok "longest value" uci set "$option=$(printf 'v%.0s' $(seq 127))"
uci revert orvo_uci
check_failure "quiet" "" uci -q get nosuch.a.b
expect_fail "no command" uci

# Concurrent set-and-commit of several processes: no change is lost.
for i in 1 2 3 4 5 6 7 8; do
    (uci set orvo_uci.orvo_autosuspend.c$i=v$i && uci commit orvo_uci) &
done
wait
for i in 1 2 3 4 5 6 7 8; do
    expect_ok "concurrent change $i committed" grep -q "option c$i 'v$i'" $config
done
finish
