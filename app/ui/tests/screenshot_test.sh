#!/usr/bin/env bash
# End-to-end run under Xvfb: starts KR70 with a generated recording, takes a
# screenshot of the whole screen for each page and checks that the plots hold
# black curve pixels: against a start without a file, each page must show
# many more black pixels (the screen's root is white, so only the program
# paints black).
# Usage: screenshot_test.sh <KR70 executable> <output directory>
set -euo pipefail
program=$1
out=$2
mkdir -p "$out"
python3 - "$out/demo.wav" <<'PY'
import math, struct, sys
rate, count = 8000, 16000
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + 2 * count) + b"WAVEfmt ")
    f.write(struct.pack("<IHHIIHH", 16, 1, 1, rate, 2 * rate, 2, 16))
    f.write(b"data" + struct.pack("<I", 2 * count))
    for i in range(count):
        value = 9000 * math.sin(2 * math.pi * 440 * i / rate) + (14000 if i % 4000 < 8 else 0)
        value += 300 * math.sin(i * i * 0.0007)
        f.write(struct.pack("<h", int(max(-32767, min(32767, value)))))
PY
export XDG_CONFIG_HOME="$out/config"   # keep the tester's own settings untouched
export QT_QPA_PLATFORM=xcb             # the suite may run with offscreen set
export KR70_CARD=sim                   # a board answers, so no "no board" box opens at start

# shoot <png> <page> [file]: one start of KR70, one screenshot; prints the
# number of black pixels.
shoot() {
  local shot=$1 page=$2 file=${3:-}
  rm -f "$shot"
  KR70_OPEN_FILES="$file" KR70_FFT_DISPLAY=1 KR70_START_PAGE=$page \
  xvfb-run -a -s "-screen 0 1024x768x24 -wr" bash -c '
    "$1" & pid=$!
    for i in $(seq 1 50); do sleep 0.2; xwininfo -root -tree 2>/dev/null | grep -q "KR70" && break; done
    sleep 1.5
    import -window root "$2"
    kill $pid; wait $pid 2>/dev/null || true' _ "$program" "$shot" >/dev/null 2>&1
  test -s "$shot"
  convert "$shot" -fx "(r+g+b)==0?1:0" -format "%[fx:round(mean*w*h)]" info:
}

baseline=$(shoot "$out/empty.png" 0)
echo "no file: $baseline black pixels"
for page in 0 1 4; do
  black=$(shoot "$out/page$page.png" $page "$out/demo.wav")
  echo "page $page: $black black pixels ($out/page$page.png)"
  if [ "$black" -lt $((baseline + 500)) ]; then
    echo "page $page: the plots hold no curve" >&2
    exit 1
  fi
done
