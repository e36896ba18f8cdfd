#!/usr/bin/env bash
# Every speed and memory figure of the program, with its target, on an
# optimised build. Usage: bench/run.sh [build-folder]   (about seven minutes)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-bench}
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
program="$build/src/kestrelpoint"
sim="$build/tools/receiver-sim/kestrelpoint-receiver-sim"
export QT_QPA_PLATFORM=offscreen

echo "Kestrelpoint benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
"$build/bench/bench_startup" 2>/dev/null
"$build/bench/bench_switchlist" 2>/dev/null
"$build/bench/bench_ebno_chart" 2>/dev/null
"$build/bench/bench_large_files" 2>/dev/null

# Idle CPU: the program with 999 schedules and two receivers beside a bare Qt
# program with a 50 ms timer updating one label, both for 60 s.
cpu_ns() { cut -d' ' -f1 "/proc/$1/schedstat"; }   # time on a core, in nanoseconds
home=$(mktemp -d)
"$build/bench/bench_idle_data" "$home"
KESTRELPOINT_HOME=$home KESTRELPOINT_PARPORT=$home/port "$program" 2>/dev/null &
kp=$!
"$build/bench/bench_bare_timer" 2>/dev/null &
bare=$!
sleep 3
kp0=$(cpu_ns $kp); bare0=$(cpu_ns $bare)
sleep 60
kp1=$(cpu_ns $kp); bare1=$(cpu_ns $bare)
kill $kp $bare; wait $kp $bare 2>/dev/null || true
rm -rf "$home"
awk -v k=$((kp1 - kp0)) -v b=$((bare1 - bare0)) 'BEGIN {
    printf "idle CPU over 60 s: program %.0f ms, bare Qt timer %.0f ms, ratio %.2f; target <= 1.2\n", k / 1e6, b / 1e6, (b > 0 ? k / b : 0) }'

"$build/bench/bench_conversation_wait" 2>/dev/null
"$build/bench/bench_switch_timing" "$program" "$sim" 10 2>/dev/null | tail -n 12
"$build/bench/bench_status_publish" 2>/dev/null
"$build/bench/bench_status_server" "$program" "$sim" 60 200 2>/dev/null
