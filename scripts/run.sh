#!/usr/bin/env bash
# Builds the workstation, then starts it (with a display) or analyses the demo
# recordings without a window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir=${KR70_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" -j"${KR70_JOBS:-2}"

bin_dir="$build_dir/bin"
data_dir="$bin_dir/Data"

# ---- window ---------------------------------------------------------------
# >>> KR70 window start
# With a display, the workstation starts with the demo recordings loaded (the
# last one shown; all three in the "display file" list) and the demo settings.
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]] && [[ -x "$bin_dir/KR70" ]]; then
    demo_files=""
    if [[ -x "$bin_dir/kr70-demo-gen" ]]; then
        "$bin_dir/kr70-demo-gen" "$data_dir"
        demo_files="$data_dir/demo-tone.wav:$data_dir/demo-noise.wav:$data_dir/demo-clicks.wav"
    fi
    # The demo settings are applied as "open parameter file" applies them (as
    # kr70-analyse does), so the window shows the demos' verdicts: tone OK,
    # clicks NG. (A parameter file on the command line would be applied as
    # start-up applies it, with the level reset to 0.)
    parameters=""
    [[ -f "$data_dir/demo.ini" ]] && parameters="$data_dir/demo.ini"
    set +e
    # Without an A/D card driver the simulated card stands in, so that the
    # acquire button records (KR70_CARD=none uses the sound card instead).
    KR70_CARD="${KR70_CARD:-sim:clicks=on}" KR70_OPEN_FILES="$demo_files" KR70_OPEN_PARAMETERS="$parameters" \
        "$bin_dir/KR70"
    status=$?
    exit $status
fi
# <<< KR70 window start

# ---- headless ---------------------------------------------------------------
# The demo recordings (a clean tone, the tone with clicks, noise) and their
# parameter file go into the workstation's data directory when missing.
if [[ ! -x "$bin_dir/kr70-analyse" || ! -x "$bin_dir/kr70-demo-gen" ]]; then
    echo "run.sh: kr70-analyse was not built" >&2
    exit 1
fi
"$bin_dir/kr70-demo-gen" "$data_dir"
echo
echo "Verdicts of the demo recordings (settings: $data_dir/demo.ini):"
"$bin_dir/kr70-analyse" --params "$data_dir/demo.ini" \
    "$data_dir/demo-tone.wav" "$data_dir/demo-clicks.wav" "$data_dir/demo-noise.wav"
