#!/bin/bash
# SPDX-License-Identifier: MIT
# Footprint of the deliverables: the stripped size of each in the ARM build, and the
# resident memory at rest of each program and of a small process that has started each
# library's threads (bench/probe.c), from the host build inside the simulated module, and
# the same from the ARM build on the emulated board (sim/board: 32-bit ARM processes on
# the ARM kernel). Goals: every library under 64 KiB stripped, every process under 4 MiB
# resident at rest on the host and under 2 MiB on the board. The deliverables come from
# the builds' manifests (deliverables.txt); one that a build lacks is shown as not built.
# Usage: bench/footprint.sh [ARM_BUILD [HOST_BUILD]]   (root, for the simulated module)
# ORVO_FOOTPRINT_BOARD=0 leaves the board column out (it boots the board once).
set -uo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

ONE_SHOT=orvo-default
LIBRARY_GOAL_KIB=64
RESIDENT_GOAL_KIB=4096
BOARD_GOAL_KIB=2048

# Inside the simulated module: "NAME KIB" per process, or "NAME -REASON".
if [ "${1:-}" = --resident ]; then
    probes=$2
    read -ra PROGRAMS <<<"$3"
    # rest NAME CMD...: resident memory of CMD once it has settled, stdin kept open.
    rest() {
        local name=$1
        shift
        "$@" < <(sleep 600) >"/tmp/$name.out" 2>&1 &
        local pid=$!
        sleep 1
        local kib
        kib=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
        if [ -n "$kib" ] && kill -0 "$pid" 2>/dev/null; then
            echo "$name $kib"
            kill "$pid"
        elif grep -q "not started" "/tmp/$name.out"; then
            echo "$name -not-started"
        else
            echo "$name -ended"
        fi
    }
    for program in "${PROGRAMS[@]}"; do
        command -v "$program" >/dev/null || continue
        if [ "$program" = "$ONE_SHOT" ] && [ -x /usr/bin/time ]; then
            # Runs once and exits: its peak instead.
            echo "$program $(/usr/bin/time -f %M "$program" 2>&1 >/dev/null | tail -1)"
        else
            rest "$program" "$program"
        fi
    done
    for probe in "$probes"/probe-*; do
        [ -x "$probe" ] || continue
        rest "${probe##*/probe-}" "$probe"
    done
    exit 0
fi

ARM_BUILD=${1:-$SRC/build-arm}
HOST_BUILD=${2:-$SRC/build}

# manifest BUILD: "kind name built-file" per deliverable of the build.
manifest() {
    [ -f "$1/deliverables.txt" ] || return 0
    awk '!/^#/ {print $1, $2, $7}' "$1/deliverables.txt"
}
# The rows: every deliverable of either build, libraries first, in declaration order.
LIBRARIES=()
PROGRAMS=()
declare -A arm_file host_file
while read -r kind name built; do
    arm_file[$name]=$built
done < <(manifest "$ARM_BUILD")
while read -r kind name built; do
    host_file[$name]=$built
done < <(manifest "$HOST_BUILD")
while read -r kind name built; do
    if [ "$kind" = library ]; then
        [[ " ${LIBRARIES[*]} " = *" $name "* ]] || LIBRARIES+=("$name")
    else
        [[ " ${PROGRAMS[*]} " = *" $name "* ]] || PROGRAMS+=("$name")
    fi
done < <(manifest "$ARM_BUILD"; manifest "$HOST_BUILD")
# Not under /tmp: the simulated module has a /tmp of its own.
work=$(mktemp -d "$HOST_BUILD/footprint.XXXXXX")
trap 'rm -rf "$work"' EXIT

kib() { awk -v b="$1" 'BEGIN {printf "%.1f", b / 1024}'; }

# Stripped sizes (ARM).
declare -A stripped
for name in "${LIBRARIES[@]}" "${PROGRAMS[@]}"; do
    file=${arm_file[$name]:-}
    [ -n "$file" ] && [ -e "$file" ] || continue
    arm-linux-gnueabihf-strip -o "$work/s" "$file" && stripped[$name]=$(stat -c %s "$work/s")
done

# build_probes COMPILER DIR FILES: in DIR a baseline probe and one per library whose built
# file the associative array FILES names. probe.c's PROBE_<NAME> for lib<name> is the
# name without "orvo-", in capitals ("liborvo-kesl-sms": PROBE_KESL_SMS).
build_probes() {
    local compiler=$1 dir=$2 name file probe
    local -n files=$3
    mkdir -p "$dir"
    "$compiler" -O2 -o "$dir/probe-baseline" "$SRC/bench/probe.c"
    for name in "${LIBRARIES[@]}"; do
        file=${files[$name]:-}
        [ -n "$file" ] && [ -e "$file" ] || continue
        probe=${name#lib}
        probe=${probe#orvo-}
        probe=${probe//-/_}
        "$compiler" -O2 -DPROBE_"${probe^^}" -I"$SRC/include" -o "$dir/probe-$name" \
            "$SRC/bench/probe.c" -L"$(dirname "$file")" -Wl,-rpath,"$(dirname "$file")" \
            -l"${name#lib}" 2>"$work/err" ||
            echo "$compiler: probe for $name does not build: $(head -3 "$work/err")" >&2
    done
}

build_probes cc "$work/probes" host_file
declare -A resident
if [ -x "$HOST_BUILD/bin/orvo-sim-kernel" ]; then
    while read -r name value; do
        resident[$name]=$value
    done < <(LD_LIBRARY_PATH=$HOST_BUILD/lib "$SRC/sim/module" --build "$HOST_BUILD" run \
        bash "$SRC/bench/footprint.sh" --resident "$work/probes" "${PROGRAMS[*]}")
else
    echo "no host build in $HOST_BUILD: resident memory skipped" >&2
fi

# The same on the board, with probes built for ARM against the ARM build (the board image
# carries them in ARM_BUILD/bench-probes).
declare -A board
if [ -x "$SRC/sim/board" ] && [ -f "$ARM_BUILD/CMakeCache.txt" ] && [ "${ORVO_FOOTPRINT_BOARD:-1}" = 1 ]; then
    probes=$ARM_BUILD/bench-probes
    rm -rf "$probes"
    build_probes arm-linux-gnueabihf-gcc "$probes" arm_file
    while read -r name value; do
        board[$name]=$value
    done < <(ORVO_ARM_BUILD=$ARM_BUILD "$SRC/sim/board" run "$SRC/sim/module" --build \
        "$ARM_BUILD" run bash "$SRC/bench/footprint.sh" --resident "$probes" "${PROGRAMS[*]}" |
        grep -E '^[a-z][A-Za-z0-9_.-]* -?[0-9a-z-]+$')
    rm -rf "$probes"
fi

verdict() { # VALUE_KIB GOAL_KIB
    awk -v v="$1" -v g="$2" 'BEGIN {print (v < g) ? "" : "  OVER GOAL"}'
}

printf '%-30s %18s %26s %26s\n' deliverable "stripped (ARM)" "resident at rest (host)" \
    "resident at rest (board)"
# resident_cell NAME VALUE: "1.23 MiB", or the reason there is none.
resident_cell() {
    local value=$2 cell="-"
    if [[ $value = -* ]]; then
        cell=${value#-}
    elif [ -n "$value" ]; then
        cell="$(awk -v k="$value" 'BEGIN {printf "%.2f", k / 1024}') MiB"
        [ "$1" = "$ONE_SHOT" ] && cell="$cell (peak)"
    fi
    printf '%s' "$cell"
}
# resident_verdict VALUE GOAL_KIB [WHERE]
resident_verdict() {
    [[ $1 =~ ^[0-9]+$ ]] || return 0
    local over
    over=$(verdict "$1" "$2")
    [ -z "$over" ] || printf '%s%s' "$over" "${3:+ ($3)}"
}
row() { # NAME IS_LIBRARY
    local name=$1 size="not built" rss="-" brss="-" note=""
    [ "$name" = baseline ] && size="-"
    if [ -n "${stripped[$name]:-}" ]; then
        size="$(kib "${stripped[$name]}") KiB"
        [ "$2" = 1 ] && note+=$(verdict "$(kib "${stripped[$name]}")" $LIBRARY_GOAL_KIB)
    fi
    rss=$(resident_cell "$name" "${resident[$name]:-}")
    note+=$(resident_verdict "${resident[$name]:-}" $RESIDENT_GOAL_KIB host)
    brss=$(resident_cell "$name" "${board[$name]:-}")
    note+=$(resident_verdict "${board[$name]:-}" $BOARD_GOAL_KIB board)
    printf '%-30s %18s %26s %26s%s\n' "$name" "$size" "$rss" "$brss" "$note"
}
for name in "${LIBRARIES[@]}"; do row "$name" 1; done
for name in "${PROGRAMS[@]}"; do row "$name" 0; done
row baseline 0
echo "baseline: a process with the C library alone; library rows: a process that has"
echo "started the library's threads. Goals: library < $LIBRARY_GOAL_KIB KiB stripped," \
    "process < $((RESIDENT_GOAL_KIB / 1024)) MiB resident on the host," \
    "< $((BOARD_GOAL_KIB / 1024)) MiB on the board."

# Lines for bench/run's table: the largest of each kind against its goal.
largest() { # VALUES...: the largest whole number among them, or nothing
    printf '%s\n' "$@" | grep -E '^[0-9]+$' | sort -n | tail -1
}
figure() { # NAME VALUE GOAL
    [ -n "$2" ] && printf 'figure\t%s\t%s\t-\t-\t%s\n' "$1" "$2" "$3"
}
sizes=()
for name in "${LIBRARIES[@]}"; do sizes+=("${stripped[$name]:-}"); done
max=$(largest "${sizes[@]}")
figure "footprint: largest library, stripped ARM (KiB)" "${max:+$(kib "$max")}" "<$LIBRARY_GOAL_KIB"
# at_rest ARRAY: the resident figures of the processes at rest (the one-shot's is its peak).
at_rest() {
    local -n values=$1
    local name
    for name in "${!values[@]}"; do
        [ "$name" = "$ONE_SHOT" ] || echo "${values[$name]}"
    done
}
figure "footprint: largest process at rest, host (KiB)" "$(largest $(at_rest resident))" \
    "<$RESIDENT_GOAL_KIB"
figure "footprint: largest process at rest, board (KiB)" "$(largest $(at_rest board))" \
    "<$BOARD_GOAL_KIB"
exit 0
