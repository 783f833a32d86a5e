#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs the libqxipc benchmark inside a simulated module of its own (private queues).
# Usage: bench/ipc/run.sh [BUILD]   (default: build/, which must hold a normal build)
set -euo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${1:-$SRC/build}" && pwd)
[ -x "$BUILD/bin/qxipc-bench" ] || { echo "no qxipc-bench in $BUILD/bin: build first" >&2; exit 1; }
exec "$SRC/sim/module" --build "$BUILD" run "$BUILD/bin/qxipc-bench"
