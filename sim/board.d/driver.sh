#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the board's driver (driver/, a loadable module) against the board's kernel build
# (kernel.sh), cached beside it keyed by the kernel and the driver's sources. Prints the
# module's path.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
CACHE=${ORVO_BOARD_CACHE:-/var/cache/orvo-board}
CROSS=arm-linux-gnueabihf-

die() {
    echo "sim/board: $*" >&2
    exit 1
}

zimage=$("$HERE/kernel.sh")
kernel_key=$(basename "$(dirname "$zimage")")
kernel_key=${kernel_key#kernel-}
obj=$CACHE/build-$kernel_key
key=$( (
    echo "$kernel_key"
    cd "$HERE/driver" && for file in Kbuild *.[ch]; do
        echo "$file"
        cat "$file"
    done
) | sha256sum | cut -c1-16)
out=$CACHE/driver-$key
if [ -f "$out/orvo_board.ko" ]; then
    echo "$out/orvo_board.ko"
    exit 0
fi

exec 9>"$CACHE/lock"
flock 9
# The kernel's own style, as the kernel checks it.
version=$(dpkg-query -W -f='${Version}' linux-source-6.1)
"$CACHE/linux-source-$version/scripts/checkpatch.pl" --no-tree --strict --quiet -f \
    "$HERE"/driver/*.[ch] >&2 || die "the board's driver does not keep the kernel's style"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$HERE"/driver/Kbuild "$HERE"/driver/*.[ch] "$work/"
make -s -C "$obj" ARCH=arm CROSS_COMPILE="$CROSS" M="$work" modules >"$work/build.log" 2>&1 || {
    cat "$work/build.log" >&2
    die "the board's driver did not build"
}
# Warnings fail the build, as everywhere else.
if grep -q "warning:" "$work/build.log"; then
    cat "$work/build.log" >&2
    die "the board's driver built with warnings"
fi
rm -rf "$CACHE"/driver-*
mkdir -p "$out.tmp"
cp "$work/orvo_board.ko" "$out.tmp/"
mv "$out.tmp" "$out"
echo "$out/orvo_board.ko"
