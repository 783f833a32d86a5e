# SPDX-License-Identifier: MIT
# The shell test kit: transcripts with placeholders, the coprocess harness, the counts.
. "$ORVO_SRC/tests/support/kit.sh"

# outcome CMD...: the number of failures CMD adds, its own messages dropped.
outcome() { (
    failures=0
    "$@" 2>/dev/null
    echo $failures
); }

printf 'pid={{PID}} key={{KEY}}\nend\n' >/tmp/expected
printf 'pid=41 key=a|b&c\\d/e\nend\n' >/tmp/actual
expect_eq "placeholders replaced, values taken as they are" 0 \
    "$(outcome expect_file same /tmp/expected /tmp/actual PID=41 'KEY=a|b&c\d/e')"
expect_eq "a wrong value fails" 1 \
    "$(outcome expect_file wrong /tmp/expected /tmp/actual PID=42 'KEY=a|b&c\d/e')"
printf 'pid=41 key=a|b&c\\d/e\nend' >/tmp/actual
expect_eq "a missing last line feed fails" 1 \
    "$(outcome expect_file short /tmp/expected /tmp/actual PID=41 'KEY=a|b&c\d/e')"
: >/tmp/empty
expect_eq "a missing expected file fails, also for empty output" 1 \
    "$(outcome expect_file none /nonexistent /tmp/empty)"
diff_text=$( (expect_file shown /tmp/expected /tmp/actual PID=41 'KEY=a|b&c\d/e') 2>&1)
expect_ok "the diff marks line ends" grep -qF -- '-end$' <<<"$diff_text"

run_on_text $'one\ntwo\n' sh -c 'cat; echo err >&2; exit 3'
expect_eq "run_on: output" $'one\ntwo' "$(cat "$kit_out")"
expect_eq "run_on: standard error" err "$(cat "$kit_err")"
expect_eq "run_on: status" 3 "$status"

co_start sh -c 'while read -r line; do echo "got $line"; [ "$line" = q ] && exit 4; done'
co_send a
co_wait "first line answered" "got a"
co_send q
co_end
expect_eq "coprocess: transcript" $'got a\ngot q' "$(cat "$kit_out")"
expect_eq "coprocess: exit status" 4 "$status"

co_start sleep 30
co_signal TERM
co_end
expect_eq "coprocess ended by a signal" $((128 + 15)) "$status"

finish
