#!/usr/bin/env bash
# make screenshots: the README's pictures of the real windows, taken under Wine on Xvfb against
# the simulated adapter. Output: docs/screenshots/*.png
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
source scripts/form.sh
source scripts/xvfb.sh
trap 'rc=$?; set +e; orvex_stop_all; [ $rc = 0 ] || echo "FAILED: make screenshots stopped (exit $rc)" >&2' EXIT
# The pictures show the shipped i686 programs where this machine runs them.
export ORVEX_FORM=${ORVEX_FORM:-$(orvex_form)}

orvex_step "build $ORVEX_FORM" scripts/build.sh "$ORVEX_FORM"
orvex_step "Wine prefix $WINEPREFIX" scripts/wine-prefix.sh
orvex_start_xvfb
orvex_start_wineserver

win=$ORVEX_BUILD_ROOT/$ORVEX_FORM
out=docs/screenshots
mkdir -p "$out"
adapter=$ORVEX_BUILD_ROOT/screenshot-adapter
rm -rf "$adapter"
mkdir -p "$adapter"
winpath() { echo "Z:${1//\//\\}"; }
scripts/wine-run "$win/tools/orvex.exe" sim init "$(winpath "$adapter")" >/dev/null
export ORVEX_SIM=$(winpath "$adapter")
scripts/wine-run "$win/tools/orvex.exe" sim set time_scale=10 >/dev/null

preview=$win/common/win/device/about_preview.exe
scripts/screenshot.sh "$out/about-flash.png" --wait 2 -- "$preview" flash
scripts/screenshot.sh "$out/about-flash-x64.png" --wait 2 -- "$preview" flash --wow64
scripts/screenshot.sh "$out/about-set.png" --wait 2 -- "$preview" set
scripts/screenshot.sh "$out/about-set-no-device.png" --wait 1 -- "$preview" set --no-device
scripts/screenshot.sh "$out/sample-dialog.png" --wait 1 -- "$win/common/win/common_win_demo.exe"
paramtool/editor/win/preview/screenshots.sh "$out"
scripts/screenshots-orvexset.sh "$out"
scripts/screenshots-orvexflash.sh
scripts/roll-screenshots.sh "$out"
scripts/screenshots-help.sh
ls -l "$out"
