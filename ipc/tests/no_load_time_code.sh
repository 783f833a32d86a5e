#!/bin/sh
# SPDX-License-Identifier: MIT
# The library runs no code of its own at load or exit: no constructors, no static objects
# with initialisers or destructors (a detached receive thread may outlive them).
found=$(nm -C "$1" | grep -E '_GLOBAL__sub_I|__cxa_atexit|constructor' || true)
if [ -n "$found" ]; then
    echo "$(basename "$1") has load-time or exit-time code:"
    echo "$found"
    exit 1
fi
echo "$(basename "$1"): no load-time or exit-time code"
