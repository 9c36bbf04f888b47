#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each in
# turn for SECONDS seconds (default 60), starting from its committed corpus in
# fuzz/corpus/<target>/. New inputs go to build-fuzz/corpus/<target>/ (the
# committed corpus is not changed); a crash is written as
# build-fuzz/crash-<target>-* and stops the script with exit code 1.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/setup.sh
build_dir=${KR70_FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DKR70_FUZZ=ON -DKR70_BUILD_BENCH=OFF \
  -DKR70_COMPONENTS="platform;analysis;procedures;inifile;lang;app;tools" -DKR70_APP_UI=OFF
targets=(rawdata wav ini lang analyse environment)
cmake --build "$build_dir" -j"${KR70_JOBS:-2}" --target "${targets[@]/#/fuzz-}"
# The targets write their input to a scratch file; on tmpfs the writers'
# flushes to disk cost nothing.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
status=0
for target in "${targets[@]}"; do
  corpus="$build_dir/corpus/$target"
  mkdir -p "$corpus"
  echo "== fuzz-$target for ${seconds} s"
  if ! "$build_dir/bin/fuzz-$target" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$build_dir/crash-$target-" "$corpus" "fuzz/corpus/$target"; then
    echo "fuzz-$target found a crash: $build_dir/crash-$target-*" >&2
    status=1
  fi
done
exit $status
