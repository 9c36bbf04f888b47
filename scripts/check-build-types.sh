#!/usr/bin/env bash
# Builds kr70-analyse in Debug and Release beside the normal build
# (RelWithDebInfo) and checks that the three give the same bytes for the same
# inputs: the --json report and every file of --save, with and without a
# parameter file, over generated recordings of several rates and lengths
# (short ones shorter than the filters, long ones with two-window spectra).
# Not part of ctest: it builds the project twice more.
#   scripts/check-build-types.sh            (exit 0: identical, 1: differences)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${KR70_JOBS:-2}

declare -A dirs=([RelWithDebInfo]=build [Debug]=build-debug [Release]=build-release)
for type in RelWithDebInfo Debug Release; do
  dir=${dirs[$type]}
  if [ "$type" = RelWithDebInfo ]; then
    cmake -S . -B "$dir" -G Ninja >/dev/null
  else
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DBUILD_TESTING=OFF -DKR70_BUILD_BENCH=OFF >/dev/null
  fi
  echo "check-build-types: building $type in $dir"
  cmake --build "$dir" -j"$jobs" --target kr70-analyse kr70-demo-gen >/dev/null
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
inputs=()
for recording in "8000 0.004" "8000 0.02" "11025 0.5" "22050 2" "44100 3" "50000 1.3"; do
  read -r rate seconds <<<"$recording"
  target="$work/in/$rate-$seconds"
  build/bin/kr70-demo-gen --rate "$rate" --seconds "$seconds" "$target" >/dev/null
  inputs+=("$target/demo-tone.wav" "$target/demo-clicks.wav" "$target/demo-noise.wav")
  params="$target/demo.ini"
done

status=0
compared=0
for type in RelWithDebInfo Debug Release; do
  dir=${dirs[$type]}
  for input in "${inputs[@]}"; do
    name=$(basename "$(dirname "$input")")-$(basename "$input" .wav)
    for mode in defaults params; do
      out="$work/out/$type/$name-$mode"
      mkdir -p "$out"
      args=(--json --save "$out")
      [ "$mode" = params ] && args=(--params "$params" "${args[@]}")
      "$dir/bin/kr70-analyse" "${args[@]}" "$input" >"$out/report.json" 2>"$out/stderr.txt" || true
    done
  done
done
for type in Debug Release; do
  if diff -r "$work/out/RelWithDebInfo" "$work/out/$type" >"$work/diff-$type.txt"; then
    echo "check-build-types: $type gives the same bytes as RelWithDebInfo"
  else
    echo "check-build-types: $type differs from RelWithDebInfo:"
    head -20 "$work/diff-$type.txt"
    status=1
  fi
done
compared=$(find "$work/out/RelWithDebInfo" -type f | wc -l)
echo "check-build-types: ${#inputs[@]} recordings x 2 settings, $compared files per build type compared"
exit $status
