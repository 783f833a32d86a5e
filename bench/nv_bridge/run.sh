#!/bin/bash
# NV requests per second and latency through paramlinkd against the direct queue exchange,
# in a simulated module of its own. Usage: bench/nv_bridge/run.sh [REQUESTS]
set -euo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${ORVO_BUILD:-$SRC/build}
exec "$SRC/sim/module" --build "$BUILD" run bash -c \
    '"$ORVO_SRC/sim/module" ctl nv start service --quiet && orvo-sim-nv-bench "$@"' bench "$@"
