# The console typed at through a pipe, one command at a time: the low-power-mode monitor's
# handler prints between the prompts.
. "$(dirname "${BASH_SOURCE[0]}")/console_lib.sh"
module() { "$ORVO_SRC/sim/module" "$@"; }

mkfifo /tmp/console.fifo
orvo-kesl-autosuspend-demo </tmp/console.fifo >/tmp/console.out 2>/tmp/console.err &
pid=$!
exec 3>/tmp/console.fifo
send() { printf '%s\n' "$1" >&3; }
# shown TEXT COUNT: the output holds TEXT COUNT times
shown() { [ "$(grep -cF -- "$1" /tmp/console.out)" = "$2" ]; }

send -i
wait_for "monitor started" 5 shown "lpm init success" 1
module ctl kernel edge 1
wait_for "handler called for edge 1" 5 shown "edge_state=1" 1
module ctl kernel edge 0
wait_for "handler called for edge 0" 5 shown "edge_state=0" 1
send -d
wait_for "monitor stopped" 5 shown "lpm deinit success" 1
send -d
wait_for "no monitor to stop" 5 shown "lpm deinit fail" 1
send -i
wait_for "monitor started again" 5 shown "lpm init success" 2
send -q
exec 3>&-
wait $pid
expect_eq "exit status" 0 $?

turn -i $'lpm init success\n'
expected+="$menu$prompt"$'this is kesl_lpm_handler, edge_state=1\n'
expected+=$'this is kesl_lpm_handler, edge_state=0\ncmd1:-d\nlpm deinit success\n'
turn -d $'lpm deinit fail\n'
turn -i $'lpm init success\n'
turn -q
expect_transcript "monitor lines between the prompts"

finish
