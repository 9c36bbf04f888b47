#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the installed
# programs run from there alone: kr70-analyse judges a generated recording with
# its language texts, KR70 starts with its language files and libraries, and
# the desktop entry, the metainfo and the MIME type are valid.
# Usage: install_test.sh <build directory>
set -euo pipefail
build=$(cd "$1" && pwd)
# The scratch folder lies outside the build tree, so any use of the build tree
# by the installed programs shows in their mapped files.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kr70-install-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix with space"
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$scratch/install.log"

private="$prefix/lib/kr70"
for program in KR70 kr70-analyse kr70-demo-gen kr70-results; do
  [ -L "$prefix/bin/$program" ] || fail "bin/$program is not a link"
  [ -x "$private/$program" ] || fail "lib/kr70/$program missing"
done
for file in KR70_EN.STR KR70_OT.STR KR70_JP.STR; do
  [ -s "$private/LANG/$file" ] || fail "LANG/$file missing"
done
[ -f "$private/libCardIO32.so" ] || fail "libCardIO32.so (loaded by name) missing"
[ -f "$prefix/share/icons/hicolor/scalable/apps/com.ostrel.KR70.svg" ] || fail "application icon missing"

unset LD_LIBRARY_PATH

# The installed tools, called through their links in bin/ from another folder.
cd "$scratch"
"$prefix/bin/kr70-demo-gen" "$scratch/demo" >/dev/null
"$prefix/bin/kr70-analyse" --json "$scratch/demo/demo-clicks.wav" >"$scratch/analyse.json"
grep -q '"NG"' "$scratch/analyse.json" || fail "kr70-analyse gave no NG verdict: $(cat "$scratch/analyse.json")"
"$prefix/bin/kr70-analyse" --db "$scratch/results.sqlite" "$scratch/demo/demo-clicks.wav" >/dev/null
"$prefix/bin/kr70-results" --db "$scratch/results.sqlite" query --format csv | grep -q 'demo-clicks.wav' ||
  fail "kr70-results did not find the stored verdict"
# A refused file is reported with the text of the language file; without the
# installed LANG folder it would read "message <number>".
printf 'junk' >"$scratch/junk.wav"
if "$prefix/bin/kr70-analyse" "$scratch/junk.wav" >/dev/null 2>"$scratch/analyse.err"; then
  fail "kr70-analyse accepted a junk file"
fi
grep -q 'junk.wav' "$scratch/analyse.err" || fail "kr70-analyse did not name the refused file"
if grep -q 'message [0-9]' "$scratch/analyse.err"; then
  fail "kr70-analyse found no language file: $(cat "$scratch/analyse.err")"
fi

# KR70 offscreen, with a recording on its command line: it must stay up (a
# missing library stops it at once) and map our libraries from the prefix and
# nothing from the build tree.
mkdir -m 700 "$scratch/runtime"
export XDG_RUNTIME_DIR="$scratch/runtime"   # its own instance locks and socket
export XDG_CONFIG_HOME="$scratch/config" QT_QPA_PLATFORM=offscreen KR70_CARD=sim LANG=C LC_ALL=C
"$prefix/bin/KR70" "$scratch/demo/demo-tone.wav" >"$scratch/kr70.log" 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the installed KR70 ended at once: $(cat "$scratch/kr70.log")"
maps=$(cat "/proc/$pid/maps")
kill "$pid"; wait "$pid" 2>/dev/null || true
grep -q "$private/libLmLang.so" <<<"$maps" || fail "KR70 did not load libLmLang.so from the prefix"
grep -q "$private/libLM_WAVGET.so" <<<"$maps" || fail "KR70 did not load libLM_WAVGET.so from the prefix"
if grep -q "$build/" <<<"$maps"; then fail "KR70 used files of the build tree"; fi

# Under X, the main window's title is a language text: the language files were
# found (without them only the "Language String Tabel" error box would open).
if command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" & pid=$!
    for i in $(seq 1 50); do sleep 0.2; xwininfo -root -tree 2>/dev/null | grep -q "Abnormal-Sound" && break; done
    xwininfo -root -tree >"$2" 2>&1
    kill $pid; wait $pid 2>/dev/null || true' _ "$prefix/bin/KR70" "$scratch/windows.txt" || true
  grep -q "KR70 Abnormal-Sound Analysis" "$scratch/windows.txt" ||
    fail "the installed KR70 shows no window titled from its language file"
fi

desktop-file-validate "$prefix/share/applications/com.ostrel.KR70.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/com.ostrel.KR70.metainfo.xml" >"$scratch/appstream.log" ||
  { cat "$scratch/appstream.log" >&2; fail "metainfo invalid"; }
update-mime-database "$prefix/share/mime"
grep -q "application/x-kr70-rawdata" "$prefix/share/mime/globs2" || fail "raw-data MIME type not registered"
echo "install test: passed"
