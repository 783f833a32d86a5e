#!/bin/bash
# SPDX-License-Identifier: MIT
# Fails when a library exports a name that its list does not hold, or lacks a listed one.
# Usage: check_exports.sh LIBRARY LIST   (LIST: one symbol per line, '#' comments)
set -euo pipefail
library=$1
list=$2

# Names that the toolchain and sanitizers add on their own.
toolchain='^(_init|_fini|_edata|_end|__bss_start|__odr_asan_gen_.*|__asan_.*|__ubsan_.*|__tsan_.*)$'

actual=$(nm -D --defined-only "$library" | awk '{print $NF}' | grep -Ev "$toolchain" | sort -u)
expected=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$list" | grep -v '^$' | sort -u)

extra=$(comm -23 <(echo "$actual") <(echo "$expected"))
lacking=$(comm -13 <(echo "$actual") <(echo "$expected"))
status=0
if [ -n "$extra" ]; then
    echo "$(basename "$library") exports names it should not:"
    echo "$extra" | sed 's/^/  /'
    status=1
fi
if [ -n "$lacking" ]; then
    echo "$(basename "$library") lacks exported names:"
    echo "$lacking" | sed 's/^/  /'
    status=1
fi
[ $status = 0 ] && echo "$(basename "$library"): exports as listed ($(echo "$actual" | wc -l) names)"
exit $status
