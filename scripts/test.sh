#!/usr/bin/env bash
# The one test command: installs what is missing, configures, builds, runs ctest.
#   scripts/test.sh [ctest options]
#   scripts/test.sh --sanitize [ctest options]
#       the same suite built into build-asan/ with AddressSanitizer and
#       UndefinedBehaviorSanitizer; reports of third-party libraries are
#       suppressed by scripts/sanitizer/*.supp (each line says why), and tests
#       that limit the address space skip themselves. Slow: run it under nice.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
sanitize=0
if [ "${1:-}" = "--sanitize" ]; then
  sanitize=1
  shift
fi
if [ $sanitize = 1 ]; then
  build_dir=${KR70_BUILD_DIR:-build-asan}
  cmake -S . -B "$build_dir" -G Ninja -DKR70_SANITIZE=ON -DKR70_BUILD_BENCH=OFF
  supp=$PWD/scripts/sanitizer
  # allocator_may_return_null: the libraries answer a failed allocation with
  # their out-of-memory status, which the tests check, instead of ASan aborting.
  export ASAN_OPTIONS="allocator_may_return_null=1:detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
  export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"
  export UBSAN_OPTIONS="suppressions=$supp/ubsan.supp:print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
else
  build_dir=${KR70_BUILD_DIR:-build}
  cmake -S . -B "$build_dir" -G Ninja
fi
cmake --build "$build_dir" -j"${KR70_JOBS:-2}"
cd "$build_dir"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} ctest --output-on-failure -j"${KR70_JOBS:-2}" "$@"
