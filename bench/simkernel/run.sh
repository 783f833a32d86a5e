#!/bin/bash
# SPDX-License-Identifier: MIT
# The cost of a wake-lock write through the simulated kernel against a write to a tmpfs
# file, in a simulated module of its own. Usage: bench/simkernel/run.sh [ROUNDS [WRITES]]
# (ORVO_BUILD: the normal build, default build/)
set -euo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${ORVO_BUILD:-$SRC/build}" && pwd)
[ -x "$BUILD/bin/simkernel_bench" ] || { echo "no simkernel_bench in $BUILD/bin: build first" >&2; exit 1; }
exec "$SRC/sim/module" --build "$BUILD" run "$BUILD/bin/simkernel_bench" "$@"
