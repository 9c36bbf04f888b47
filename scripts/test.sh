#!/usr/bin/env bash
# The one test command: installs what is missing, configures, builds, runs ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir=${KR70_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" -j"${KR70_JOBS:-2}"
cd "$build_dir"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} ctest --output-on-failure -j"${KR70_JOBS:-2}" "$@"
