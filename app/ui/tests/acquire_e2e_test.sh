#!/usr/bin/env bash
# End-to-end acquisition under Xvfb: KR70 starts on the simulated A/D board
# with a data directory of its own and presses "波形取得" (the scripted
# command 1008); the recording must appear as LmWAData-001#01.wav with a
# 16-bit mono 50000 Hz header and the 5000 samples detection sets, and the
# screen must show the lamp: NG (lit red) for a signal with clicks, OK (lit
# blue) for the clean one. The judgement uses tests/data/acquire_e2e.ini: the
# parameter library's defaults with the pass threshold raised to 200 (at
# start-up the level is 0, so the exceeding area is the whole area: about
# 114 for the clean simulated signal, 354 with clicks); with the default
# threshold of 1 even the clean signal is NG.
# Usage: acquire_e2e_test.sh <KR70 executable> <output directory>
set -euo pipefail
program=$1
out=$2
parameters="$(cd "$(dirname "$0")" && pwd)/data/acquire_e2e.ini"
rm -rf "$out"
mkdir -p "$out"
export QT_QPA_PLATFORM=xcb   # the suite may run with offscreen set
export XDG_RUNTIME_DIR="$out/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# count_pixels <png> <colour>: the number of pixels of exactly that colour.
count_pixels() {
  convert "$1" -alpha off -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info:
}

# record <name> <card options> <expected lamp: NG or OK>
record() {
  local name=$1 card=$2 expected=$3
  local home="$out/$name"
  local data="$home/data"
  local shot="$home/screen.png"
  local wav="$data/LmWAData-001#01.wav"
  mkdir -p "$data" "$home/config/Ostrel"
  cp "$parameters" "$home/judgement.ini"   # the program may write back to its file
  printf '[DirPosPlus]\nDirDefaultPlus=%s\nDirDefSetPlus=0\n' "$data" >"$home/config/Ostrel/KR70.conf"
  XDG_CONFIG_HOME="$home/config" KR70_CARD="$card" KR70_RUN_COMMANDS=1008 \
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" "$4" & pid=$!
    for i in $(seq 1 150); do
      sleep 0.2
      [ "$(stat -c %s "$2" 2>/dev/null || echo 0)" = 10044 ] && break
    done
    sleep 2   # the chain runs and the lamp lights
    import -window root "$3"
     kill $pid; wait $pid 2>/dev/null || true' _ "$program" "$wav" "$shot" "$home/judgement.ini" >"$home/log.txt" 2>&1 || true

  if [ ! -f "$wav" ]; then
    echo "$name: no recording in $data" >&2
    cat "$home/log.txt" >&2
    return 1
  fi
  python3 - "$wav" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
riff, size, wave, fmt, fmt_size, tag, channels, rate, byte_rate, align, bits, chunk, length = \
    struct.unpack("<4sI4s4sIHHIIHH4sI", data[:44])
problems = []
if (riff, wave, fmt, chunk) != (b"RIFF", b"WAVE", b"fmt ", b"data"): problems.append("chunk ids")
if (tag, channels, rate, bits, align, byte_rate) != (1, 1, 50000, 16, 2, 100000): problems.append("format")
if length != 2 * 5000 or size != length + 36 or len(data) != 44 + length: problems.append("length")
if problems:
    sys.exit("%s: bad WAV (%s)" % (sys.argv[1], ", ".join(problems)))
PY
  test -s "$shot"
  # Pixels of the lit NG (224, 0, 0) and lit OK (0, 0, 224) lamps.
  local red blue
  red=$(count_pixels "$shot" '#E00000')
  blue=$(count_pixels "$shot" '#0000E0')
  echo "$name: recording fine, lamp pixels NG $red, OK $blue ($shot)"
  if [ "$expected" = NG ] && { [ "$red" -lt 500 ] || [ "$blue" -ne 0 ]; }; then
    echo "$name: the lamp does not show NG" >&2
    return 1
  fi
  if [ "$expected" = OK ] && { [ "$blue" -lt 500 ] || [ "$red" -ne 0 ]; }; then
    echo "$name: the lamp does not show OK" >&2
    return 1
  fi
}

record clicks "sim:kind=bipolar,clicks=on" NG
record clean "sim:kind=bipolar,clicks=off" OK
