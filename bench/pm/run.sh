#!/bin/bash
# SPDX-License-Identifier: MIT
# Costs of the wake-lock registry, in a simulated module of its own.
# Usage: bench/pm/run.sh [ROUNDS]   (ORVO_BUILD: the normal build, default build/)
set -euo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${ORVO_BUILD:-$SRC/build}" && pwd)
[ -x "$BUILD/bin/pm_registry_bench" ] || { echo "no pm_registry_bench in $BUILD/bin: build first" >&2; exit 1; }
exec "$SRC/sim/module" --build "$BUILD" run "$BUILD/bin/pm_registry_bench" "$@"
