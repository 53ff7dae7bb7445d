#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer and runs each of
# them for a while, one after the other.  Fails on any crash, leak, time-out,
# memory blow-up or sanitizer report; the input that caused it is kept in
# the build folder as artifacts/<target>-crash-... (or leak-, timeout-, oom-).
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# SECONDS_PER_TARGET defaults to 60; the targets default to all of them
# (read_write, text_ops, mapping, template, commands).  FUZZ_BUILD_DIR
# chooses the build folder (default build-fuzz).  The corpus each target
# grows is kept in the build folder, so later runs go on from it; the
# checked-in seeds in fuzz/corpus/ are read every time.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(read_write text_ops mapping template commands)
build=${FUZZ_BUILD_DIR:-build-fuzz}

bash scripts/install-deps.sh
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2

mkdir -p "$build/artifacts"
failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
           -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  echo "== fuzzing $target for $seconds s"
  log="$build/$target.log"
  if "$build/fuzz_$target" "${options[@]}" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    grep -a -E '^stat::number_of_executed_units|^Done ' "$log" || true
  else
    echo "FAILED: fuzz target $target found a problem (log: $log)"
    grep -a -E -A40 'ERROR: |FUZZ CHECK FAILED|runtime error|ALARM|out-of-memory|Test unit written' "$log" | head -80 || tail -40 "$log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: ${#failed[@]} of ${#targets[@]} targets failed: ${failed[*]}"
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran $seconds s each without a finding"
