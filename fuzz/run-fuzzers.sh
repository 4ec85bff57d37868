#!/usr/bin/env bash
# Runs every fuzz_* target of the fuzz build for a bounded time, starting from its seeds in
# fuzz/corpus/NAME. What a run finds that is new stays in build/fuzz/found/NAME (the seeds are
# never written to); a crash leaves its input in build/fuzz/crashes/.
#
#   fuzz/run-fuzzers.sh [SECONDS_EACH] [extra libFuzzer options...]
#
# Exit status 0 when no target found a crash. Build first: cmake --preset fuzz &&
# cmake --build --preset fuzz.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build/fuzz"
seconds=${1:-15}
shift || true
mkdir -p "$BUILD/crashes"
failed=0
for target in reg_file machine_ini script command_line wininit dir_tokens; do
  found="$BUILD/found/$target"
  mkdir -p "$found"
  log="$BUILD/fuzz_$target.log"
  if "$BUILD/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=20 \
    -artifact_prefix="$BUILD/crashes/$target-" "$@" "$found" "$ROOT/fuzz/corpus/$target" \
    >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "PASS fuzz_$target: ${runs:-?} runs in ${seconds}s"
  else
    echo "FAIL fuzz_$target (see $log):"
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" | sed 's/^/    /'
    failed=$((failed + 1))
  fi
done
[ "$failed" -eq 0 ]
