# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Helpers of the suites in tests/suites.d (sourced by run-tests; SRC, JOBS and SUMMARY_FILE
# are set there).

# Compiler cache of the test command's builds, outside every clone like the board's kernel:
# paths inside the source tree are hashed relative to it, so that every clone and every
# later run of the same sources compiles nothing again.
CCACHE_ROOT=${ORVO_CCACHE_DIR:-/var/cache/orvo-ccache}

# compiler_launcher SOURCE: the CMake options that put ccache before the compilers.
compiler_launcher() {
    if ! command -v ccache >/dev/null || ! mkdir -p "$CCACHE_ROOT" 2>/dev/null; then
        return 0
    fi
    local launcher="env;CCACHE_DIR=$CCACHE_ROOT;CCACHE_BASEDIR=$1;CCACHE_NOHASHDIR=1;CCACHE_MAXSIZE=4G;ccache"
    echo "-DCMAKE_C_COMPILER_LAUNCHER=$launcher"
    echo "-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher"
}

# configure_tree DIR [CMAKE OPTIONS...]: configures DIR, of the sources in SOURCE_DIR (default
# SRC), with warnings as errors and the compiler cache.
configure_tree() {
    local dir=$1 source=${SOURCE_DIR:-$SRC} out launcher=()
    shift
    echo "configure $dir"
    mapfile -t launcher < <(compiler_launcher "$source")
    out=$(cmake -S "$source" -B "$dir" -DORVO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "${launcher[@]}" "$@" 2>&1) || {
        echo "$out"
        return 1
    }
}

# make_tree DIR [TARGET...]: builds the targets (default: all) of the configured DIR, the
# build's output in DIR/build.log.
make_tree() {
    local dir=$1 targets=()
    shift
    [ $# = 0 ] || targets=(--target "$@")
    echo "build $dir ($([ $# = 0 ] && echo everything || echo "$# targets"))"
    if ! cmake --build "$dir" -j"$JOBS" "${targets[@]}" >"$dir/build.log" 2>&1; then
        grep -E 'error|warning' "$dir/build.log" | head -50
        echo "build of $dir failed"
        return 1
    fi
}

# build_tree DIR [CMAKE OPTIONS...]: configures and builds everything.
build_tree() {
    configure_tree "$@" && make_tree "$1"
}

# label_targets DIR LABEL: the targets that the tests labelled LABEL need: every target of
# the configured build DIR except the test programs of other tests.
label_targets() {
    local dir=$1 label=$2
    programs() {
        (cd "$dir" && ctest -N "$@" --show-only=json-v1) |
            jq -r --arg bin "$dir/bin/" '.tests[] | (.command // [])[] | select(startswith($bin)) | ltrimstr($bin)' |
            sort -u
    }
    local deliverables others
    deliverables=$(awk '$1 == "program" { n = split($7, p, "/"); print p[n] }' "$dir/deliverables.txt" | sort -u)
    # Test programs that no test of the label runs.
    others=$(comm -23 <(programs) <(programs -L "$label") | comm -23 - <(echo "$deliverables"))
    cmake --build "$dir" --target help | sed -n 's/^\.\.\. \([^ ]*\).*/\1/p' |
        grep -vxE 'all|clean|depend|edit_cache|install(/local|/strip)?|list_install_components|rebuild_cache|test' |
        grep -vxF -f <(echo "${others:-//none//}")
}

# ctest_tree DIR [CTEST OPTIONS...]: runs tests of DIR, two at a time per core (they mostly
# wait), after clearing the record of failed tests that passed_of reads.
ctest_tree() {
    local dir=$1
    shift
    rm -f "$dir/Testing/Temporary/LastTestsFailed.log"
    (cd "$dir" && ctest -j"$((JOBS * 2))" --output-on-failure --timeout 300 "$@")
}

# passed_of DIR [CTEST SELECTION...]: "P of T", the tests of DIR so chosen that passed in
# the last run.
passed_of() {
    local dir=$1 total failed
    shift
    total=$(cd "$dir" && ctest -N "$@" | awk '/Total Tests:/ {print $3}')
    failed=$(grep -cxF -f <(cd "$dir" && ctest -N "$@" | awk '/Test +#/ {print $3}') \
        <(cut -d: -f2 "$dir/Testing/Temporary/LastTestsFailed.log" 2>/dev/null))
    echo "$((total - failed)) of $total"
}

# test_tree NAME DIR [CTEST OPTIONS...]: the tests of DIR, then NAME's summary line: tests
# run and passed, and the fault-injection cases.
test_tree() {
    local name=$1 dir=$2 status
    shift 2
    ctest_tree "$dir" "$@"
    status=$?
    echo "$name: $(passed_of "$dir") tests passed; fault cases: $(passed_of "$dir" -L fault) passed" >>"$SUMMARY_FILE"
    return $status
}

# board_group GROUP LOG: one boot of the emulated board for a group of tests (sim/board test
# GROUP), its output also in LOG; the group's summary line goes to the summary. Returns the
# group's status.
board_group() {
    local group=$1 log=$2 status line
    mkdir -p "$(dirname "$log")"
    "$SRC/sim/board" test "$group" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    line=$(grep -E "^$group: [0-9]+ of [0-9]+ tests passed" "$log" | tail -1)
    [ -n "$line" ] || line="$group: 0 of 1 tests passed on the emulated board (it did not finish)"
    echo "$line" >>"$SUMMARY_FILE"
    return "$status"
}
