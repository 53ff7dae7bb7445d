#!/usr/bin/env bash
# Installs what is missing, builds Pubforge and runs every test.
# With --sanitize, builds into build-asan with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the same tests there.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=()
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  flags=(-DPUBFORGE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

bash scripts/install-deps.sh
cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j2
