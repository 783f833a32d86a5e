#!/bin/bash
# SPDX-License-Identifier: MIT
# Packs the board's initramfs: busybox init and the board's boot scripts, the ARM build's
# module (with its init scripts) and sim install components under
# /usr, busybox, bash and a few util-linux tools from Debian's armhf packages, the cross
# toolchain's libraries and libfuse3 from the ARM build's armhf sysroot, and the source
# tree with the ARM build's programs at their own paths (the simulated module and the
# system tests run from there).
# usage: image.sh ARM_BUILD DRIVER OUTPUT  (DRIVER: the board's driver module, driver.sh)
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SRC=$(cd "$HERE/../.." && pwd)
ARM=$(cd "$1" && pwd)
DRIVER=$2
OUT=$3
CACHE=${ORVO_BOARD_CACHE:-/var/cache/orvo-board}
SYSROOT=/usr/arm-linux-gnueabihf
STRIP=arm-linux-gnueabihf-strip

die() {
    echo "sim/board: $*" >&2
    exit 1
}

# The simulated kernel and the armhf sysroot whose libfuse3 it was linked against.
debroot=$(sed -n 's/^ORVO_ARM_DEB_ROOT:PATH=//p' "$ARM/CMakeCache.txt")
if [ ! -x "$ARM/bin/orvo-sim-kernel" ] || [ -z "$debroot" ]; then
    die "the ARM build has no simulated kernel: run ./setup/packages (it unpacks libfuse3 for" \
        "armhf), then configure and build $ARM again"
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/usr/{bin,sbin,lib} "$root"/{proc,sys,dev,tmp,run,root,etc,board}
ln -s usr/bin "$root/bin"
ln -s usr/sbin "$root/sbin"
ln -s usr/lib "$root/lib"

# Debian's packages, downloaded once into the cache.
# shellcheck source=setup/armhf-debs.sh
. "$SRC/setup/armhf-debs.sh"
list=$(sed 's/#.*//; /^ *$/d' "$HERE/image.list")
# shellcheck disable=SC2046 # a package name is one word
found=$(armhf_debs $(awk '{ print $1 }' <<<"$list")) || die "the image's armhf packages are missing"
declare -A debs
while read -r package deb; do
    debs[$package]=$deb
done <<<"$found"
unpack=$root/.unpack
while read -r package files; do
    deb=${debs[$package]}
    rm -rf "$unpack"
    dpkg-deb -x "$deb" "$unpack"
    for file in $files; do
        case $file in
        *.so.*) cp -a "$unpack/$file" "$root/usr/lib/" ;;
        *) cp -a "$unpack/$file" "$root/usr/${file#usr/}" ;;
        esac
    done
done <<<"$list"
rm -rf "$unpack"

# busybox for every command that no package above gives.
qemu-arm "$root/usr/bin/busybox" --list-full | while read -r applet; do
    dir=$root/usr/$(dirname "${applet#usr/}")
    [ "$dir" = "$root/usr/." ] && dir=$root/usr/bin
    name=$(basename "$applet")
    [ -e "$root/usr/bin/$name" ] || [ -e "$root/usr/sbin/$name" ] || ln -s /usr/bin/busybox "$dir/$name"
done

# The C and C++ runtime of the cross toolchain, and libfuse3 for the simulated kernel.
cp -a "$SYSROOT"/lib/*.so* "$root/usr/lib/"
cp -a "$debroot"/lib/arm-linux-gnueabihf/libfuse3.so.3* "$root/usr/lib/"

# The module image and the simulators, as installed.
DESTDIR=$root cmake --install "$ARM" --component module >/dev/null
DESTDIR=$root cmake --install "$ARM" --component sim >/dev/null

# The source tree (scripts, configs, test scripts) and the ARM build's programs and
# libraries at their own paths, stripped.
mkdir -p "$root$SRC" "$root$ARM"
tar -C "$SRC" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$root$SRC" -xf -
for dir in bin lib simbin bench-probes; do
    [ -d "$ARM/$dir" ] && cp -a "$ARM/$dir" "$root$ARM/"
done
find "$root/usr" "$root$ARM" -type f | while read -r file; do
    head -c4 "$file" | grep -q $'\x7fELF' && "$STRIP" --strip-debug "$file" 2>/dev/null || true
done

# The board's own files: busybox init with the board's boot, whose scripts start the
# platform's services and then the module's (installed with the module component).
ln -s usr/bin/busybox "$root/init"
mkdir -p "$root/etc/init.d" "$root/etc/default" "$root/var"
ln -s ../run "$root/var/run"
cp "$HERE/inittab" "$root/etc/inittab"
cp "$HERE/rcS" "$root/etc/init.d/rcS"
# The console's login shell starts in the clone, with sim/module on the ARM build.
printf 'export ORVO_BUILD=%q\ncd %q\n' "$ARM" "$SRC" >"$root/etc/profile"
mkdir -p "$root/usr/lib/modules"
cp "$DRIVER" "$root/usr/lib/modules/orvo_board.ko"
cp "$HERE/board-run" "$root/usr/sbin/orvo-board-run"
cp "$HERE/platform.init" "$root/etc/init.d/S10orvo-board-platform"
[ -x "$root/etc/init.d/S50paramlinkd" ] && [ -x "$root/etc/init.d/S20orvo-default" ] ||
    die "the ARM build installs no busybox init scripts (ORVO_INIT_SYSTEM must hold sysvinit)"
mkdir -p "$root/etc/config"
cp "$SRC"/sim/config/* "$root/etc/config/"
echo 'root:x:0:0:root:/root:/bin/bash' >"$root/etc/passwd"
echo 'root:x:0:' >"$root/etc/group"
echo orvo-board >"$root/etc/hostname"
: >"$root/etc/fstab"

# Every program finds its libraries.
missing=$(find "$root" -type f -perm -u+x | while read -r file; do
    { arm-linux-gnueabihf-readelf -d "$file" 2>/dev/null || true; } | sed -n 's/.*NEEDED.*\[\(.*\)\]/\1/p' |
        while read -r lib; do
            [ -e "$root/usr/lib/$lib" ] || [ -n "$(find "$root$ARM/lib" -name "$lib" 2>/dev/null)" ] ||
                echo "$file: $lib"
        done
done)
[ -z "$missing" ] || die "libraries missing from the image: $missing"

(cd "$root" && find . | cpio -o -H newc --quiet) | gzip -1 >"$OUT.tmp"
mv "$OUT.tmp" "$OUT"
