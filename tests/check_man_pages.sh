#!/bin/bash
# SPDX-License-Identifier: MIT
# Every program of the build's manifest has its manual page beside its sources (<name>.1, a
# daemon's <name>.8), and every page lints clean (mandoc -T lint, warnings and worse).
# Usage: check_man_pages.sh SOURCE_DIR BUILD
set -uo pipefail
SRC=$1
BUILD=$2
failures=0
while read -r kind name _; do
    case $kind in
    program) section=1 ;;
    daemon) section=8 ;;
    *) continue ;;
    esac
    mapfile -t pages < <(find "$SRC" -path "$SRC/build*" -prune -o -name "$name.$section" -print)
    if [ ${#pages[@]} = 0 ]; then
        echo "no manual page $name.$section"
        failures=$((failures + 1))
        continue
    fi
    if ! mandoc -T lint -W warning "${pages[@]}"; then
        failures=$((failures + 1))
    fi
done < <(grep -v '^#' "$BUILD/deliverables.txt")
[ $failures = 0 ] && echo "manual pages: all there and clean"
[ $failures = 0 ]
