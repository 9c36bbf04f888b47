#!/usr/bin/env bash
# Builds the workstation. Later steps start it or run the headless analysis.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir=${KR70_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" -j"${KR70_JOBS:-2}"
