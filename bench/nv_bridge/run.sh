#!/bin/bash
# SPDX-License-Identifier: MIT
# An NV request through paramlinkd against its floor relay and the direct queue exchange, in
# a simulated module of its own. Usage: bench/nv_bridge/run.sh [ROUNDS [REQUESTS]]
# ORVO_BENCH_CPUS (a taskset list, e.g. 0) keeps the whole module on those CPUs: with one,
# every hand-off stays on one core.
set -euo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${ORVO_BUILD:-$SRC/build}
pin=()
[ -n "${ORVO_BENCH_CPUS:-}" ] && pin=(taskset -c "$ORVO_BENCH_CPUS")
exec "${pin[@]}" "$SRC/sim/module" --build "$BUILD" run bash -c \
    '"$ORVO_SRC/sim/module" ctl nv start service --quiet && orvo-sim-nv-bench "$@"' bench "$@"
