#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time on a
# copy of its seed corpus. Usage: fuzz/run.sh [seconds-per-target] [target...]
# (60 seconds, every target).
# Prints the executions and crashes of each target, then a summary line, and
# exits non-zero when any target crashed; the inputs that crashed are kept in
# <build>/fuzz-crashes/<target>/.
set -u

seconds=${1:-60}
case $seconds in
  '' | *[!0-9]*) echo "usage: $0 [seconds-per-target] [target...]" >&2; exit 2 ;;
esac
shift $(($# > 0 ? 1 : 0))

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${KESTRELPOINT_FUZZ_BUILD:-$root/build-fuzz}
corpus=$root/tests/fuzz-corpus
jobs=${KESTRELPOINT_FUZZ_JOBS:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DKESTRELPOINT_FUZZ=ON -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
fi
cmake --build "$build" -j "$jobs" --target fuzz >"$build/fuzz-build.log" 2>&1 || {
  tail -n 40 "$build/fuzz-build.log" >&2
  echo "building the fuzz targets failed; the whole log is $build/fuzz-build.log" >&2
  exit 2
}

# A memory-backed folder keeps the targets' file writes cheap.
scratch_parent=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_parent=/dev/shm
work=$(mktemp -d "$scratch_parent/kestrelpoint-fuzz.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$here"/fuzz_*.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi
for target in "${targets[@]}"; do
  [ -x "$build/fuzz/$target" ] || { echo "no fuzz target $target" >&2; exit 2; }
done

total_runs=0
total_crashes=0
failed=()
printf '%-22s %12s %8s\n' target executions crashes
for target in "${targets[@]}"; do
  dir=$work/$target
  mkdir -p "$dir/corpus" "$dir/artifacts" "$dir/tmp"
  [ -d "$corpus/$target" ] && cp "$corpus/$target"/* "$dir/corpus/" 2>/dev/null
  # One input may take at most 10 s and 2 GB; more counts as a crash.
  (cd "$dir" && TMPDIR=$dir/tmp TZ=UTC LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log" 2>&1)
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
  runs=${runs:-0}
  crashes=$(find "$dir/artifacts" -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' \
    -o -name 'leak-*' \) | wc -l)
  if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then
    crashes=1  # stopped without leaving its input: still a failure
  fi
  printf '%-22s %12s %8s\n' "$target" "$runs" "$crashes"
  total_runs=$((total_runs + runs))
  if [ "$crashes" -gt 0 ]; then
    total_crashes=$((total_crashes + crashes))
    failed+=("$target")
    keep=$build/fuzz-crashes/$target
    mkdir -p "$keep"
    cp "$dir/artifacts"/* "$keep/" 2>/dev/null
    cp "$dir/log" "$keep/log"
    grep -m 3 -E 'Broken rule|ERROR: |SUMMARY: ' "$dir/log" | sed 's/^/    /'
    echo "    inputs and log kept in $keep"
  fi
done

echo "summary: ${#targets[@]} targets, ${seconds} s each, $total_runs executions, $total_crashes crashes" \
  "${failed[*]:+(in ${failed[*]})}"
[ "$total_crashes" -eq 0 ]
