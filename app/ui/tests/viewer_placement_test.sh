#!/usr/bin/env bash
# Under Xvfb with a 1280 x 1024 screen: a main instance, then a comparison
# viewer started with "/v". Both windows must end 640 x 600, side by side
# (main at x 0, viewer at x 640), vertically centred (y 212).
# Usage: viewer_placement_test.sh <KR70 executable> <output directory>
set -euo pipefail
program=$1
out=$2
rm -rf "$out"
mkdir -p "$out/config"
runtime=$(mktemp -d /tmp/kr70-place-XXXXXX)
trap 'rm -rf "$runtime"' EXIT
export XDG_CONFIG_HOME="$out/config" XDG_RUNTIME_DIR="$runtime"
export QT_QPA_PLATFORM=xcb LANG=C LC_ALL=C
export KR70_CARD=sim   # a board answers, so no "no board" box opens at start

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  tree() { xwininfo -root -tree 2>/dev/null | grep -E "\"KR70[^\"]*\": \(\"KR70\"" || true; }
  "$1" & main=$!
  for i in $(seq 1 100); do sleep 0.2; tree | grep -qv "Comparison" && break; done
  "$1" /v & viewer=$!
  for i in $(seq 1 100); do sleep 0.2; tree | grep -q "Comparison" && break; done
  sleep 1.5
  tree > "$2/windows.txt"
  kill $viewer $main; wait $viewer $main 2>/dev/null || true' _ "$program" "$out"

cat "$out/windows.txt"
main=$(grep -v "Comparison" "$out/windows.txt" | grep -oE "[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+" | head -1)
viewer=$(grep "Comparison" "$out/windows.txt" | grep -oE "[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+" | head -1)
echo "main $main, viewer $viewer"
test "$main" = "640x600+0+212"
test "$viewer" = "640x600+640+212"
