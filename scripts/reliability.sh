#!/usr/bin/env bash
# make reliability: the recovery matrix. Every operation of a clean automatic update in turn is
# cut off by pulling the simulated adapter out, and each program is killed at a spread of
# moments; the suite's retry and repair runs must bring the adapter to the package's state.
# Arguments go to scripts/reliability/run.py (--every N samples the unplug points, --only
# NAMES runs single points). Output: build/reliability (matrix.log, table.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
# A Wine prefix of its own: the matrix replaces the installed driver files and makes run folders
# on the Windows drive, and stops its Wine server at the end, so it keeps away from the tests'.
root=${ORVEX_BUILD_ROOT:-build}
case $root in /*) ;; *) root=$PWD/$root ;; esac
export WINEPREFIX=${ORVEX_RELIABILITY_PREFIX:-$root/wineprefix-reliability}
source scripts/xvfb.sh
trap 'set +e; orvex_stop_all' EXIT
if [ -z "${ORVEX_RELIABILITY_NO_BUILD:-}" ]; then
  scripts/build.sh windows
fi
scripts/wine-prefix.sh
orvex_start_xvfb
wineserver -p60 >/dev/null 2>&1 </dev/null
export ORVEX_ROOT ORVEX_BUILD_ROOT WINEPREFIX DISPLAY
nice python3 scripts/reliability/run.py "$@"
