#!/bin/bash
# SPDX-License-Identifier: MIT
# bench/sleep/run.sh's part inside the simulated module on the board: on_board.sh ARM ROUNDS.
set -euo pipefail
ARM=$1
ROUNDS=$2
# The figures' names say where they were taken.
on_board() { sed 's/^\(figure\t[^\t]*\)/\1, board/'; }
"$ORVO_SRC/sim/module" ctl set paging_ms 1000
"$ARM/bin/sleep_bench" "$ROUNDS" 60 | on_board
# The kernel keeps at most 100 wake locks made from user space (CONFIG_PM_WAKELOCKS_LIMIT)
# and forgets idle ones only after minutes: 30 rounds make about 60 names.
"$ARM/bin/pm_registry_bench" 30 | on_board
# The deliverables' long-lived threads at rest, a minute.
bash "$ORVO_SRC/bench/sleep/at_rest.sh" 60 | on_board
