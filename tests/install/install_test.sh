#!/bin/bash
# Stages installs of the host and the ARM build component by component, checks the
# layout, and builds applications against the staged trees alone: a fixture library
# installed with the project's helpers, and examples/wakelock-ipc once the libraries it
# uses are part of the build.
# Usage: install_test.sh SRC HOST_BUILD [ARM_BUILD]
set -uo pipefail
SRC=$1
HOST_BUILD=$2
ARM_BUILD=${3:-}
WORK=$SRC/build-install
ARM_ROOT=/usr/arm-linux-gnueabihf
TOOLCHAIN=$SRC/cmake/toolchain-armhf.cmake

LIBRARIES=(orvo-autosuspend orvo-kesl-autosuspend orvo-at-common qxipc orvo-kesl-sms)
PROGRAMS=(orvo-kesl-autosuspend-demo wlan_dual_demo wlan_rftest_demo orvo-default)
DAEMONS=(paramlinkd)
STANDINS=(orvo-log bsp qxtel orvo-led orvo-uci orvo-sms)

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

# check_library ROOT LIBDIR NAME VERSION: versioned file, soname link, plain link.
check_library() {
    local dir=$1$2 name=$3 version=$4
    local major=${version%%.*}
    local file=lib$name.so.$version
    [ -f "$dir/$file" ] && [ ! -L "$dir/$file" ] || { fail "$dir/$file missing"; return; }
    [ "$(readlink "$dir/lib$name.so.$major")" = "$file" ] || fail "lib$name.so.$major link"
    [ "$(readlink "$dir/lib$name.so")" = "lib$name.so.$major" ] || fail "lib$name.so link"
    [ "$(soname "$dir/$file")" = "lib$name.so.$major" ] ||
        fail "soname of $file is '$(soname "$dir/$file")'"
}

# check_dev ROOT LIBDIR NAME VERSION: pkg-config file and CMake package file.
check_dev() {
    local root=$1 libdir=$2 name=$3 version=$4
    local pcdir=$root$libdir/pkgconfig
    [ "$(PKG_CONFIG_LIBDIR=$pcdir pkg-config --modversion "lib$name")" = "$version" ] ||
        fail "pkg-config lib$name in $pcdir"
    local include
    include=$(PKG_CONFIG_LIBDIR=$pcdir pkg-config --cflags-only-I "lib$name" | sed 's/^-I//;s/ *$//')
    ls "$include"/*"$name".h >/dev/null 2>&1 || fail "no header named after lib$name in $include"
    [ -f "$root$libdir/cmake/orvo/lib$name-target.cmake" ] || fail "CMake package file for $name"
    [ -f "$root$libdir/cmake/orvo/orvoConfig.cmake" ] || fail "orvoConfig.cmake"
}

# check_project KIND BUILD: the module's layout from a build of the whole project.
check_project() {
    local kind=$1 build=$2
    local dir=$WORK/$kind prefix libdir version name file bindir sbindir
    prefix=$(cache_value "$build" CMAKE_INSTALL_PREFIX)
    libdir=$prefix/$(cache_value "$build" CMAKE_INSTALL_LIBDIR)
    version=$(cache_value "$build" CMAKE_PROJECT_VERSION)
    bindir=$prefix/$(cache_value "$build" CMAKE_INSTALL_BINDIR)
    sbindir=$prefix/$(cache_value "$build" CMAKE_INSTALL_SBINDIR)
    echo "--- $kind install of $build (prefix $prefix)"
    stage "$build" "$dir"

    local built=()
    for name in "${LIBRARIES[@]}"; do
        if [ -e "$build/lib/lib$name.so" ]; then
            built+=("$name")
            check_library "$dir/module" "$libdir" "$name" "$version"
            check_dev "$dir/dev" "$libdir" "$name" "$version"
            [ -z "$(ls "$dir/sim$libdir/lib$name".so* 2>/dev/null)" ] ||
                fail "lib$name in the sim component"
        else
            echo "skip: lib$name is not part of the build yet"
        fi
    done
    for name in "${PROGRAMS[@]}" "${DAEMONS[@]}"; do
        [ -e "$build/bin/$name" ] || { echo "skip: $name is not part of the build yet"; continue; }
        if [[ " ${DAEMONS[*]} " = *" $name "* ]]; then file=$sbindir/$name; else file=$bindir/$name; fi
        [ -x "$dir/module$file" ] || fail "$file missing from the module component"
    done
    # The platform's libraries are stand-ins here: unversioned, in the sim component only.
    for name in "${STANDINS[@]}"; do
        [ -e "$build/lib/lib$name.so" ] || continue
        [ -f "$dir/sim$libdir/lib$name.so" ] || fail "stand-in lib$name.so not in the sim component"
        [ "$(soname "$dir/sim$libdir/lib$name.so")" = "lib$name.so" ] || fail "lib$name.so soname"
    done
    for file in "$dir/module$libdir"/lib*.so*; do
        [ -e "$file" ] || continue
        name=${file##*/lib}
        name=${name%%.so*}
        [[ " ${LIBRARIES[*]} " = *" $name "* ]] || fail "lib$name in the module component"
    done
    [ -z "$(ls -A "$dir/module$prefix/include" 2>/dev/null)" ] || fail "headers in the module component"
    [ -x "$dir/sim$prefix/libexec/orvo-sim/orvo-sim-logger" ] || fail "sim tools not installed"

    if [[ " ${built[*]} " = *" orvo-kesl-autosuspend "* && " ${built[*]} " = *" qxipc "* ]]; then
        build_example "$kind" "$dir/all" "$libdir" "$prefix"
    else
        echo "skip: examples/wakelock-ipc needs liborvo-kesl-autosuspend and libqxipc in the build"
    fi
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
    # In a simulated module: the wake lock reaches the platform stand-in there.
    local run="env LD_LIBRARY_PATH=$root$libdir"
    [ "$kind" = arm ] && run="qemu-arm -L $ARM_ROOT -E LD_LIBRARY_PATH=$root$libdir:$ARM_ROOT/lib"
    local output
    output=$("$SRC/sim/module" --build "$HOST_BUILD" run bash -c \
        "$run $out/wakelock-ipc && $SRC/sim/module ctl calls" 2>&1)
    echo "$output" | sed 's/^/    /'
    grep -q '^answer from [0-9]*: pong$' <<<"$output" || fail "example ($kind): no IPC answer"
    grep -q 'qx_pm_wakelock_lock.*example_app' <<<"$output" || fail "example ($kind): no wake lock"
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
    check_library "$dir/module" "$libdir" orvo-fixture 2.3.4
    check_dev "$dir/dev" "$libdir" orvo-fixture 2.3.4
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

mkdir -p "$WORK"
check_fixture host
check_project host "$HOST_BUILD"
if [ -n "$ARM_BUILD" ] && [ -f "$ARM_BUILD/CMakeCache.txt" ]; then
    check_fixture arm
    check_project arm "$ARM_BUILD"
else
    echo "skip: no ARM build"
fi

if [ $failures != 0 ]; then
    echo "install checks: $failures failures"
    exit 1
fi
echo "install checks passed"
