#!/usr/bin/env bash
# How long the settings window takes from its block button's click to being shown: the time
# from the start of Open to the window painted with its first page, measured in-process by the
# preview, against the same for the window's bare template (a dialog without pages) and for its
# floor (the same page's controls made by the dialog manager from one template). Median of RUNS
# openings (default 21) for the sample definition's blocks and for generated pages, with the
# shipped i686 programs (ORVEX_FORM=windows for the x86-64 ones). make bench runs the same.
#   paramtool/editor/win/preview/measure.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../../../.."
given_display=${DISPLAY:-}
source scripts/xvfb.sh
runs=${1:-21}
tree=${ORVEX_FORM:-windows32}
preview=$ORVEX_BUILD_ROOT/$tree/paramtool/editor/win/settings_preview.exe
cmake --build "$ORVEX_BUILD_ROOT/$tree" --target settings_preview >/dev/null
scripts/wine-prefix.sh
if [ -n "$given_display" ] && timeout 5 xdpyinfo -display "$given_display" >/dev/null 2>&1; then
  export DISPLAY=$given_display
else
  trap orvex_stop_all EXIT
  orvex_start_xvfb
fi
measure() {
  printf '%-44s ' "$1"
  shift
  scripts/wine-run "$preview" "$@" --measure "$runs" | tail -n 1
}
measure "sample Cti_par.txt, block 1 (12 rows)" paramtool/model/Cti_par.txt --block 1
measure "sample Cti_par.txt, block 2 (2 pages)" paramtool/model/Cti_par.txt --block 2
measure "10 rows on one page" --generate 10
measure "100 rows on one two-column page (30 shown)" --generate 100
measure "100 rows over 7 one-column pages" --generate 100 --tags 7
