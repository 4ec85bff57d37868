#!/usr/bin/env bash
# Runs every fuzz_* target of the sanitizer build for a bounded time, starting from its seeds in
# fuzz/corpus/NAME. What a run finds that is new stays in build/fuzz/found/NAME (the seeds are
# never written to); a crash leaves its input in build/fuzz/crashes/.
#
#   fuzz/run-fuzzers.sh [SECONDS_EACH] [extra libFuzzer options...]
#
# The fuzzers start from seed VRX_FUZZ_SEED (1 unless set), so two runs of the same build try the
# same inputs first; set another seed, or a longer time, to search further. A crash prints what the
# target said of it and the input itself in base64, enough to replay it from a CI log:
#   base64 -d >crash <<<'...'; build/sanitizer/fuzz_NAME crash
#
# A single input may take 60 seconds before it counts as a hang: a whole run with a preview, under
# the sanitizers and beside another fuzzer, takes several.
#
# Exit status 0 when no target found a crash. Build first: cmake --preset sanitizer &&
# cmake --build --preset sanitizer.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROGRAMS="$ROOT/build/sanitizer"
BUILD="$ROOT/build/fuzz"
seconds=${1:-15}
shift || true
mkdir -p "$BUILD/crashes"

# fuzz_one TARGET [options]: one target's run; prints its verdict, and fails when it found a crash.
fuzz_one() {
  local target=$1 found="$BUILD/found/$1" log="$BUILD/fuzz_$1.log"
  shift
  mkdir -p "$found"
  if "$PROGRAMS/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=60 \
    -seed="${VRX_FUZZ_SEED:-1}" -artifact_prefix="$BUILD/crashes/$target-" "$@" \
    "$found" "$ROOT/fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "PASS fuzz_$target: ${runs:-?} runs in ${seconds}s"
    return 0
  fi
  echo "FAIL fuzz_$target (see $log):"
  grep -aE 'ERROR|SUMMARY|Test unit written|^oracle:|^shrunk case:|^terminate|what\(\)' "$log" |
    head -40 | sed 's/^/    /'
  for crash in "$BUILD/crashes/$target-"*; do
    [ -f "$crash" ] && echo "    input $(basename "$crash"): $(base64 -w0 "$crash")"
  done
  return 1
}

# As many targets at once as there are processors; each prints its verdict whole when it ends.
failed=0
running=0
for target in whole_run reg_file machine_ini script command_line wininit dir_tokens; do
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || failed=$((failed + 1))
    running=$((running - 1))
  fi
  fuzz_one "$target" "$@" >"$BUILD/verdict_$target" 2>&1 &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=$((failed + 1))
  running=$((running - 1))
done
for target in reg_file machine_ini script command_line wininit dir_tokens whole_run; do
  cat "$BUILD/verdict_$target"
done
[ "$failed" -eq 0 ]
