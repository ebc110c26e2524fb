#!/usr/bin/env bash
# Builds the Release tree, runs every benchmark (console output, and JSON beside the build in
# $BUILD_DIR/perf), then times `brumo render` of the default scene and of every example scene on
# one and two threads, in one lane (BRUMO_SIMD=scalar, the path of the 32-bit builds) and in
# vector lanes, and prints one markdown table of the render seconds (median of PERF_RUNS runs of
# the --stats time), then the figures the targets are about. To show what the machine itself
# allows, two one-thread renders of the default scene also run side by side in separate processes.
#
#   BUILD_DIR=build        the Release tree to build and time
#   BASELINE_BRUMO=path    a brumo binary of an earlier version: adds its times for the default
#                          scene (it renders as it always did, whatever BRUMO_SIMD says)
#   VECTOR_TARGET=auto     what the vector columns run with (a name as BRUMO_SIMD takes it)
#   PERF_RUNS=3            runs per cell
#   BENCH_MIN_TIME=0.2     seconds per benchmark; SKIP_BENCH=1 leaves the benchmarks out
#   IDLE_WAIT=30           seconds to wait, before each scene, for the other processes to go quiet
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
PERF_RUNS=${PERF_RUNS:-3}
BENCH_MIN_TIME=${BENCH_MIN_TIME:-0.2}
VECTOR_TARGET=${VECTOR_TARGET:-auto}
IDLE_WAIT=${IDLE_WAIT:-30}
BASELINE_BRUMO=${BASELINE_BRUMO:-}
BIN="$BUILD_DIR/bin"
BRUMO="$BIN/brumo"

benches=()
for source in bench/bench_*.cpp; do benches+=("$(basename "$source" .cpp)"); done

echo "== Building $BUILD_DIR (Release)" >&2
LOG=$(mktemp)
if ! { cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release &&
       cmake --build "$BUILD_DIR" -j "$JOBS" --target brumo_cli brumo_module "${benches[@]}"; } >"$LOG" 2>&1; then
    cat "$LOG" >&2
    rm -f "$LOG"
    exit 1
fi
rm -f "$LOG"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# Busy share of all cores, in percent, over a quarter of a second.
busy_percent() {
    local a b
    read -r -a a < /proc/stat
    sleep 0.25
    read -r -a b < /proc/stat
    local total=0 idle=$(( (b[4] + b[5]) - (a[4] + a[5]) )) i
    for i in 1 2 3 4 5 6 7 8; do total=$(( total + b[i] - a[i] )); done
    echo $(( total > 0 ? 100 * (total - idle) / total : 0 ))
}

# Waits up to IDLE_WAIT seconds for the machine to be (nearly) idle.
wait_idle() {
    local waited=0
    while [ "$(busy_percent)" -gt 10 ] && [ "$waited" -lt $(( IDLE_WAIT * 4 )) ]; do
        waited=$(( waited + 1 ))
    done
}

# All-core busy jiffies so far (for the share other processes took while we timed).
busy_jiffies() {
    local a
    read -r -a a < /proc/stat
    echo $(( a[1] + a[2] + a[3] + a[6] + a[7] + a[8] ))
}

# --- Benchmarks ------------------------------------------------------------------------------
if [ "${SKIP_BENCH:-0}" != 1 ]; then
    mkdir -p "$BUILD_DIR/perf"
    for b in "${benches[@]}"; do
        echo "== $b"
        wait_idle
        "$BIN/$b" --benchmark_min_time="$BENCH_MIN_TIME" \
            --benchmark_out="$BUILD_DIR/perf/$b.json" --benchmark_out_format=json
    done
    echo
fi

# --- Render times ----------------------------------------------------------------------------
# One render; prints the --stats seconds. $1: binary, $2: SIMD setting or "", $3: threads,
# $4: output, rest: scene and size options.
render_seconds() {
    local binary=$1 simd=$2 threads=$3 output=$4
    shift 4
    local line
    if ! line=$(env -u BRUMO_SIMD ${simd:+BRUMO_SIMD=$simd} "$binary" render "$@" --threads "$threads" \
                    --stats --quiet -o "$output"); then
        echo "brumo render $* failed" >&2
        exit 1
    fi
    echo "$line" | sed -n 's/.*, \([0-9.]*\) s on .*/\1/p' | tail -n 1
}

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
quotient() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.4f", a / b; else print 0}'; }
times_x() { awk -v r="$1" 'BEGIN {if (r > 0) printf "%.2f×", r; else print "–"}'; }
seconds() { awk -v s="$1" 'BEGIN {printf "%.3f", s}'; }

# Each case: label, then the scene options.
cases=("default scene, 320×240|" "default scene, 640×480|--width 640 --height 480")
for scene in examples/*.json; do cases+=("$(basename "$scene")|$scene"); done

echo "== Timing brumo render: ${#cases[@]} scenes, 1 and 2 threads, scalar and $VECTOR_TARGET, median of $PERF_RUNS" >&2
vector_simd=$VECTOR_TARGET
[ "$vector_simd" = auto ] && vector_simd=""
rows=()
summary=()
ours_jiffies() { awk '{print $14 + $15 + $16 + $17}' "/proc/$$/stat"; }
total=0
others=0
for entry in "${cases[@]}"; do
    label=${entry%%|*}
    read -r -a options <<< "${entry#*|}"
    wait_idle
    busy_before=$(busy_jiffies)
    ours_before=$(ours_jiffies)
    declare -A times=()
    # Ratios are medians of the ratios within each run, whose renders follow one another, so
    # that a slow drift of the machine's speed cancels out.
    for run in $(seq "$PERF_RUNS"); do
        declare -A t=()
        for threads in 1 2; do
            t[s$threads]=$(render_seconds "$BRUMO" scalar "$threads" "$WORK/s$threads.png" "${options[@]}")
            t[v$threads]=$(render_seconds "$BRUMO" "$vector_simd" "$threads" "$WORK/v$threads.png" "${options[@]}")
            if [ -n "$BASELINE_BRUMO" ] && [ "${label#default scene}" != "$label" ]; then
                t[b$threads]=$(render_seconds "$BASELINE_BRUMO" "" "$threads" "$WORK/b$threads.png" "${options[@]}")
            fi
        done
        for key in "${!t[@]}"; do times[$key]+=" ${t[$key]}"; done
        times[vs1]+=" $(quotient "${t[s1]}" "${t[v1]}")"
        times[vs2]+=" $(quotient "${t[s2]}" "${t[v2]}")"
        times[gs]+=" $(quotient "${t[s1]}" "${t[s2]}")"
        times[gv]+=" $(quotient "${t[v1]}" "${t[v2]}")"
        if [ -n "${t[b1]:-}" ]; then
            times[vb1]+=" $(quotient "${t[b1]}" "${t[v1]}")"
            times[vb2]+=" $(quotient "${t[b2]}" "${t[v2]}")"
        fi
        # What the machine allows: two one-thread renders side by side in separate processes,
        # which share nothing (the two cores of a virtual machine need not be two whole cores
        # all the time).
        if [ "$label" = "default scene, 640×480" ]; then
            render_seconds "$BRUMO" "$vector_simd" 1 "$WORK/p1.png" "${options[@]}" > "$WORK/p1.txt" &
            second=$(render_seconds "$BRUMO" "$vector_simd" 1 "$WORK/p2.png" "${options[@]}")
            wait $!
            slower=$(awk -v a="$(cat "$WORK/p1.txt")" -v b="$second" 'BEGIN {print (a > b ? a : b)}')
            times[pair]+=" $(quotient "$(awk -v a="${t[v1]}" 'BEGIN {print 2 * a}')" "$slower")"
        fi
        unset t
    done
    busy=$(( $(busy_jiffies) - busy_before ))
    total=$(( total + busy ))
    others=$(( others + busy - ($(ours_jiffies) - ours_before) ))
    declare -A m=()
    for key in "${!times[@]}"; do
        # shellcheck disable=SC2086
        m[$key]=$(median ${times[$key]})
    done
    same=yes
    for image in s2 v1 v2; do cmp -s "$WORK/s1.png" "$WORK/$image.png" || same=NO; done
    baseline="–"
    against="–"
    if [ -n "${m[b1]:-}" ]; then
        baseline="$(seconds "${m[b1]}") / $(seconds "${m[b2]}")"
        against="$(times_x "${m[vb1]}") / $(times_x "${m[vb2]}")"
        cmp -s "$WORK/s1.png" "$WORK/b1.png" || same="$same (differs from the previous main)"
    fi
    case $label in
        "default scene, 320×240")
            summary+=("Default scene, 320×240, vector lanes against the scalar path: $(times_x "${m[vs1]}") on 1 thread, $(times_x "${m[vs2]}") on 2.")
            if [ -n "${m[b1]:-}" ]; then
                summary+=("Default scene, 320×240, against the previous main: $(times_x "${m[vb1]}") on 1 thread, $(times_x "${m[vb2]}") on 2 (target: at least 4×).")
            fi ;;
        "default scene, 640×480")
            summary+=("Default scene, 640×480, 2 threads against 1: $(times_x "${m[gs]}") scalar, $(times_x "${m[gv]}") vector (target: at least 1.8×). Two one-thread renders side by side in separate processes, which share nothing: $(times_x "${m[pair]}"), what the machine allowed while measuring.") ;;
    esac
    rows+=("| $label | $baseline | $(seconds "${m[s1]}") | $(seconds "${m[v1]}") | $(times_x "${m[vs1]}") | $against | $(seconds "${m[s2]}") | $(seconds "${m[v2]}") | $(times_x "${m[gs]}") / $(times_x "${m[gv]}") | $same |")
    echo "   $label done" >&2
    unset times m
done

# --- The table -------------------------------------------------------------------------------
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
family=$(sed -n 's/^cpu family[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
model=$(sed -n 's/^model[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
grep -qw avx512f /proc/cpuinfo && cpu="$cpu (family $family, model $model), AVX-512" || cpu="$cpu (family $family, model $model)"
cores=$(nproc 2>/dev/null || echo "?")
target=$(env -u BRUMO_SIMD ${vector_simd:+BRUMO_SIMD=$vector_simd} "$BIN/bench_density" \
             --benchmark_filter='^BM_Density/Smog/scalar$' --benchmark_min_time=0.001 2>&1 |
         sed -n 's/^vector_target: //p' | head -n 1)

echo
echo "CPU: $cpu, $cores cores. Vector target in use: ${target:-unknown}$([ "$VECTOR_TARGET" != auto ] && echo " (vector columns: BRUMO_SIMD=$VECTOR_TARGET)")."
echo "Render seconds: brumo render --stats, median of $PERF_RUNS runs; ratios: median of the ratios within each run. Previous main: $([ -n "$BASELINE_BRUMO" ] && echo "$BASELINE_BRUMO" || echo "not measured (set BASELINE_BRUMO)")."
echo
echo "| Scene | Previous main, 1 / 2 threads | Scalar, 1 thread | Vector, 1 thread | Vector vs scalar | Vector vs previous main, 1 / 2 threads | Scalar, 2 threads | Vector, 2 threads | 2 threads vs 1 (scalar / vector) | Same image in every mode |"
echo "|---|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo
printf '%s\n' "${summary[@]}"
if [ "$total" -gt 0 ]; then
    share=$(( 100 * (others > 0 ? others : 0) / total ))
    echo "Other processes of this machine took ${share}% of the busy core time while the renders were timed$(
        [ "$share" -gt 10 ] && echo ": the two-thread figures understate the scaling; run again on an idle machine")."
fi
