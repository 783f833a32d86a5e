#!/bin/bash
# SPDX-License-Identifier: MIT
# On the emulated board, in one boot and a simulated module there (on_board.sh): real sleep
# with paging every second (sleep_bench), the wake-lock registry's costs on the real
# kernel's wake locks beside bare writes of the kernel's files (pm_registry_bench), and the
# deliverables' long-lived threads at rest (at_rest.sh). The board is an emulator: its times
# are qemu's on this machine, not a module's; they compare with each other.
# Usage: bench/sleep/run.sh [ROUNDS]   (ORVO_ARM_BUILD: the ARM build, default build-arm/)
set -euo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
ARM=$(cd "${ORVO_ARM_BUILD:-$SRC/build-arm}" && pwd)
for program in pm_registry_bench sleep_bench; do
    [ -x "$ARM/bin/$program" ] || { echo "no $program in $ARM/bin: build first" >&2; exit 1; }
done
ORVO_ARM_BUILD=$ARM "$SRC/sim/board" run "$SRC/sim/module" --build "$ARM" run \
    bash "$SRC/bench/sleep/on_board.sh" "$ARM" "${1:-20}"
