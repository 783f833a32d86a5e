#!/bin/bash
# SPDX-License-Identifier: MIT
# Stages installs of the host and the ARM build component by component, checks the
# layout, and builds applications against the staged trees alone: a fixture library
# installed with the project's helpers, and examples/wakelock-ipc. The deliverables and
# their files come from each build's manifest (deliverables.txt). Then the product alone:
# built without tests or simulator against a sysroot that holds only the platform's
# libraries, installed into it, and the example built against the result; and the Debian
# packages, for the host and for armhf, the example built against the host's.
# Usage: install_test.sh SRC HOST_BUILD [ARM_BUILD]
set -uo pipefail
SRC=$1
HOST_BUILD=$2
ARM_BUILD=${3:-}
WORK=$SRC/build-install
ARM_ROOT=/usr/arm-linux-gnueabihf
TOOLCHAIN=$SRC/cmake/toolchain-armhf.cmake

# The platform's libraries, which the simulated module stands in for.
STANDINS=(orvo-log bsp qxtel orvo-led orvo-uci orvo-sms)

# shellcheck source=tests/suite-lib.sh
. "$SRC/tests/suite-lib.sh" # compiler_launcher

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

cache_value() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }

soname() { readelf -d "$1" 2>/dev/null | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p'; }

# stage BUILD DIR: DIR/<component> for module, dev and sim, DIR/all for everything.
stage() {
    local build=$1 dir=$2 component
    rm -rf "$dir"
    for component in module dev sim; do
        DESTDIR=$dir/$component cmake --install "$build" --component "$component" >/dev/null ||
            fail "install of component $component from $build"
    done
    DESTDIR=$dir/all cmake --install "$build" >/dev/null || fail "install from $build"
}

# manifest BUILD: the build's deliverables, one per line:
# kind name file soname version install-folder built-file
manifest() { grep -v '^#' "$1/deliverables.txt"; }

# check_library ROOT LIBDIR NAME FILE SONAME: versioned file and soname link (module).
check_library() {
    local dir=$1$2 name=$3 file=$4 soname=$5
    [ -f "$dir/$file" ] && [ ! -L "$dir/$file" ] || { fail "$dir/$file missing"; return; }
    [ "$(readlink "$dir/$soname")" = "$file" ] || fail "$soname link"
    [ "$(soname "$dir/$file")" = "$soname" ] || fail "soname of $file is '$(soname "$dir/$file")'"
}

# check_plain_link STAGE LIBDIR NAME SONAME PLUGIN: the plain link, which only linking needs,
# is in dev; a plug-in's is in module, for its host loads it by that name.
check_plain_link() {
    local dir=$1 libdir=$2 name=$3 soname=$4 there=dev elsewhere=module
    [ "$5" = plugin ] && there=module elsewhere=dev
    [ "$(readlink "$dir/$there$libdir/$name.so")" = "$soname" ] || fail "$name.so link in $there"
    [ ! -e "$dir/$elsewhere$libdir/$name.so" ] || fail "$name.so in the $elsewhere component"
}

# check_dev ROOT LIBDIR NAME VERSION: pkg-config file and CMake package file.
check_dev() {
    local root=$1 libdir=$2 name=$3 version=$4
    local pcdir=$root$libdir/pkgconfig
    [ "$(PKG_CONFIG_LIBDIR=$pcdir pkg-config --modversion "$name")" = "$version" ] ||
        fail "pkg-config $name in $pcdir"
    local include
    include=$(PKG_CONFIG_LIBDIR=$pcdir pkg-config --cflags-only-I "$name" | sed 's/^-I//;s/ *$//')
    ls "$include"/*"${name#lib}".h >/dev/null 2>&1 || fail "no header named after $name in $include"
    [ -f "$root$libdir/cmake/orvo/$name-target.cmake" ] || fail "CMake package file for $name"
    [ -f "$root$libdir/cmake/orvo/orvoConfig.cmake" ] || fail "orvoConfig.cmake"
}

# check_deliverables BUILD DIR PREFIX: every deliverable of the manifest where its kind puts
# it; returns the names of the libraries in LIBRARIES.
check_deliverables() {
    local build=$1 dir=$2 prefix=$3 kind name file soname version folder built plugin
    LIBRARIES=()
    [ -f "$build/deliverables.txt" ] || { fail "no manifest in $build"; return; }
    while read -r kind name file soname version folder built plugin; do
        [ -e "$built" ] || fail "$name is declared but not built ($built)"
        case $kind in
        library)
            LIBRARIES+=("$name")
            check_library "$dir/module" "$prefix/$folder" "$name" "$file" "$soname"
            check_plain_link "$dir" "$prefix/$folder" "$name" "$soname" "$plugin"
            check_dev "$dir/dev" "$prefix/$folder" "$name" "$version"
            [ -z "$(ls "$dir/sim$prefix/$folder/$name".so* 2>/dev/null)" ] ||
                fail "$name in the sim component"
            ;;
        program | daemon)
            [ -x "$dir/module$prefix/$folder/$file" ] ||
                fail "$prefix/$folder/$file missing from the module component"
            # The module's programs each have a manual page (the fixture's have none).
            [[ $build == "$WORK"/fixture-* ]] ||
                ls "$dir/all$prefix/share/man/man"[18]/"$name".[18] >/dev/null 2>&1 ||
                fail "no manual page of $name installed"
            ;;
        *) fail "manifest of $build: unknown kind '$kind' of $name" ;;
        esac
    done < <(manifest "$build")
}

# check_project KIND BUILD: the module's layout from a build of the whole project.
check_project() {
    local kind=$1 build=$2
    local dir=$WORK/$kind prefix libdir name file
    prefix=$(cache_value "$build" CMAKE_INSTALL_PREFIX)
    libdir=$prefix/$(cache_value "$build" CMAKE_INSTALL_LIBDIR)
    echo "--- $kind install of $build (prefix $prefix)"
    stage "$build" "$dir"
    check_deliverables "$build" "$dir" "$prefix"
    manifest "$build" | grep -q '^library liborvo-at-common .* plugin$' ||
        fail "liborvo-at-common not marked as a plug-in"
    # The platform's libraries are stand-ins here: unversioned, in the sim component only.
    for name in "${STANDINS[@]}"; do
        [ -e "$build/lib/lib$name.so" ] || continue
        [ -f "$dir/sim$libdir/lib$name.so" ] || fail "stand-in lib$name.so not in the sim component"
        [ "$(soname "$dir/sim$libdir/lib$name.so")" = "lib$name.so" ] || fail "lib$name.so soname"
    done
    for file in "$dir/module$libdir"/lib*.so*; do
        [ -e "$file" ] || continue
        name=${file##*/}
        name=${name%%.so*}
        [[ " ${LIBRARIES[*]} " = *" $name "* ]] || fail "$name in the module component"
    done
    [ -z "$(ls -A "$dir/module$prefix/include" 2>/dev/null)" ] || fail "headers in the module component"
    [ -x "$dir/sim$prefix/libexec/orvo-sim/orvo-sim-logger" ] || fail "sim tools not installed"

    build_example "$kind" "$dir/all" "$libdir" "$prefix"
}

# compiler_for KIND
compiler_for() { if [ "$1" = arm ]; then echo arm-linux-gnueabihf-gcc; else echo cc; fi; }

# cmake_for KIND ROOT: options for a CMake project built against the staged ROOT.
cmake_for() {
    if [ "$1" = arm ]; then
        echo "-DCMAKE_TOOLCHAIN_FILE=$TOOLCHAIN -DCMAKE_FIND_ROOT_PATH=$2 -DCMAKE_PREFIX_PATH=$3"
    else
        echo "-DCMAKE_PREFIX_PATH=$2$3"
    fi
}

# run_for KIND LIBDIR PROGRAM...: runs a built program with the staged libraries.
run_for() {
    local kind=$1 libdir=$2
    shift 2
    if [ "$kind" = arm ]; then
        qemu-arm -L "$ARM_ROOT" -E LD_LIBRARY_PATH="$libdir:$ARM_ROOT/lib" "$@"
    else
        LD_LIBRARY_PATH=$libdir "$@"
    fi
}

build_example() {
    local kind=$1 root=$2 libdir=$3 prefix=$4
    local out=$WORK/example-$kind
    rm -rf "$out"
    mkdir -p "$out"
    cp "$SRC"/examples/wakelock-ipc/* "$out/"
    echo "--- examples/wakelock-ipc for $kind, with pkg-config and with find_package"
    PKG_CONFIG_LIBDIR="$root$libdir/pkgconfig" make -s -C "$out" CC="$(compiler_for "$kind")" \
        CFLAGS="-O2 -Werror" || fail "example ($kind, pkg-config)"
    # shellcheck disable=SC2046
    { cmake -S "$out" -B "$out/build" $(cmake_for "$kind" "$root" "$prefix") \
        -DCMAKE_C_FLAGS=-Werror >/dev/null && cmake --build "$out/build" >/dev/null; } ||
        fail "example ($kind, find_package)"
    # In a simulated module: the wake lock reaches the platform stand-in there, the
    # autosuspend service cycles, and once the example waits for a message one is delivered
    # until it ends (not before: an unread message holds the wake lock "sms_read", and the
    # service would not sleep for the example's wake-up).
    local run="env LD_LIBRARY_PATH=$root$libdir"
    [ "$kind" = arm ] && run="qemu-arm -L $ARM_ROOT -E LD_LIBRARY_PATH=$root$libdir:$ARM_ROOT/lib"
    local output
    output=$("$SRC/sim/module" --build "$HOST_BUILD" run bash -c "
        $run $out/wakelock-ipc >/tmp/example.out 2>&1 & app=\$!
        while kill -0 \$app 2>/dev/null; do
            sleep 0.5
            grep -q '^waiting for a message' /tmp/example.out &&
                $SRC/sim/module ctl sms deliver +4912345 hello >/dev/null 2>&1
        done
        cat /tmp/example.out
        wait \$app && $SRC/sim/module ctl calls" 2>&1)
    echo "$output" | sed 's/^/    /'
    grep -q '^answer from [0-9]*: pong$' <<<"$output" || fail "example ($kind): no IPC answer"
    grep -q 'qx_pm_wakelock_lock.*example_app' <<<"$output" || fail "example ($kind): no wake lock"
    grep -q '^woke after [0-9]* ms asleep$' <<<"$output" || fail "example ($kind): no wake-up"
    grep -q '^message from +4912345: hello$' <<<"$output" || fail "example ($kind): no message"
}

# The fixture: a library, a program and a daemon, and a consumer of the library.
check_fixture() {
    local kind=$1
    local build=$WORK/fixture-$kind options=()
    [ "$kind" = arm ] && options=(-DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN")
    echo "--- $kind install of the fixture"
    rm -rf "$build"
    { cmake -S "$SRC/tests/install/fixture" -B "$build" "${options[@]}" >/dev/null &&
        cmake --build "$build" >/dev/null; } || { fail "fixture build ($kind)"; return; }
    local dir=$WORK/fixture-$kind-stage prefix libdir
    stage "$build" "$dir"
    prefix=$(cache_value "$build" CMAKE_INSTALL_PREFIX)
    libdir=$prefix/$(cache_value "$build" CMAKE_INSTALL_LIBDIR)
    [ "$(manifest "$build" | cut -d' ' -f1-6)" = "library liborvo-fixture liborvo-fixture.so.2.3.4 liborvo-fixture.so.2 2.3.4 ${libdir#$prefix/}
program fixture-tool fixture-tool - - bin
daemon fixtured fixtured - - sbin" ] || fail "fixture manifest: $(manifest "$build")"
    check_deliverables "$build" "$dir" "$prefix"
    [ -x "$dir/module$prefix/bin/fixture-tool" ] || fail "fixture program not in bin"
    [ -x "$dir/module$prefix/sbin/fixtured" ] || fail "fixture daemon not in sbin"

    local root=$dir/all out=$WORK/consumer-$kind
    rm -rf "$out"
    mkdir -p "$out"
    # shellcheck disable=SC2046
    "$(compiler_for "$kind")" -Wall -Werror -o "$out/by-pkg-config" "$SRC/tests/install/consumer/main.c" \
        $(PKG_CONFIG_LIBDIR=$root$libdir/pkgconfig pkg-config --cflags --libs liborvo-fixture) ||
        fail "consumer ($kind, pkg-config)"
    # shellcheck disable=SC2046
    { cmake -S "$SRC/tests/install/consumer" -B "$out/build" $(cmake_for "$kind" "$root" "$prefix") \
        >/dev/null && cmake --build "$out/build" >/dev/null; } || fail "consumer ($kind, find_package)"
    for program in "$out/by-pkg-config" "$out/build/consumer"; do
        [ "$(run_for "$kind" "$root$libdir" "$program")" = "answer 42" ] || fail "$program ($kind)"
    done
    [ "$(run_for "$kind" "$root$libdir" "$root$prefix/sbin/fixtured")" = 42 ] ||
        fail "installed fixture daemon ($kind)"
}

# platform_sysroot KIND DIR: the platform's libraries (the stand-ins, staged by
# check_project) as a vendor ships them, in DIR/usr/lib; for ARM its headers too.
platform_sysroot() {
    local kind=$1 root=$2 build=$HOST_BUILD libdir name
    [ "$kind" = arm ] && build=$ARM_BUILD
    libdir=$(cache_value "$build" CMAKE_INSTALL_PREFIX)/$(cache_value "$build" CMAKE_INSTALL_LIBDIR)
    rm -rf "$root"
    mkdir -p "$root/usr/lib"
    for name in "${STANDINS[@]}"; do
        cp "$WORK/$kind/sim$libdir/lib$name.so" "$root/usr/lib/" ||
            fail "stand-in lib$name.so for the $kind sysroot"
    done
    if [ "$kind" = arm ]; then
        mkdir -p "$root/usr/include"
        cp "$SRC"/platform/*.h "$root/usr/include/"
    fi
}

# check_product_alone KIND: the ten deliverables built with nothing but a compiler, CMake and
# the platform's libraries (GoogleTest and FUSE out of reach), installed into the sysroot,
# and the example application built against it. The host build holds the product inside
# another project, as an image's build tree may.
check_product_alone() {
    local kind=$1 root=$WORK/sysroot-$1 build=$WORK/alone-$1 options=() launcher=()
    local source=$SRC product=$WORK/alone-$1
    echo "--- the product alone for $kind, against a sysroot of the platform's libraries"
    platform_sysroot "$kind" "$root"
    if [ "$kind" = arm ]; then
        options=(-DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_FIND_ROOT_PATH="$root"
            -DORVO_PLATFORM_PREFIX=/usr)
    else
        source=$SRC/tests/install/superproject product=$build/orvo
        options=(-DORVO_SOURCE="$SRC" -DORVO_PLATFORM_PREFIX="$root/usr"
            -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_LIBDIR=lib)
    fi
    mapfile -t launcher < <(compiler_launcher "$SRC")
    rm -rf "$build"
    local log=$WORK/alone-$kind.log
    { cmake -S "$source" -B "$build" -DBUILD_TESTING=OFF -DORVO_SIMULATOR=OFF -DORVO_WERROR=ON \
        -DORVO_GTEST_SOURCE=/nonexistent -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON "${launcher[@]}" "${options[@]}" &&
        cmake --build "$build" -j"$(nproc)"; } >"$log" 2>&1 ||
        { sed 's/^/    /' "$log" | tail -30; fail "product alone ($kind)"; return; }
    ! grep -q '^\(BUILD_GMOCK\|GTest_DIR\|FUSE3_\|PKG_CONFIG_EXECUTABLE\)' "$build/CMakeCache.txt" ||
        fail "GoogleTest or FUSE looked for ($kind)"
    [ "$(manifest "$product" | wc -l)" = 10 ] ||
        fail "product alone ($kind): $(manifest "$product" | wc -l) deliverables"
    [ -z "$(ls "$product/lib"/lib{orvo-log,bsp,qxtel,orvo-uci,orvo-led,orvo-sms}.so 2>/dev/null)" ] ||
        fail "product alone ($kind) built stand-ins"
    local dir=$WORK/alone-$kind-stage
    stage "$build" "$dir"
    check_deliverables "$product" "$dir" /usr
    DESTDIR=$root cmake --install "$build" >/dev/null || fail "install into the $kind sysroot"
    build_example "$kind" "$root" /usr/lib /usr
}

# build_packages KIND: the Debian packages of debian/ built with dpkg-buildpackage (cross
# for armhf) from a copy of the tree, against the platform sysroot, through the compiler
# cache, then checked by lintian; their folder in PACKAGES.
build_packages() {
    local kind=$1 out=$WORK/deb-$1 platform=$WORK/platform-$1 options=(-b -uc -us -d)
    PACKAGES=$out
    echo "--- Debian packages for $kind"
    rm -rf "$out" "$platform"
    mkdir -p "$out/orvo"
    platform_sysroot "$kind" "$platform"
    (cd "$SRC" && { git ls-files -co --exclude-standard 2>/dev/null || find . -path ./.git -prune -o -type f -print; } |
        grep -v '^\(\./\)\?build' | tar -cf - -T -) | tar -C "$out/orvo" -xf - ||
        { fail "copy of the tree for the $kind packages"; return 1; }
    [ "$kind" = arm ] && options+=(-aarmhf -Pcross,nocheck)
    (cd "$out/orvo" && env CCACHE_DIR="$CCACHE_ROOT" CCACHE_BASEDIR="$out/orvo" CCACHE_NOHASHDIR=1 \
        DEB_BUILD_OPTIONS=nocheck ORVO_PLATFORM_PREFIX="$platform/usr" \
        ORVO_CMAKE_OPTIONS="$(command -v ccache >/dev/null &&
            echo -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)" \
        dpkg-buildpackage "${options[@]}") >"$out/build.log" 2>&1 ||
        { grep -i 'error' "$out/build.log" | tail -20; fail "dpkg-buildpackage ($kind)"; return 1; }
    lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$out"/*.changes ||
        fail "lintian ($kind)"
    # Each library in a package named for its soname, holding it.
    local kind_ name file soname version folder built plugin package
    while read -r kind_ name file soname version folder built plugin; do
        [ "$kind_" = library ] || continue
        package=${soname%.so.*}${soname##*.so.}
        # (grep -q would end the listing early, and pipefail take that as a failure)
        dpkg-deb -c "$out/${package}"_*.deb 2>/dev/null | grep -c "/$soname -> $file\$" >/dev/null ||
            fail "package $package ($kind) does not hold $soname"
    done < <(manifest "$HOST_BUILD")
    dpkg-deb -c "$out"/orvo-tools_*.deb | grep -c '/paramlinkd.service$' >/dev/null ||
        fail "orvo-tools ($kind) without paramlinkd's unit"
}

# check_packages: the host packages unpacked into a scratch root beside the platform's
# libraries, and the example application built against that root alone.
check_packages() {
    build_packages host || return
    local root=$WORK/deb-root deb libdir
    rm -rf "$root"
    for deb in "$PACKAGES"/*.deb; do
        [[ $deb = *-dbgsym_* ]] || dpkg-deb -x "$deb" "$root"
    done
    libdir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
    cp "$WORK"/platform-host/usr/lib/*.so "$root$libdir/"
    build_example host "$root" "$libdir" /usr
}

mkdir -p "$WORK"
check_fixture host
check_project host "$HOST_BUILD"
check_product_alone host
check_packages
if [ -n "$ARM_BUILD" ] && [ -f "$ARM_BUILD/CMakeCache.txt" ]; then
    check_fixture arm
    check_project arm "$ARM_BUILD"
    check_product_alone arm
    build_packages arm
else
    echo "skip: no ARM build"
fi

if [ $failures != 0 ]; then
    echo "install checks: $failures failures"
    exit 1
fi
echo "install checks passed"
