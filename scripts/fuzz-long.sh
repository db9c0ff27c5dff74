#!/usr/bin/env bash
# Runs every fuzz target for a long time (default 600 s each) and merges the
# inputs that reach new code into the checked-in corpus, fuzz/corpus/<target>.
# Usage: scripts/fuzz-long.sh [seconds per target] [target ...]
# A failing target leaves its input as crash-* in the build folder's crashes/
# and makes the script fail once every target has run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
[ $# -gt 0 ] && shift
build=$(mkdir -p "${JUXA_FUZZ_BUILD:-$root/build-fuzz}" && cd "${JUXA_FUZZ_BUILD:-$root/build-fuzz}" && pwd)
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${JOBS:-2}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(sed -n 's/^  \([a-z_]*\)$/\1/p' "$root/fuzz/targets.cmake")
fi
failed=0
mkdir -p "$build/crashes"
for target in "${targets[@]}"; do
  scratch="$build/long/$target"
  corpus="$root/fuzz/corpus/$target"
  mkdir -p "$scratch"
  log="$build/long/$target.log"
  dict=()
  [ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
  rc=0
  "$build/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" "${dict[@]}" \
    "$scratch" "$corpus" >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$target: ${runs:-?} executions in ${seconds}s, exit $rc"
  if [ "$rc" -ne 0 ]; then
    grep -E 'fuzz check failed|ERROR|SUMMARY|Test unit written' "$log" || tail -20 "$log"
    failed=1
    continue
  fi
  # Keep only the inputs that add coverage, so the corpus stays small.
  "$build/fuzz_$target" -merge=1 "$corpus" "$scratch" >/dev/null 2>&1
done
exit $failed
