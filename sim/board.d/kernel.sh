#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the board's kernel from Debian's linux-source-6.1 with the armhf cross compiler:
# tinyconfig, then kernel.config on top. The zImage is cached outside the clone, keyed by
# the fragment, the source package and the compiler, so later runs reuse it; its build
# folder stays beside it for the board's driver (driver.sh). Prints the zImage's path.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
CACHE=${ORVO_BOARD_CACHE:-/var/cache/orvo-board}
TARBALL=/usr/src/linux-source-6.1.tar.xz
CROSS=arm-linux-gnueabihf-
FRAGMENT=$HERE/kernel.config

die() {
    echo "sim/board: $*" >&2
    exit 1
}

[ -f "$TARBALL" ] || die "no $TARBALL: run ./setup/packages"
version=$(dpkg-query -W -f='${Version}' linux-source-6.1)
key=$( (
    echo "tinyconfig $version"
    "${CROSS}gcc" --version | head -1
    cat "$FRAGMENT"
) | sha256sum | cut -c1-16)
out=$CACHE/kernel-$key
obj=$CACHE/build-$key
ready() { [ -f "$out/zImage" ] && [ -f "$obj/Module.symvers" ]; }
if ready; then
    echo "$out/zImage"
    exit 0
fi

mkdir -p "$CACHE"
exec 9>"$CACHE/lock"
flock 9
ready && {
    echo "$out/zImage"
    exit 0
}

src=$CACHE/linux-source-$version
if [ ! -f "$src/.unpacked" ]; then
    echo "sim/board: unpacking $TARBALL" >&2
    rm -rf "$src" "$CACHE"/linux-source-*
    mkdir -p "$src"
    tar -xJf "$TARBALL" -C "$src" --strip-components=1
    touch "$src/.unpacked"
fi

rm -rf "$CACHE"/build-* "$out"
mkdir -p "$obj"
kmake() { make -s -C "$src" O="$obj" ARCH=arm CROSS_COMPILE="$CROSS" "$@"; }

echo "sim/board: building the board's kernel (a few minutes, once)" >&2
kmake tinyconfig >/dev/null
config() { "$src/scripts/config" --file "$obj/.config" -k "$@"; }
while read -r line; do
    case $line in
    "# CONFIG_"*" is not set")
        name=${line#\# CONFIG_}
        config --disable "${name%% *}"
        ;;
    CONFIG_*=y) config --enable "${line%%=*}" ;;
    CONFIG_*=*) config --set-val "${line%%=*}" "${line#*=}" ;;
    esac
done <"$FRAGMENT"
# Some options appear only once others are on.
kmake olddefconfig >/dev/null
kmake olddefconfig >/dev/null

# Every option of the fragment must have survived the dependency checks.
missing=0
while read -r line; do
    case $line in
    "# CONFIG_"*" is not set")
        name=${line#\# }
        name=${name%% *}
        if grep -q "^$name=" "$obj/.config"; then
            echo "sim/board: $name is set in the kernel configuration" >&2
            missing=1
        fi
        ;;
    CONFIG_*=*)
        grep -qxF "$line" "$obj/.config" || {
            echo "sim/board: $line did not take" >&2
            missing=1
        }
        ;;
    esac
done <"$FRAGMENT"
[ $missing = 0 ] || die "the kernel configuration is incomplete ($obj/.config)"

kmake -j"${JOBS:-$(nproc)}" zImage modules >"$obj/build.log" 2>&1 || {
    tail -20 "$obj/build.log" >&2
    die "the kernel build failed ($obj/build.log)"
}
mkdir -p "$out.tmp"
cp "$obj/arch/arm/boot/zImage" "$obj/.config" "$out.tmp/"
rm -rf "$out"
mv "$out.tmp" "$out"
echo "$out/zImage"
